#pragma once
// What source selection asks of the main window around the panel: the preview's size and ratio,
// the inlay and flips applied again, the button row, the intervalometer, the system report and
// the settings panel. The main window implements it; UI thread only.

#include <QSize>

namespace camtrove::app {

class SourcesPanelHost
{
public:
    virtual ~SourcesPanelHost() = default;

    // The preview window's size in pixels.
    [[nodiscard]] virtual QSize PreviewSize() const = 0;
    // Sizes the preview to "Aspect ratio" for the active video source.
    virtual void DimensionnerWithRatio() = 0;
    // Forgets the DV 16:9 flag, so that the next aspect message of a DV source sets it afresh.
    virtual void ResetDvWideFlag() = 0;
    // Gives the inlay filter the inlay and both flips again, as the wishes and TransformAllowed say.
    virtual void ApplyInlayAndFlips() = 0;
    virtual void PlaceButtonRow() = 0;
    // A running intervalometer applied once more, after the video went away.
    virtual void ReapplyIntervalometer() = 0;
    virtual void RebuildSystemReport() = 0;
    // Shows the Settings panel on the given tab.
    virtual void ShowSettingsTab(int tab) = 0;
};

} // namespace camtrove::app
