#pragma once
// How the command-line tools write the DV data of a frame.

#include "filters/dv_frame_info.h"

#include <QString>

namespace camtrove::cli {

// yyyy-mm-dd hh:nn:ss, or "-" when the frame's date is not valid.
[[nodiscard]] QString DateText(const filters::TSceneFrameInfo& info);
// h:mm:ss:ff with the hours unpadded, as the camcorder window shows it, or "-" without a timecode.
[[nodiscard]] QString TimecodeText(const filters::TSceneFrameInfo& info);

} // namespace camtrove::cli
