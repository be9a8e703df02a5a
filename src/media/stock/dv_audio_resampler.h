#pragma once
// Converts interleaved 16-bit stereo from whatever rate a DV frame carries to the fixed rate of an
// output, keeping the converter's state across frames so the sound has no seams. One thread.

#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace camtrove::media {

class DvAudioResampler
{
public:
    explicit DvAudioResampler(int outputRate);
    ~DvAudioResampler();
    DvAudioResampler(const DvAudioResampler&) = delete;
    DvAudioResampler& operator=(const DvAudioResampler&) = delete;

    // Replaces pcm (count sample frames at inputRate) with the same sound at the output rate.
    // False when the converter cannot be set up; pcm is then left as it was.
    [[nodiscard]] bool Convert(std::vector<std::int16_t>& pcm, int inputRate);

private:
    struct SwrFree
    {
        void operator()(SwrContext* context) const;
    };

    int m_outputRate;
    int m_inputRate = 0;
    std::unique_ptr<SwrContext, SwrFree> m_context;
    std::vector<std::int16_t> m_out;
};

} // namespace camtrove::media
