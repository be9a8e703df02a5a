#include "media/codecs/mpeg1_audio_encoder.h"

#include "media/core/guids.h"

#include <algorithm>
#include <cstring>

namespace camtrove::media {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;
constexpr int kFrameSamples = Mpeg1AudioFrameSamples(2);

std::optional<WAVEFORMATEX> PcmInput(const AM_MEDIA_TYPE& type)
{
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
        type.formattype != FORMAT_WaveFormatEx || !wave || wave->wFormatTag != WAVE_FORMAT_PCM)
        return std::nullopt;
    const bool rateOk =
        wave->nSamplesPerSec == 32000 || wave->nSamplesPerSec == 44100 || wave->nSamplesPerSec == 48000;
    if (!rateOk || wave->wBitsPerSample != 16 || wave->nChannels < 1 || wave->nChannels > 2 ||
        wave->nBlockAlign != wave->nChannels * 2)
        return std::nullopt;
    return *wave;
}

Mpeg1AudioStream StreamFor(const WAVEFORMATEX& pcm)
{
    return {2, pcm.nSamplesPerSec, pcm.nChannels, pcm.nChannels == 1 ? 96'000u : 192'000u};
}

} // namespace

Mpeg1AudioEncoder::Mpeg1AudioEncoder()
    : TBCTransformFilter(QStringLiteral("MPEG-1 Audio Encoder"), CLSID_Mpeg1AudioEncoder)
{
}

Mpeg1AudioEncoder::~Mpeg1AudioEncoder() = default;

ComPtr<Mpeg1AudioEncoder> Mpeg1AudioEncoder::Create()
{
    return ComPtr<Mpeg1AudioEncoder>(new Mpeg1AudioEncoder());
}

HRESULT Mpeg1AudioEncoder::CheckInputType(const AM_MEDIA_TYPE& type)
{
    return PcmInput(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Mpeg1AudioEncoder::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    const auto in = PcmInput(input);
    const auto out = Mpeg1AudioStreamOf(output);
    if (!in || !out || out->layer != 2 || output.subtype != MEDIASUBTYPE_MPEG1Audio ||
        out->samplesPerSec != in->nSamplesPerSec || out->channels != in->nChannels ||
        out->bitrate != StreamFor(*in).bitrate)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT Mpeg1AudioEncoder::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    const auto in = PcmInput(m_input->CurrentMediaType());
    if (!in)
        return E_UNEXPECTED;
    *type = MakeMpeg1AudioType(StreamFor(*in));
    return S_OK;
}

HRESULT Mpeg1AudioEncoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto out = Mpeg1AudioStreamOf(m_output->CurrentMediaType());
    if (!m_input->IsConnected() || !out)
        return E_UNEXPECTED;
    request->cBuffers = std::max(request->cBuffers, 8);
    request->cbBuffer = std::max(request->cbBuffer, Mpeg1AudioLongestFrame(*out));
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT Mpeg1AudioEncoder::StartStreaming()
{
    const auto out = Mpeg1AudioStreamOf(m_output->CurrentMediaType());
    if (!out)
        return E_UNEXPECTED;
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!encoder)
        return E_FAIL;
    CodecContextPtr codec(avcodec_alloc_context3(encoder));
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!codec || !frame || !packet)
        return E_OUTOFMEMORY;
    codec->sample_fmt = AV_SAMPLE_FMT_S16;
    codec->sample_rate = static_cast<int>(out->samplesPerSec);
    av_channel_layout_default(&codec->ch_layout, out->channels);
    codec->bit_rate = out->bitrate;
    codec->time_base = {1, codec->sample_rate};
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0)
        return E_FAIL;
    frame->format = AV_SAMPLE_FMT_S16;
    frame->nb_samples = kFrameSamples;
    frame->sample_rate = codec->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return E_OUTOFMEMORY;
    m_stream = *out;
    m_codec = std::move(codec);
    m_frame = std::move(frame);
    m_packet = std::move(packet);
    m_pcm.clear();
    m_started = false;
    m_samplesOut = 0;
    return S_OK;
}

