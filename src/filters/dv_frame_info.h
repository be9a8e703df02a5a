#pragma once
// The per-frame DV record of scene detection, and the pure function that reads one frame into it.
// The scene detection filter keeps these records in its ring; the command-line tools print them.

#include "common/datetime.h"

#include <cstdint>
#include <span>

namespace camtrove::filters {

// One record per frame, always copied as a whole.
struct TSceneFrameInfo
{
    std::uint32_t FrameCounter = 0;
    bool DateValid = false;
    bool TimecodeValid = false;
    bool DvComplete = false;    // timecode, source control pack and audio source pack all present
    TDateTime RecDate = 0;      // 0 when no date pack was found
    std::uint32_t Timecode = 0; // kept from an earlier frame while TimecodeValid is false
    bool Wide = false;
    std::uint8_t System = 2;
    std::int32_t SampleRate = -1;
    std::int32_t Quantization = -1;
    std::int64_t FrameIndex = 0;
    bool Processed = false;
};

static_assert(sizeof(bool) == 1, "the record's flags are boolean bytes");

// Reads frame into info, which holds the previous frame's record on entry: RecDate and Timecode
// keep their earlier values when the frame's date part is impossible or it has no timecode.
// Sets DateValid, RecDate, TimecodeValid, Timecode, SampleRate, Quantization, FrameIndex (from
// FrameCounter), Wide, System and DvComplete; FrameCounter and Processed are the caller's.
void DvReadSceneFrameInfo(std::span<const std::uint8_t> frame, TSceneFrameInfo& info);

} // namespace camtrove::filters
