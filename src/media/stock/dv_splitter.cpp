#include "media/stock/dv_splitter.h"

#include "media/core/guids.h"
#include "media/core/media_sample.h"
#include "media/stock/dv_audio_resampler.h"
#include "media/stock/dv_dif.h"

#include <algorithm>
#include <cstring>

namespace camtrove::media {
namespace {

// Enough for the most samples any frame holds, also after resampling to a higher rate.
constexpr std::int32_t kAudioBufferBytes = 4096 * 4;

[[nodiscard]] AM_MEDIA_TYPE DvVideoType(bool is625)
{
    const std::size_t frameSize = DvFrameSizeOf(is625);
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = is625 ? kDvFrameTime625 : kDvFrameTime525;
    vih.dwBitRate = static_cast<std::uint32_t>(frameSize * 8 * 10'000'000 / vih.AvgTimePerFrame);
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = is625 ? 576 : 480;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    vih.bmiHeader.biSizeImage = static_cast<std::uint32_t>(frameSize);
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = static_cast<std::uint32_t>(frameSize);
    mt.SetFormat(FORMAT_VideoInfo, vih);
    return mt;
}

} // namespace

// ---- DvSplitterInputPin ----

DvSplitterInputPin::DvSplitterInputPin(DvSplitter* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseInputPin(QStringLiteral("DV splitter input pin"), filter, lock, result, QStringLiteral("Input")),
      m_splitter(filter)
{
}

HRESULT DvSplitterInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Interleaved || type.subtype != MEDIASUBTYPE_dvsd ||
        type.formattype != FORMAT_DvInfo || !type.FormatAs<DVINFO>())
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT DvSplitterInputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = TBCBaseInputPin::CompleteConnect(receivePin);
    if (Failed(hr))
        return hr;
    m_splitter->CreateOutputs(*m_mt.FormatAs<DVINFO>());
    return S_OK;
}

HRESULT DvSplitterInputPin::BreakConnect()
{
    m_splitter->RemoveOutputs();
    return TBCBaseInputPin::BreakConnect();
}

HRESULT DvSplitterInputPin::Receive(IMediaSample* sample)
{
    TBCAutoLock lock(&m_splitter->m_receiveLock);
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_splitter->ReceiveFrame(sample);
}

HRESULT DvSplitterInputPin::EndOfStream()
{
    TBCAutoLock lock(&m_splitter->m_receiveLock);
    for (DvSplitterOutputPin* output : m_splitter->m_outputs)
        if (output->IsConnected())
            (void)output->DeliverEndOfStream();
    return S_OK;
}

HRESULT DvSplitterInputPin::BeginFlush()
{
    (void)TBCBaseInputPin::BeginFlush();
    for (DvSplitterOutputPin* output : m_splitter->m_outputs)
        if (output->IsConnected())
            (void)output->DeliverBeginFlush();
    return S_OK;
}

HRESULT DvSplitterInputPin::EndFlush()
{
    for (DvSplitterOutputPin* output : m_splitter->m_outputs)
        if (output->IsConnected())
            (void)output->DeliverEndFlush();
    return TBCBaseInputPin::EndFlush();
}

HRESULT DvSplitterInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    (void)TBCBaseInputPin::NewSegment(start, stop, rate);
    for (DvSplitterOutputPin* output : m_splitter->m_outputs)
        if (output->IsConnected())
            (void)output->DeliverNewSegment(start, stop, rate);
    return S_OK;
}

HRESULT DvSplitterInputPin::Active()
{
    m_splitter->m_frameIndex = 0;
    for (DvSplitterOutputPin* output : m_splitter->m_outputs)
        output->ResetStream();
    return TBCBaseInputPin::Active();
}

// ---- DvSplitterOutputPin ----

DvSplitterOutputPin::DvSplitterOutputPin(DvSplitter* filter, TBCCritSec* lock, HRESULT* result, QString name,
                                         AM_MEDIA_TYPE type, int audioPair)
    : TBCBaseOutputPin(QStringLiteral("DV splitter output pin"), filter, lock, result, std::move(name)),
      m_type(std::move(type)), m_audioPair(audioPair)
{
    if (const auto* wfx = m_type.FormatAs<WAVEFORMATEX>(); wfx && IsAudio())
        m_rate = static_cast<int>(wfx->nSamplesPerSec);
}

DvSplitterOutputPin::~DvSplitterOutputPin() = default;

HRESULT DvSplitterOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type == m_type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvSplitterOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_type;
    return S_OK;
}

HRESULT DvSplitterOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max(request->cBuffers, IsAudio() ? 8 : 4);
    wanted.cbBuffer = std::max(request->cbBuffer,
                               IsAudio() ? kAudioBufferBytes : static_cast<std::int32_t>(m_type.lSampleSize));
    wanted.cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}

void DvSplitterOutputPin::ResetStream()
{
    m_resampler.reset();
}

HRESULT DvSplitterOutputPin::DeliverFrame(std::span<const std::uint8_t> frame, REFERENCE_TIME start,
                                          REFERENCE_TIME stop, IMediaSample* input, std::int64_t frameIndex)
{
    if (!IsAudio())
        return DeliverBytes(frame.data(), frame.size(), start, stop, input);

    const bool is625 = DvIs625(frame);
    m_pcm.clear();
    int rate = m_rate;
    if (DvDecodeAudioPair(frame, m_audioPair, m_pcm) > 0) {
        const auto source = DvFindAauxSource(frame, m_audioPair);
        const auto first = DvFindAauxSource(frame, 0);
        if (const auto format = DvAudioFormatOf(source ? *source : *first, is625))
            rate = format->sampleRate;
    } else {
        // A frame without this sound still lasts its time: silence keeps the sound in step.
        m_pcm.assign(2 * static_cast<std::size_t>(DvSamplesInFrame(frameIndex, m_rate, is625)), 0);
    }
    if (rate != m_rate || m_resampler) {
        if (!m_resampler)
            m_resampler = std::make_unique<DvAudioResampler>(m_rate);
        if (!m_resampler->Convert(m_pcm, rate))
            return E_FAIL;
    }
    return DeliverBytes(reinterpret_cast<const std::uint8_t*>(m_pcm.data()),
                        m_pcm.size() * sizeof(std::int16_t), start, stop, input);
}

