#pragma once
// The visibility and enabled states that source selection switches on the main window, the
// Sources panel and the Settings panel. The widgets mirror them.

namespace camtrove::app {

// The four ratio commands, in the order of "Aspect ratio": normal, 4:3, 16:9, native.
enum TRatioCommand : int
{
    rcNormal = 0,
    rc4x3 = 1,
    rc16x9 = 2,
    rcNative = 3
};

struct TSourcesControls
{
    // Video controls.
    bool NoVideoPictureVisible = true; // the picture panel "No selected video", the preview behind it
    bool InlayCornerVisible = false;   // the corner that opens the inlay sliders
    bool InlaySlidersVisible = false;
    bool SlidersCommandEnabled = false;
    bool InlayToggleEnabled = false;
    bool VertFlipEnabled = false;
    bool HorzFlipEnabled = false;
    bool GrabEnabled = false;
    bool CaptureEnabled = false;
    bool FullScreenEnabled = false;
    bool IntervalometerSwitchEnabled = false;
    bool VideoLabelVisible = false;
    bool VideoSettingsVisible = false;
    bool FreezeCaptureEnabled = false;

    // Audio controls.
    bool VolumeVisible = false; // the volume label, slider and gauge
    bool MuteEnabled = false;
    bool VolumeCommandsEnabled = false;
    bool AudioLabelVisible = false;
    bool AudioSettingsVisible = false;
    bool EntryListVisible = false;

    // Format.
    bool FormatGroupVisible = false;
    bool ImagesPerSecondVisible = false;

    // Ratio commands and the Settings panel's ratio groups, switched by the preview lock.
    bool RatioEnabled[4] = {true, true, true, true};
    bool DvRatioGroupEnabled = true;
    bool DivxRatioGroupEnabled = true;
};

} // namespace camtrove::app
