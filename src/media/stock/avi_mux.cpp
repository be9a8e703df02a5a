#include "media/stock/avi_mux.h"

#include "media/core/graph_interfaces.h"
#include "media/stock/file_writer.h"

#include <algorithm>
#include <cstring>

namespace camtrove::media {

namespace {

constexpr std::int32_t kDeliveryBufferSize = 1 << 20;
constexpr std::int32_t kDeliveryBuffers = 2;
// Held for interleaving at most; past it the earliest chunk goes out even if a stream lags.
constexpr std::size_t kMaxPendingBytes = 64u << 20;

// Results that mean the graph is stopping under a sample, not that the file failed.
bool IsStopping(HRESULT hr)
{
    return hr == VFW_E_WRONG_STATE || hr == VFW_E_NOT_COMMITTED;
}

} // namespace

// ---- AviMuxInputPin ----

AviMuxInputPin::AviMuxInputPin(AviMux* filter, TBCCritSec* lock, HRESULT* result, int number)
    : TBCBaseInputPin(QStringLiteral("AVI mux input pin"), filter, lock, result,
                      QStringLiteral("Input %1").arg(number, 2, 10, QLatin1Char('0'))),
      m_mux(filter), m_number(number)
{
}

HRESULT AviMuxInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return DescribeAviStream(type) ? S_OK : S_FALSE;
}

HRESULT AviMuxInputPin::GetMediaType(int position, AM_MEDIA_TYPE*)
{
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT AviMuxInputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = TBCBaseInputPin::CompleteConnect(receivePin);
    if (Failed(hr))
        return hr;
    m_mux->KeepOneFreeInput(nullptr, this);
    return S_OK;
}

HRESULT AviMuxInputPin::BreakConnect()
{
    const HRESULT hr = TBCBaseInputPin::BreakConnect();
    if (IsConnected())
        m_mux->KeepOneFreeInput(this);
    return hr;
}

HRESULT AviMuxInputPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_mux->WriteSample(this, sample);
}

HRESULT AviMuxInputPin::EndOfStream()
{
    if (IsPinActive() && !IsFlushing())
        m_mux->EndStream(this);
    return S_OK;
}

// ---- AviMuxOutputPin ----

AviMuxOutputPin::AviMuxOutputPin(AviMux* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseOutputPin(QStringLiteral("AVI mux output pin"), filter, lock, result, QStringLiteral("AVI Out"))
{
}

HRESULT AviMuxOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type.majortype == MEDIATYPE_Stream && type.subtype == MEDIASUBTYPE_Avi ? S_OK : S_FALSE;
}

HRESULT AviMuxOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = AM_MEDIA_TYPE{};
    type->majortype = MEDIATYPE_Stream;
    type->subtype = MEDIASUBTYPE_Avi;
    type->formattype = FORMAT_None;
    return S_OK;
}

HRESULT AviMuxOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = std::max(request->cBuffers, kDeliveryBuffers);
    request->cbBuffer = std::max(request->cbBuffer, kDeliveryBufferSize);
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer > 0 && actual.cBuffers > 0 ? S_OK : E_FAIL;
}

// ---- AviMux ----

AviMux::AviMux() : TBCBaseFilter(QStringLiteral("AVI Mux"), &m_lock, CLSID_AviDest)
{
    HRESULT hr = S_OK;
    m_output = std::make_unique<AviMuxOutputPin>(this, &m_lock, &hr);
    KeepOneFreeInput();
}

AviMux::~AviMux() = default;

ComPtr<AviMux> AviMux::Create()
{
    return ComPtr<AviMux>(new AviMux());
}

