#include "filters/dv_frame_info.h"

#include "filters/dvcodes.h"

namespace camtrove::filters {
namespace {

void ReadDate(std::span<const std::uint8_t> frame, TSceneFrameInfo& info)
{
    TDvRecStamp stamp;
    for (int k = 0; k < kDvSequencesRead; ++k) {
        DvReadRecDateTime(frame, k, stamp);
        if (stamp.year != -1)
            break;
    }
    if (stamp.year == -1) {
        info.RecDate = 0;
        info.DateValid = false;
        return;
    }
    const auto date = TryEncodeDate(stamp.year, stamp.month, stamp.day);
    const auto time = TryEncodeTime(stamp.hour, stamp.minute, stamp.second);
    info.DateValid = date && time;
    if (date)
        info.RecDate = time ? ComposeDateTime(*date, *time) : *date;
}

void ReadTimecode(std::span<const std::uint8_t> frame, TSceneFrameInfo& info)
{
    for (int k = 0; k < kDvSequencesRead; ++k) {
        const std::uint32_t timecode = DvReadTimecode(frame, k);
        if (DvTimecodeValid(timecode)) {
            info.Timecode = timecode;
            info.TimecodeValid = true;
            return;
        }
    }
    info.TimecodeValid = false;
}

} // namespace

void DvReadSceneFrameInfo(std::span<const std::uint8_t> frame, TSceneFrameInfo& info)
{
    ReadDate(frame, info);
    ReadTimecode(frame, info);
    info.SampleRate = DvAudioSampleRate(frame);
    info.Quantization = DvAudioQuantization(frame);
    info.FrameIndex = info.FrameCounter;
    info.Wide = DvIsWide(frame);
    info.System = DvSystemOf(frame);
    info.DvComplete = info.TimecodeValid && DvHasSourceControl(frame) && info.SampleRate != -1;
}

} // namespace camtrove::filters
