#include "media/stock/acm_wrapper.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace camtrove::media {

namespace {

std::optional<AVSampleFormat> SampleFormatOf(int bits)
{
    switch (bits) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    case 32:
        return AV_SAMPLE_FMT_S32;
    default:
        return std::nullopt;
    }
}

const WAVEFORMATEX& WaveOf(const AM_MEDIA_TYPE& type)
{
    return *type.FormatAs<WAVEFORMATEX>();
}

} // namespace

std::optional<AM_MEDIA_TYPE> NormalisedPcmType(const AM_MEDIA_TYPE& type)
{
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
        type.formattype != FORMAT_WaveFormatEx || !wave || wave->wFormatTag != WAVE_FORMAT_PCM)
        return std::nullopt;
    if (!SampleFormatOf(wave->wBitsPerSample) || wave->nChannels < 1 || wave->nChannels > 8 ||
        wave->nSamplesPerSec < 1000 || wave->nSamplesPerSec > 384000)
        return std::nullopt;
    AM_MEDIA_TYPE normal = type;
    auto* fixed = normal.FormatAs<WAVEFORMATEX>();
    // A caller that changes the channels or the sample size but keeps the old block size would
    // otherwise describe a stream whose samples cannot be found.
    fixed->nBlockAlign = static_cast<std::uint16_t>(fixed->nChannels * fixed->wBitsPerSample / 8);
    fixed->nAvgBytesPerSec = fixed->nSamplesPerSec * fixed->nBlockAlign;
    normal.bFixedSizeSamples = true;
    normal.bTemporalCompression = false;
    normal.lSampleSize = fixed->nBlockAlign;
    return normal;
}

// ---- AcmWrapperOutputPin ----

AcmWrapperOutputPin::AcmWrapperOutputPin(AcmWrapper* filter, HRESULT* result)
    : TBCTransformOutputPin(QStringLiteral("ACM wrapper output pin"), filter, result,
                            QStringLiteral("Output")),
      m_acm(filter)
{
}

HRESULT AcmWrapperOutputPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMStreamConfig) {
        *object = static_cast<IAMStreamConfig*>(this);
        AddRef();
        return S_OK;
    }
    return TBCTransformOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT AcmWrapperOutputPin::SetFormat(const AM_MEDIA_TYPE& type)
{
    const auto normal = NormalisedPcmType(type);
    if (!normal)
        return VFW_E_INVALIDMEDIATYPE;
    TBCAutoLock lock(m_lock);
    if (!m_acm->IsStopped())
        return VFW_E_NOT_STOPPED;
    const std::optional<AM_MEDIA_TYPE> previous = m_acm->m_chosenFormat;
    m_acm->m_chosenFormat = *normal;
    if (!IsConnected() || CurrentMediaType() == *normal)
        return S_OK;
    const HRESULT hr = m_acm->ReconnectPin(this, &*normal);
    if (Failed(hr))
        m_acm->m_chosenFormat = previous;
    return hr;
}

HRESULT AcmWrapperOutputPin::GetFormat(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (IsConnected())
        *type = CurrentMediaType();
    else if (m_acm->m_chosenFormat)
        *type = *m_acm->m_chosenFormat;
    else if (m_acm->m_input && m_acm->m_input->IsConnected())
        *type = m_acm->m_input->CurrentMediaType();
    else
        return VFW_E_NOT_CONNECTED;
    return S_OK;
}

HRESULT AcmWrapperOutputPin::GetNumberOfCapabilities(std::int32_t* count, std::int32_t* capsSize)
{
    if (!count || !capsSize)
        return E_POINTER;
    AM_MEDIA_TYPE current;
    *count = Succeeded(GetFormat(&current)) ? 1 : 0;
    *capsSize = 0;
    return S_OK;
}

HRESULT AcmWrapperOutputPin::GetStreamCaps(std::int32_t index, AM_MEDIA_TYPE* type)
{
    if (index != 0)
        return S_FALSE;
    return GetFormat(type);
}

// ---- AcmWrapper ----