HRESULT AviMux::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IConfigInterleaving)
        return GetInterface(static_cast<IConfigInterleaving*>(this), object);
    if (iid == IAviMuxSettings::Iid)
        return GetInterface(static_cast<IAviMuxSettings*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int AviMux::GetPinCount()
{
    TBCAutoLock lock(&m_lock);
    return 1 + static_cast<int>(m_inputs.size());
}

TBCBasePin* AviMux::GetPin(int index)
{
    TBCAutoLock lock(&m_lock);
    if (index == 0)
        return m_output.get();
    if (index < 1 || index > static_cast<int>(m_inputs.size()))
        return nullptr;
    return m_inputs[static_cast<std::size_t>(index - 1)];
}

// Connected inputs keep their places; of the free ones only the last stays.
void AviMux::KeepOneFreeInput(AviMuxInputPin* leaving, AviMuxInputPin* joining)
{
    TBCAutoLock lock(&m_lock);
    bool changed = false;
    if (joining && std::find(m_inputs.begin(), m_inputs.end(), joining) == m_inputs.end()) {
        const auto place = std::find_if(m_inputs.begin(), m_inputs.end(), [joining](AviMuxInputPin* pin) {
            return pin->Number() > joining->Number();
        });
        m_inputs.insert(place, joining);
        changed = true;
    }
    const auto isFree = [leaving](AviMuxInputPin* pin) { return pin == leaving || !pin->IsConnected(); };
    std::vector<AviMuxInputPin*> kept;
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        if (!isFree(m_inputs[i]) || i + 1 == m_inputs.size())
            kept.push_back(m_inputs[i]);
    changed = changed || kept.size() != m_inputs.size();
    if (kept.empty() || !isFree(kept.back())) {
        HRESULT hr = S_OK;
        auto pin = std::make_unique<AviMuxInputPin>(this, &m_lock, &hr, m_nextInputNumber++);
        kept.push_back(pin.get());
        m_allInputs.push_back(std::move(pin));
        changed = true;
    }
    m_inputs = std::move(kept);
    if (changed)
        IncrementPinVersion();
}

HRESULT AviMux::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped()) {
        const HRESULT hr = StartFile();
        if (Failed(hr))
            return hr;
    }
    return TBCBaseFilter::Pause();
}

HRESULT AviMux::Stop()
{
    TBCAutoLock lock(&m_lock);
    const bool wasActive = !IsStopped();
    const HRESULT stopped = TBCBaseFilter::Stop();
    const HRESULT finished = wasActive ? FinishFile() : S_OK;
    return Failed(finished) ? finished : stopped;
}

HRESULT AviMux::StartFile()
{
    if (!m_output->IsConnected())
        return S_OK;
    std::vector<AviStreamFormat> formats;
    std::vector<AviMuxInputPin*> inputs;
    for (AviMuxInputPin* pin : m_inputs) {
        if (!pin->IsConnected())
            continue;
        auto format = DescribeAviStream(pin->CurrentMediaType());
        if (!format)
            return VFW_E_TYPE_NOT_ACCEPTED;
        pin->m_stream = formats.size();
        pin->m_ended = false;
        formats.push_back(std::move(*format));
        inputs.push_back(pin);
    }
    ComPtr<IStream> stream = QueryAs<IStream>(static_cast<IUnknown*>(m_output->GetConnected()));
    if (!stream)
        return E_NOINTERFACE; // without it the header could never be completed
    std::lock_guard writeLock(m_writeMutex);
    m_stream = stream;
    m_runMode = m_mode.load();
    m_pending.assign(inputs.size(), {});
    m_lastTime.assign(inputs.size(), 0);
    m_pendingBytes = 0;
    m_runInputs = std::move(inputs);
    m_failureReported = false;
    AviByteSink& sink = *this;
    m_builder = std::make_unique<AviFileBuilder>(std::move(formats), m_segmentSize, sink);
    const HRESULT hr = m_builder->Start();
    if (Failed(hr)) {
        m_builder.reset();
        m_stream.Reset();
    }
    return hr;
}

