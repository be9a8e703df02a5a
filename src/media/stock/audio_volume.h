#pragma once
// The listening volume of the audio renderer: 0 is silent, 10000 full. The level follows the cube
// of the setting, close to how loudness is heard, so that the middle of the slider sounds like
// the middle rather than nearly full.

#include <cstdint>
#include <span>

namespace camtrove::media {

inline constexpr std::int32_t kVolumeSilent = 0;
inline constexpr std::int32_t kVolumeFull = 10000;

// The amplitude factor of a volume in 1/65536 (65536 at full volume); volumes outside the range
// are clamped.
[[nodiscard]] std::int32_t VolumeGainQ16(std::int32_t volume);

// Scales PCM samples in place: 16-bit signed little-endian or 8-bit unsigned. Other widths are
// left as they are.
void ScalePcm(std::span<std::uint8_t> data, int bitsPerSample, std::int32_t gainQ16);

} // namespace camtrove::media
