#pragma once
// The capture chains of the graph module behind the capture control's seam. The chains read
// the DV preferences, which are copied to the graph module before each build.

#include "app/capture/capture_chains.h"

namespace camtrove::graph {
class Tdm;
}
namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

class TdmCaptureChains final : public CaptureChains
{
public:
    TdmCaptureChains(graph::Tdm& dm, const settings::PreferenceCatalogue& preferences)
        : m_dm(dm), m_preferences(preferences)
    {
    }

    [[nodiscard]] bool BuildCaptureChain(std::uint8_t code, const QString& fileName,
                                         std::function<void()> onImageByImageStop) override;
    bool TeardownCapture() override;
    [[nodiscard]] bool GiveWriterNewFile(std::uint8_t code, const QString& fileName) override;

private:
    graph::Tdm& m_dm;
    const settings::PreferenceCatalogue& m_preferences;
};

} // namespace camtrove::app
