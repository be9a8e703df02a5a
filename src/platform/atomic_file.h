#pragma once
// Replacing a file so that a crash or a kill at any moment leaves either the old content or the
// new one: the bytes go to a temporary file in the same folder, which is renamed over the target.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace camtrove::platform {

// Called after each chunk reaches the temporary file with the bytes written so far. Tests use it
// to interrupt a write half-way (an exception leaves the old file in place).
using AtomicWriteProgress = std::function<void(std::int64_t bytesWritten)>;

// Creates the folder when missing. False when any step fails; the target is then unchanged.
[[nodiscard]] bool WriteFileAtomically(const QString& path, const QByteArray& data,
                                       const AtomicWriteProgress& progress = {});

} // namespace camtrove::platform