HRESULT AviMux::FinishFile()
{
    std::unique_ptr<AviFileBuilder> builder;
    {
        std::lock_guard writeLock(m_writeMutex);
        if (m_builder)
            (void)WritePending(true); // a failure stays in the builder and comes back from Finish
        builder = std::move(m_builder);
        m_runInputs.clear();
        m_pending.clear();
        m_pendingBytes = 0;
    }
    if (!builder)
        return S_OK;
    const HRESULT hr = builder->Finish();
    m_stream.Reset();
    if (Failed(hr) && !IsStopping(hr)) {
        ReportFailure(hr);
        return hr;
    }
    return S_OK;
}

HRESULT AviMux::WriteSample(AviMuxInputPin* pin, IMediaSample* sample)
{
    std::lock_guard writeLock(m_writeMutex);
    if (!m_builder)
        return VFW_E_WRONG_STATE;
    if (Failed(m_builder->Failure()))
        return m_builder->Failure();
    std::uint8_t* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (Failed(hr))
        return hr;
    const std::span<const std::uint8_t> bytes(
        data, static_cast<std::size_t>(std::max(0, sample->GetActualDataLength())));
    const bool keyFrame = sample->IsSyncPoint() == S_OK;
    if (m_runMode == INTERLEAVE_FULL) {
        REFERENCE_TIME start = 0, stop = 0;
        const HRESULT times = sample->GetTime(&start, &stop);
        REFERENCE_TIME& last = m_lastTime[pin->m_stream];
        if (times == S_OK || times == VFW_S_NO_STOP_TIME)
            last = start;
        m_pending[pin->m_stream].push_back(
            {last, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), keyFrame});
        m_pendingBytes += bytes.size();
        hr = WritePending(false);
    } else {
        hr = m_builder->AddChunk(pin->m_stream, bytes, keyFrame);
    }
    if (Failed(hr) && !IsStopping(hr))
        ReportFailure(hr);
    return hr;
}

HRESULT AviMux::WritePending(bool everything)
{
    for (;;) {
        std::size_t next = m_pending.size();
        for (std::size_t i = 0; i < m_pending.size(); ++i)
            if (!m_pending[i].empty() &&
                (next == m_pending.size() || m_pending[i].front().time < m_pending[next].front().time))
                next = i;
        if (next == m_pending.size())
            return S_OK;
        // A stream that still delivers and has nothing held may yet send something earlier.
        const bool waiting = std::any_of(m_runInputs.begin(), m_runInputs.end(), [this](AviMuxInputPin* p) {
            return !p->m_ended && m_pending[p->m_stream].empty();
        });
        if (!everything && waiting && m_pendingBytes <= kMaxPendingBytes)
            return S_OK;
        PendingChunk chunk = std::move(m_pending[next].front());
        m_pending[next].pop_front();
        m_pendingBytes -= chunk.data.size();
        const HRESULT hr = m_builder->AddChunk(next, chunk.data, chunk.keyFrame);
        if (Failed(hr))
            return hr;
    }
}

void AviMux::EndStream(AviMuxInputPin* pin)
{
    std::lock_guard writeLock(m_writeMutex);
    if (!m_builder)
        return;
    pin->m_ended = true;
    const bool allEnded =
        std::all_of(m_runInputs.begin(), m_runInputs.end(), [](AviMuxInputPin* p) { return p->m_ended; });
    const HRESULT hr = WritePending(allEnded);
    if (Failed(hr) && !IsStopping(hr))
        ReportFailure(hr);
    if (allEnded)
        (void)m_output->DeliverEndOfStream();
}

void AviMux::ReportFailure(HRESULT hr)
{
    if (!m_failureReported.exchange(true))
        (void)NotifyEvent(EC_ERRORABORT, hr, 0);
}

