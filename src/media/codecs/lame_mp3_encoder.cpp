#include "media/codecs/lame_mp3_encoder.h"

#include "media/codecs/lame_settings.h"
#include "media/core/guids.h"
#include "platform/registry.h"

#include <algorithm>
#include <cstring>
#include <lame/lame.h>

namespace camtrove::media {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

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

// The longest frame a stream can have: the padding byte included.
std::int32_t LongestFrame(const Mp3Stream& stream)
{
    return static_cast<std::int32_t>(144 * stream.kbps * 1000 / stream.samplesPerSec + 1);
}

} // namespace

void LameMp3Encoder::LameDeleter::operator()(lame_global_struct* lame) const
{
    lame_close(lame);
}

LameMp3Encoder::LameMp3Encoder(QString registryFolder)
    : TBCTransformFilter(QStringLiteral("LAME Audio Encoder"), CLSID_LameMp3Encoder),
      m_registryFolder(std::move(registryFolder))
{
}

LameMp3Encoder::~LameMp3Encoder() = default;

ComPtr<LameMp3Encoder> LameMp3Encoder::Create(QString registryFolder)
{
    return ComPtr<LameMp3Encoder>(new LameMp3Encoder(std::move(registryFolder)));
}

ComPtr<LameMp3Encoder> LameMp3Encoder::Create()
{
    return Create(platform::Registry::DefaultFolder());
}

HRESULT LameMp3Encoder::CheckInputType(const AM_MEDIA_TYPE& type)
{
    return PcmInput(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT LameMp3Encoder::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    const auto in = PcmInput(input);
    const auto out = Mp3StreamOf(output);
    if (!in || !out || out->samplesPerSec != in->nSamplesPerSec || out->channels != in->nChannels)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT LameMp3Encoder::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 1)
        return VFW_S_NO_MORE_ITEMS;
    const auto in = PcmInput(m_input->CurrentMediaType());
    if (!in)
        return E_UNEXPECTED;
    platform::Registry registry(m_registryFolder, platform::HKEY_CURRENT_USER);
    const Mp3Stream stream{in->nSamplesPerSec, in->nChannels, ReadLameBitrate(registry)};
    *type = position == 0 ? MakeMp3Type(stream) : MakeMpegLayer3PayloadType(stream);
    return S_OK;
}

HRESULT LameMp3Encoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto out = Mp3StreamOf(m_output->CurrentMediaType());
    if (!m_input->IsConnected() || !out)
        return E_UNEXPECTED;
    request->cBuffers = std::max(request->cBuffers, 8);
    request->cbBuffer = std::max(request->cbBuffer, LongestFrame(*out));
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT LameMp3Encoder::OpenEncoder()
{
    std::unique_ptr<lame_global_struct, LameDeleter> lame(lame_init());
    if (!lame)
        return E_OUTOFMEMORY;
    const int rate = static_cast<int>(m_stream.samplesPerSec);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_num_channels(lame.get(), m_stream.channels);
    lame_set_mode(lame.get(), m_stream.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame.get(), static_cast<int>(m_stream.kbps));
    lame_set_VBR(lame.get(), vbr_off);
    // The stream is cut into frames as it comes: no tag frame before it, no ID3 tag after it.
    lame_set_bWriteVbrTag(lame.get(), 0);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0)
        return E_FAIL;
    m_lame = std::move(lame);
    return S_OK;
}

HRESULT LameMp3Encoder::StartStreaming()
{
    const auto out = Mp3StreamOf(m_output->CurrentMediaType());
    if (!out)
        return E_UNEXPECTED;
    m_stream = *out;
    m_pending.clear();
    m_started = false;
    m_samplesOut = 0;
    return OpenEncoder();
}

HRESULT LameMp3Encoder::StopStreaming()
{
    m_lame.reset();
    m_pending.clear();
    return S_OK;
}

HRESULT LameMp3Encoder::Receive(IMediaSample* sample)
{
    if (sample->GetStreamId() != AM_STREAM_MEDIA)
        return m_output->Deliver(sample);
    if (!m_lame)
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
    const int frames = std::max(sample->GetActualDataLength(), 0) / (2 * m_stream.channels);
    if (frames == 0)
        return S_OK;
    // Sample buffers promise no alignment; libmp3lame reads whole shorts.
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * m_stream.channels);
    std::memcpy(pcm.data(), data, pcm.size() * sizeof(std::int16_t));
    return Encode(pcm.data(), frames);
}

HRESULT LameMp3Encoder::Encode(const std::int16_t* pcm, int frames)
{
    // libmp3lame's own bound on what one call can produce.
    m_scratch.resize(static_cast<std::size_t>(frames) * 5 / 4 + 7200);
    const int size = static_cast<int>(m_scratch.size());
    const int produced = m_stream.channels == 2
                             ? lame_encode_buffer_interleaved(m_lame.get(), const_cast<short*>(pcm), frames,
                                                              m_scratch.data(), size)
                             : lame_encode_buffer(m_lame.get(), pcm, pcm, frames, m_scratch.data(), size);
    if (produced < 0)
        return E_FAIL;
    m_pending.insert(m_pending.end(), m_scratch.begin(), m_scratch.begin() + produced);
    return DeliverWholeFrames();
}

HRESULT LameMp3Encoder::DeliverWholeFrames()
{
    std::size_t at = 0;
    HRESULT hr = S_OK;
    while (m_pending.size() - at >= 4) {
        const auto frame = ParseLayer3Header(m_pending.data() + at, m_pending.size() - at);
        if (!frame) {
            hr = E_UNEXPECTED; // the encoder only writes frames
            break;
        }
        if (frame->length > m_pending.size() - at)
            break;
        ComPtr<IMediaSample> out;
        hr = m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
        if (Failed(hr))
            break;
        std::uint8_t* data = nullptr;
        if (Failed(out->GetPointer(&data)) || out->GetSize() < static_cast<std::int32_t>(frame->length)) {
            hr = E_UNEXPECTED;
            break;
        }
        std::memcpy(data, m_pending.data() + at, frame->length);
        (void)out->SetActualDataLength(static_cast<std::int32_t>(frame->length));
        const REFERENCE_TIME rate = m_stream.samplesPerSec;
        REFERENCE_TIME start = m_streamStart + m_samplesOut * kUnitsPerSecond / rate;
        REFERENCE_TIME stop = m_streamStart + (m_samplesOut + frame->samples) * kUnitsPerSecond / rate;
        (void)out->SetTime(&start, &stop);
        (void)out->SetSyncPoint(true);
        (void)out->SetDiscontinuity(m_samplesOut == 0);
        m_samplesOut += frame->samples;
        at += frame->length;
        hr = m_output->Deliver(out.Get());
        if (hr != S_OK)
            break;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(at));
    return hr;
}

HRESULT LameMp3Encoder::EndOfStream()
{
    if (m_lame) {
        m_scratch.resize(7200);
        const int produced =
            lame_encode_flush(m_lame.get(), m_scratch.data(), static_cast<int>(m_scratch.size()));
        m_lame.reset(); // a drained encoder takes no more samples
        if (produced > 0) {
            m_pending.insert(m_pending.end(), m_scratch.begin(), m_scratch.begin() + produced);
            (void)DeliverWholeFrames();
        }
    }
    return TBCTransformFilter::EndOfStream();
}

} // namespace camtrove::media
