#pragma once
// The sound format of a capture: the ACM Wrapper's output is always 16-bit stereo PCM, at a rate
// chosen from the DV preferences or kept from a DV camcorder's own sound. Pure functions; any
// thread.

#include "media/core/media_type.h"

#include <cstdint>

namespace camtrove::graph {

struct TAcmRateChoice
{
    bool garderFormatDV = false;    // "Garder Format DV"
    bool frequenceDVNative = false; // "Frequence DV native"
    bool dvCamcorderVideo = false;  // the active video source is a DV camcorder
    std::int32_t sourceRate = 0;    // the audio source's rate, read at its activation
    std::uint8_t frequenceDV = 3;   // "FrequenceDV"
};

// The camcorder's own rate when both keys keep it and it is one DV knows (32000, 44100, 48000);
// otherwise "FrequenceDV": 1 32000, 2 44100, 3 48000, anything else 44100.
[[nodiscard]] std::int32_t AcmCaptureRate(const TAcmRateChoice& choice);

// connected with PCM, a WAVEFORMATEX of 16-bit stereo at rate and what the rest of its block held.
[[nodiscard]] media::AM_MEDIA_TYPE AcmCaptureType(const media::AM_MEDIA_TYPE& connected, std::int32_t rate);

} // namespace camtrove::graph
