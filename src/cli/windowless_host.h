#pragma once
// The Sources panel's window as the command line has it: no preview to size, place or show.

#include "app/panels/sources_panel_host.h"

namespace camtrove::cli {

class WindowlessSourcesHost : public app::SourcesPanelHost
{
public:
    [[nodiscard]] QSize PreviewSize() const override { return {640, 480}; }
    void DimensionnerWithRatio() override {}
    void ResetDvWideFlag() override {}
    void ApplyInlayAndFlips() override {}
    void PlaceButtonRow() override {}
    void ReapplyIntervalometer() override {}
    void RebuildSystemReport() override {}
    void ShowSettingsTab(int) override {}
};

} // namespace camtrove::cli
