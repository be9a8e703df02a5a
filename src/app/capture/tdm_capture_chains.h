#pragma once
// The capture chains of the graph module behind the capture control's seam.

#include "app/capture/capture_chains.h"

namespace camtrove::graph {
class Tdm;
}

namespace camtrove::app {

class TdmCaptureChains final : public CaptureChains
{
public:
    explicit TdmCaptureChains(graph::Tdm& dm) : m_dm(dm) {}

    [[nodiscard]] bool BuildCaptureChain(std::uint8_t code, const QString& fileName,
                                         std::function<void()> onImageByImageStop) override;
    bool TeardownCapture() override;
    [[nodiscard]] bool GiveWriterNewFile(std::uint8_t code, const QString& fileName) override;

private:
    graph::Tdm& m_dm;
};

} // namespace camtrove::app
