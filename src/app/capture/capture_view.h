#pragma once
// What the capture state entries, the status timer and the freeze toggles show: the window binds
// its widgets to these fields, and tests read them. UI thread only.

#include "common/colors.h"

#include <QString>

#include <array>

namespace camtrove::app {

// Images of the command image list.
inline constexpr int kImageCapture = 14;
inline constexpr int kImageSchedule = 20;
inline constexpr int kImageStopCapture = 28;
inline constexpr int kImageStopSchedule = 30;
inline constexpr int kImageCaptureSound = 43;

struct TCommandView
{
    QString Caption;
    QString Hint;
    int ImageIndex = -1;
    bool Enabled = true;
};

struct TCaptureView
{
    // The frame around the video, the inlay sliders and the full-screen backdrop's frame.
    TColor FrameColor = clBtnFace;
    TColor BackdropFrameColor = clBlack;
    // The frame is drawn with a diagonal cross hatch while the capture is frozen.
    bool FrameHatched = false;
    TColor BackdropColor = clBlack;

    std::array<QString, 4> StatusPanels;
    QString FlipMark; // drawn in red after panel 1's text

    TCommandView CaptureCommand;  // saCapturerBascule
    TCommandView ScheduleCommand; // acProgrammerBascule
    int CaptureButtonGlyph = -1;
    int ScheduleButtonGlyph = -1;
    bool CutEnabled = false; // acCouper

    bool VideoSourceGroupEnabled = true;
    bool AudioSourceGroupEnabled = true;
    bool FormatGroupEnabled = true;
    bool RefreshButtonEnabled = true;
    bool ProfileGroupEnabled = true;   // Windows Media profiles of the Settings panel
    bool VideoFileGroupEnabled = true; // the Folders panel's video file fields
    bool ScheduleStartVisible = true;  // the Schedule panel's start group and Now button
    bool PreviewLockEnabled = true;

    int VolumeGauge = 0; // "Volume" / 100
    bool StatusTimerEnabled = false;
};

} // namespace camtrove::app