void AcmWrapper::SwrDeleter::operator()(SwrContext* context) const
{
    swr_free(&context);
}

AcmWrapper::AcmWrapper() : TBCTransformFilter(QStringLiteral("ACM Wrapper"), CLSID_ACMWrapper) {}

AcmWrapper::~AcmWrapper() = default;

ComPtr<AcmWrapper> AcmWrapper::Create()
{
    return ComPtr<AcmWrapper>(new AcmWrapper());
}

std::unique_ptr<TBCTransformOutputPin> AcmWrapper::CreateOutputPin(HRESULT* result)
{
    return std::make_unique<AcmWrapperOutputPin>(this, result);
}

HRESULT AcmWrapper::CheckInputType(const AM_MEDIA_TYPE& type)
{
    const auto normal = NormalisedPcmType(type);
    // The input must already say what it holds: a wrong block size is not ours to guess.
    return normal && *normal == type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapper::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    if (Failed(CheckInputType(input)))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto normal = NormalisedPcmType(output);
    if (!normal || !(*normal == output))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_chosenFormat && !(*m_chosenFormat == output))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT AcmWrapper::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_chosenFormat ? *m_chosenFormat : m_input->CurrentMediaType();
    return S_OK;
}

HRESULT AcmWrapper::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!m_input->IsConnected())
        return E_UNEXPECTED;
    const WAVEFORMATEX& in = WaveOf(m_input->CurrentMediaType());
    const WAVEFORMATEX& out = WaveOf(m_output->CurrentMediaType());
    ALLOCATOR_PROPERTIES upstream;
    if (IMemAllocator* inputAllocator = m_input->PeekAllocator())
        (void)inputAllocator->GetProperties(&upstream);
    // An input buffer's frames at the output's rate, with room for what the resampler holds back.
    const std::int64_t inFrames =
        upstream.cbBuffer > 0 ? upstream.cbBuffer / in.nBlockAlign : in.nSamplesPerSec;
    const std::int64_t outFrames = inFrames * out.nSamplesPerSec / in.nSamplesPerSec + 256;
    request->cBuffers = std::max(request->cBuffers, 4);
    request->cbBuffer =
        std::max<std::int32_t>(request->cbBuffer, static_cast<std::int32_t>(outFrames * out.nBlockAlign));
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT AcmWrapper::StartStreaming()
{
    const WAVEFORMATEX& in = WaveOf(m_input->CurrentMediaType());
    const WAVEFORMATEX& out = WaveOf(m_output->CurrentMediaType());
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, in.nChannels);
    av_channel_layout_default(&outLayout, out.nChannels);
    SwrContext* context = nullptr;
    const int made = swr_alloc_set_opts2(
        &context, &outLayout, *SampleFormatOf(out.wBitsPerSample), static_cast<int>(out.nSamplesPerSec),
        &inLayout, *SampleFormatOf(in.wBitsPerSample), static_cast<int>(in.nSamplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    m_resampler.reset(context);
    if (made < 0 || swr_init(context) < 0) {
        m_resampler.reset();
        return E_FAIL;
    }
    m_inputBlock = in.nBlockAlign;
    m_outputBlock = out.nBlockAlign;
    return S_OK;
}

HRESULT AcmWrapper::StopStreaming()
{
    m_resampler.reset();
    return S_OK;
}

HRESULT AcmWrapper::Transform(IMediaSample* input, IMediaSample* output)
{
    if (!m_resampler)
        return E_UNEXPECTED;
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    if (Failed(input->GetPointer(&in)) || Failed(output->GetPointer(&out)))
        return E_POINTER;
    const int inFrames = input->GetActualDataLength() / m_inputBlock;
    const int capacity = output->GetSize() / m_outputBlock;
    const std::uint8_t* inPlanes[1] = {in};
    std::uint8_t* outPlanes[1] = {out};
    const int frames = swr_convert(m_resampler.get(), outPlanes, capacity, inPlanes, inFrames);
    if (frames < 0)
        return E_FAIL;
    (void)output->SetActualDataLength(frames * m_outputBlock);
    return S_OK;
}

} // namespace camtrove::media
