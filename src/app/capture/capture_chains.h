#pragma once
// What the capture control asks of the graph module beyond run and stop: hang the capture chain
// of a format on the stopped preview graph, take it away again, and point the running chain's
// writer at a new file for a cut. UI thread only, with the graph stopped.

#include <QString>

#include <cstdint>
#include <functional>

namespace camtrove::app {

class CaptureChains
{
public:
    virtual ~CaptureChains() = default;
    // Codes 0 and 10 build nothing and succeed. onImageByImageStop ends an image-by-image capture.
    [[nodiscard]] virtual bool BuildCaptureChain(std::uint8_t code, const QString& fileName,
                                                 std::function<void()> onImageByImageStop) = 0;
    virtual bool TeardownCapture() = 0;
    // The chain of code goes on into fileName when the graph runs again.
    [[nodiscard]] virtual bool GiveWriterNewFile(std::uint8_t code, const QString& fileName) = 0;
};

} // namespace camtrove::app
