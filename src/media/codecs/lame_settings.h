#pragma once
// Where the LAME MP3 encoder keeps its settings and how it makes itself known: the bitrate under
// the current user's key (which the settings panel also reads and writes), and its class key under
// the classes root with the library's path and version for the system report.

#include "platform/registry.h"

#include <QString>

#include <cstdint>

namespace camtrove::media {

inline constexpr std::uint32_t kLameDefaultKbps = 128;

[[nodiscard]] QString LameSettingsKey();    // under HKEY_CURRENT_USER
[[nodiscard]] QString LameClassServerKey(); // under HKEY_CLASSES_ROOT

// The stored bitrate in kbit/s made one a frame header can name; the default when the key or
// the value is missing or is not a positive REG_DWORD. The registry is left at its root with no
// key open.
[[nodiscard]] std::uint32_t ReadLameBitrate(platform::Registry& registry);
// Writes "Bitrate" (REG_DWORD), creating the key. False when it cannot be written.
[[nodiscard]] bool WriteLameBitrate(platform::Registry& registry, std::uint32_t kbps);

// Makes the encoder known in a registry: the class key with the library's path as its default
// value and the library's version as "FileVersion", and the settings key with the default bitrate
// unless a bitrate is already stored. False when a key cannot be written.
[[nodiscard]] bool RegisterLameMp3Encoder(platform::Registry& registry);

} // namespace camtrove::media