HRESULT AviMux::WriteChunk(std::uint64_t position, std::span<const std::uint8_t> header,
                           std::span<const std::uint8_t> payload, bool pad)
{
    const std::uint8_t zero = 0;
    const std::span<const std::uint8_t> parts[3] = {
        header, payload, pad ? std::span(&zero, 1) : std::span<const std::uint8_t>()};
    std::size_t part = 0, offset = 0;
    // What the sink no longer takes as samples because it is stopping goes through its byte
    // stream, so a frame that arrives while the graph stops is not lost.
    const auto writeRestThroughStream = [&]() -> HRESULT {
        for (; part < 3; ++part, offset = 0) {
            const auto rest = parts[part].subspan(offset);
            if (rest.empty())
                continue;
            const HRESULT hr = WriteAt(position, rest);
            if (Failed(hr))
                return hr;
            position += rest.size();
        }
        return S_OK;
    };
    while (part < 3) {
        if (!m_output->IsPinActive())
            return writeRestThroughStream();
        ComPtr<IMediaSample> sample;
        HRESULT hr = m_output->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (IsStopping(hr))
            return writeRestThroughStream();
        if (Failed(hr))
            return hr;
        std::uint8_t* buffer = nullptr;
        hr = sample->GetPointer(&buffer);
        if (Failed(hr))
            return hr;
        const std::size_t partBefore = part, offsetBefore = offset;
        const auto capacity = static_cast<std::size_t>(sample->GetSize());
        std::size_t filled = 0;
        while (part < 3 && filled < capacity) {
            const std::size_t n = std::min(capacity - filled, parts[part].size() - offset);
            if (n > 0)
                std::memcpy(buffer + filled, parts[part].data() + offset, n);
            filled += n;
            offset += n;
            if (offset == parts[part].size()) {
                ++part;
                offset = 0;
            }
        }
        (void)sample->SetActualDataLength(static_cast<std::int32_t>(filled));
        const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(position);
        const REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(filled);
        (void)sample->SetTime(&start, &stop);
        (void)sample->SetSyncPoint(true);
        hr = m_output->Deliver(sample.Get());
        if (IsStopping(hr)) {
            part = partBefore;
            offset = offsetBefore;
            return writeRestThroughStream();
        }
        if (Failed(hr))
            return hr;
        position += filled;
    }
    return S_OK;
}

HRESULT AviMux::WriteAt(std::uint64_t position, std::span<const std::uint8_t> bytes)
{
    if (!m_stream)
        return E_UNEXPECTED;
    HRESULT hr = m_stream->Seek(static_cast<std::int64_t>(position), STREAM_SEEK_SET, nullptr);
    if (Failed(hr))
        return hr;
    std::uint32_t written = 0;
    hr = m_stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    if (Succeeded(hr) && written != bytes.size())
        return E_DISK_FULL;
    return hr;
}

HRESULT AviMux::Truncate(std::uint64_t size)
{
    return m_stream ? m_stream->SetSize(size) : E_UNEXPECTED;
}

HRESULT AviMux::put_Mode(InterleavingMode mode)
{
    if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED)
        return E_INVALIDARG;
    m_mode = mode;
    return S_OK;
}

HRESULT AviMux::get_Mode(InterleavingMode* mode)
{
    if (!mode)
        return E_POINTER;
    *mode = m_mode.load();
    return S_OK;
}

HRESULT AviMux::put_Interleaving(const REFERENCE_TIME* leaving, const REFERENCE_TIME* preroll)
{
    TBCAutoLock lock(&m_lock);
    if (leaving)
        m_interleave = *leaving;
    if (preroll)
        m_preroll = *preroll;
    return S_OK;
}

HRESULT AviMux::get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll)
{
    TBCAutoLock lock(&m_lock);
    if (leaving)
        *leaving = m_interleave;
    if (preroll)
        *preroll = m_preroll;
    return S_OK;
}

HRESULT AviMux::put_SegmentSize(std::uint64_t bytes)
{
    if (bytes == 0)
        return E_INVALIDARG;
    TBCAutoLock lock(&m_lock);
    m_segmentSize = bytes;
    return S_OK;
}

HRESULT AviMux::get_SegmentSize(std::uint64_t* bytes)
{
    if (!bytes)
        return E_POINTER;
    TBCAutoLock lock(&m_lock);
    *bytes = m_segmentSize;
    return S_OK;
}

} // namespace camtrove::media
