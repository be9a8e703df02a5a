#pragma once
// Writes the test tape as a raw DV file: its frames one after another, as a camcorder plays them.

#include "media/devices/test_tape.h"

#include <QString>

#include <optional>

namespace camtrove::media {

// Writes frames frames of the tape from its start (the whole scene table when frames is omitted).
// The file appears complete or not at all; the result is an error text on failure.
[[nodiscard]] std::optional<QString> WriteTestTapeClip(const QString& path, TapeSystem system,
                                                       int frames = TestTapeSceneFrames());

} // namespace camtrove::media
