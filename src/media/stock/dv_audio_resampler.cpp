#include "media/stock/dv_audio_resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace camtrove::media {

void DvAudioResampler::SwrFree::operator()(SwrContext* context) const
{
    swr_free(&context);
}

DvAudioResampler::DvAudioResampler(int outputRate) : m_outputRate(outputRate) {}

DvAudioResampler::~DvAudioResampler() = default;

bool DvAudioResampler::Convert(std::vector<std::int16_t>& pcm, int inputRate)
{
    if (inputRate == m_outputRate && !m_context)
        return true;
    if (!m_context || inputRate != m_inputRate) {
        SwrContext* raw = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_S16, m_outputRate, &stereo, AV_SAMPLE_FMT_S16,
                                inputRate, 0, nullptr) < 0)
            return false;
        std::unique_ptr<SwrContext, SwrFree> context(raw);
        if (swr_init(context.get()) < 0)
            return false;
        m_context = std::move(context);
        m_inputRate = inputRate;
    }
    const int inCount = static_cast<int>(pcm.size() / 2);
    const int room = swr_get_out_samples(m_context.get(), inCount);
    if (room < 0)
        return false;
    m_out.resize(2 * static_cast<std::size_t>(room));
    auto* out = reinterpret_cast<std::uint8_t*>(m_out.data());
    const auto* in = reinterpret_cast<const std::uint8_t*>(pcm.data());
    const int produced = swr_convert(m_context.get(), &out, room, &in, inCount);
    if (produced < 0)
        return false;
    m_out.resize(2 * static_cast<std::size_t>(produced));
    pcm.swap(m_out);
    return true;
}

} // namespace camtrove::media