HRESULT Mpeg1AudioEncoder::StopStreaming()
{
    m_codec.reset();
    m_frame.reset();
    m_packet.reset();
    m_pcm.clear();
    return S_OK;
}

HRESULT Mpeg1AudioEncoder::Receive(IMediaSample* sample)
{
    if (sample->GetStreamId() != AM_STREAM_MEDIA)
        return m_output->Deliver(sample);
    if (!m_codec)
        return E_UNEXPECTED;
    if (!m_started) {
        REFERENCE_TIME start = 0, stop = 0;
        const HRESULT times = sample->GetTime(&start, &stop);
        m_streamStart = times == S_OK || times == VFW_S_NO_STOP_TIME ? start : 0;
        m_started = true;
    }
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const std::size_t values =
        static_cast<std::size_t>(std::max(sample->GetActualDataLength(), 0)) / sizeof(std::int16_t);
    const std::size_t whole = values - values % m_stream.channels;
    const std::size_t before = m_pcm.size();
    m_pcm.resize(before + whole);
    // Sample buffers promise no alignment.
    std::memcpy(m_pcm.data() + before, data, whole * sizeof(std::int16_t));
    return EncodePending(false);
}

HRESULT Mpeg1AudioEncoder::EncodePending(bool drain)
{
    const std::size_t frameValues = static_cast<std::size_t>(kFrameSamples) * m_stream.channels;
    if (drain && m_pcm.size() % frameValues != 0)
        m_pcm.resize(m_pcm.size() + frameValues - m_pcm.size() % frameValues, 0);
    std::size_t at = 0;
    HRESULT hr = S_OK;
    while (m_pcm.size() - at >= frameValues) {
        if (av_frame_make_writable(m_frame.get()) < 0) {
            hr = E_OUTOFMEMORY;
            break;
        }
        std::memcpy(m_frame->data[0], m_pcm.data() + at, frameValues * sizeof(std::int16_t));
        m_frame->pts = m_samplesOut;
        at += frameValues;
        if (avcodec_send_frame(m_codec.get(), m_frame.get()) < 0) {
            hr = E_FAIL;
            break;
        }
        hr = DeliverPackets();
        if (hr != S_OK)
            break;
    }
    m_pcm.erase(m_pcm.begin(), m_pcm.begin() + static_cast<std::ptrdiff_t>(at));
    if (drain && hr == S_OK && avcodec_send_frame(m_codec.get(), nullptr) >= 0)
        hr = DeliverPackets();
    return hr;
}

HRESULT Mpeg1AudioEncoder::DeliverPackets()
{
    for (;;) {
        const int received = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return S_OK;
        if (received < 0)
            return E_FAIL;
        ComPtr<IMediaSample> out;
        HRESULT hr = m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
        if (Failed(hr)) {
            av_packet_unref(m_packet.get());
            return hr;
        }
        std::uint8_t* data = nullptr;
        if (Failed(out->GetPointer(&data)) || out->GetSize() < m_packet->size) {
            av_packet_unref(m_packet.get());
            return E_UNEXPECTED;
        }
        std::memcpy(data, m_packet->data, static_cast<std::size_t>(m_packet->size));
        (void)out->SetActualDataLength(m_packet->size);
        av_packet_unref(m_packet.get());
        const REFERENCE_TIME rate = m_stream.samplesPerSec;
        REFERENCE_TIME start = m_streamStart + m_samplesOut * kUnitsPerSecond / rate;
        REFERENCE_TIME stop = m_streamStart + (m_samplesOut + kFrameSamples) * kUnitsPerSecond / rate;
        (void)out->SetTime(&start, &stop);
        (void)out->SetSyncPoint(true);
        (void)out->SetDiscontinuity(m_samplesOut == 0);
        m_samplesOut += kFrameSamples;
        hr = m_output->Deliver(out.Get());
        if (hr != S_OK)
            return hr;
    }
}

HRESULT Mpeg1AudioEncoder::EndOfStream()
{
    if (m_codec) {
        (void)EncodePending(true); // what cannot be delivered now is lost with the stream's end
        m_codec.reset();           // a drained encoder takes no more samples
    }
    return TBCTransformFilter::EndOfStream();
}

} // namespace camtrove::media