HRESULT DvSplitterOutputPin::DeliverBytes(const std::uint8_t* data, std::size_t size, REFERENCE_TIME start,
                                          REFERENCE_TIME stop, IMediaSample* input)
{
    ComPtr<IMediaSample> sample;
    HRESULT hr = GetDeliveryBuffer(&sample, &start, &stop, 0);
    if (Failed(hr))
        return hr;
    std::uint8_t* to = nullptr;
    if (static_cast<std::size_t>(sample->GetSize()) < size || Failed(sample->GetPointer(&to)))
        return VFW_E_BUFFER_OVERFLOW;
    std::memcpy(to, data, size);
    (void)sample->SetActualDataLength(static_cast<std::int32_t>(size));
    (void)sample->SetTime(&start, &stop);
    (void)sample->SetSyncPoint(true);
    (void)sample->SetDiscontinuity(input->IsDiscontinuity() == S_OK);
    (void)sample->SetPreroll(input->IsPreroll() == S_OK);
    return Deliver(sample.Get());
}

// ---- DvSplitter ----

DvSplitter::DvSplitter() : TBCBaseFilter(QStringLiteral("DV Splitter"), &m_lock, CLSID_DVSplitter)
{
    HRESULT hr = S_OK;
    m_input = std::make_unique<DvSplitterInputPin>(this, &m_lock, &hr);
}

ComPtr<DvSplitter> DvSplitter::Create()
{
    return ComPtr<DvSplitter>(new DvSplitter());
}

int DvSplitter::GetPinCount()
{
    TBCAutoLock lock(&m_lock);
    return 1 + static_cast<int>(m_outputs.size());
}

TBCBasePin* DvSplitter::GetPin(int index)
{
    TBCAutoLock lock(&m_lock);
    if (index == 0)
        return m_input.get();
    if (index < 1 || index > static_cast<int>(m_outputs.size()))
        return nullptr;
    return m_outputs[static_cast<std::size_t>(index - 1)];
}

HRESULT DvSplitter::Stop()
{
    TBCAutoLock lock(&m_lock);
    if (m_state == State_Stopped)
        return S_OK;
    if (m_input->IsConnected())
        (void)m_input->Inactive();
    TBCAutoLock receiveLock(&m_receiveLock);
    for (DvSplitterOutputPin* output : m_outputs)
        if (output->IsConnected())
            (void)output->Inactive();
    m_state = State_Stopped;
    return S_OK;
}

void DvSplitter::CreateOutputs(const DVINFO& info)
{
    TBCAutoLock lock(&m_lock);
    RemoveOutputs();
    m_is625 = DvInfoIs625(info);
    HRESULT hr = S_OK;
    m_allOutputs.push_back(std::make_unique<DvSplitterOutputPin>(
        this, &m_lock, &hr, QStringLiteral("DVVidOut0"), DvVideoType(m_is625), -1));
    m_outputs.push_back(m_allOutputs.back().get());
    for (int pair = 0; pair < 2; ++pair) {
        const auto audio = DvInfoAudio(info, pair);
        if (!audio)
            break;
        m_allOutputs.push_back(std::make_unique<DvSplitterOutputPin>(
            this, &m_lock, &hr, QStringLiteral("AudOut0%1").arg(pair),
            MakePcmAudioType(static_cast<std::uint32_t>(audio->sampleRate), 16, 2), pair));
        m_outputs.push_back(m_allOutputs.back().get());
    }
    IncrementPinVersion();
}

void DvSplitter::RemoveOutputs()
{
    TBCAutoLock lock(&m_lock);
    if (m_outputs.empty())
        return;
    // Outputs of a former input type cannot stay connected to what they fed.
    for (DvSplitterOutputPin* output : m_outputs) {
        const ComPtr<IPin> peer(output->GetConnected());
        (void)output->Disconnect();
        if (peer)
            (void)peer->Disconnect();
    }
    m_outputs.clear();
    IncrementPinVersion();
}

HRESULT DvSplitter::ReceiveFrame(IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const std::span<const std::uint8_t> frame(data, static_cast<std::size_t>(sample->GetActualDataLength()));
    // A torn frame or one of the other line system cannot go out on outputs typed for this one.
    if (!DvFrameComplete(frame) || DvIs625(frame) != m_is625)
        return S_OK;
    const std::span<const std::uint8_t> whole = frame.first(DvFrameSizeOf(m_is625));

    const REFERENCE_TIME frameTime = m_is625 ? kDvFrameTime625 : kDvFrameTime525;
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    if (times != S_OK && times != VFW_S_NO_STOP_TIME)
        start = m_frameIndex * frameTime;
    if (times != S_OK)
        stop = start + frameTime;

    bool delivered = false;
    HRESULT firstFailure = S_OK;
    for (DvSplitterOutputPin* output : m_outputs) {
        if (!output->IsConnected())
            continue;
        const HRESULT hr = output->DeliverFrame(whole, start, stop, sample, m_frameIndex);
        if (Succeeded(hr))
            delivered = true;
        else if (firstFailure == S_OK)
            firstFailure = hr;
    }
    ++m_frameIndex;
    return delivered || firstFailure == S_OK ? S_OK : firstFailure;
}

} // namespace camtrove::media
