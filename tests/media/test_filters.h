#pragma once
// Small filters for building real graphs in tests: a source that pushes samples on its own
// thread, a sink that records what reaches it, in-place and copy transforms whose results the
// test chooses. Each appends its name to a shared log when its state changes.

#include "media/base/source_stream_pin.h"
#include "media/base/trans_in_place_filter.h"
#include "media/core/guids.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace camtrove::media::testing {

inline const GUID CLSID_TestSource = MakeGuid("6A1C0001-0000-4000-8000-00CA37120001");
inline const GUID CLSID_TestSink = MakeGuid("6A1C0001-0000-4000-8000-00CA37120002");
inline const GUID CLSID_TestInPlace = MakeGuid("6A1C0001-0000-4000-8000-00CA37120003");
inline const GUID CLSID_TestConverter = MakeGuid("6A1C0001-0000-4000-8000-00CA37120004");

struct StateLog
{
    std::mutex mutex;
    std::vector<QString> entries;
    void Add(const QString& entry)
    {
        std::lock_guard lock(mutex);
        entries.push_back(entry);
    }
};

class TestSource;

class TestSourcePin final : public SourceStreamPin
{
public:
    TestSourcePin(TestSource* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    TestSource* m_source;
};

// Pushes `count` samples (negative: until stopped) of `size` bytes, 40 ms apart, numbered in
// their first byte; sample 0 is a sync point and a discontinuity.
class TestSource final : public TBCBaseFilter
{
public:
    explicit TestSource(std::vector<AM_MEDIA_TYPE> types, int count = -1, int size = 100)
        : TBCBaseFilter(QStringLiteral("Test source"), &m_lock, CLSID_TestSource), m_types(std::move(types)),
          m_count(count), m_size(size)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<TestSourcePin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    HRESULT Stop() override
    {
        if (m_log)
            m_log->Add(QStringLiteral("stop ") + ObjectName());
        return TBCBaseFilter::Stop();
    }
    HRESULT Pause() override
    {
        TBCAutoLock lock(&m_lock);
        if (m_restartEachRun && IsStopped())
            m_delivered = 0; // before the streaming thread starts
        return TBCBaseFilter::Pause();
    }
    TestSourcePin* Pin() { return m_pin.get(); }

    std::vector<AM_MEDIA_TYPE> m_types;
    int m_count;
    int m_size;
    int m_buffers = 3;
    bool m_readOnly = false;
    bool m_timed = true;
    bool m_restartEachRun = false; // numbers and times start again at 0 when the source leaves stopped
    // Fills a sample's data instead of the sample number, when given.
    std::function<void(std::uint8_t* data, int size, int index)> m_fill;
    int m_delivered = 0; // streaming thread only
    StateLog* m_log = nullptr;

private:
    TBCCritSec m_lock;
    std::unique_ptr<TestSourcePin> m_pin;
};

inline TestSourcePin::TestSourcePin(TestSource* filter, TBCCritSec* lock, HRESULT* hr)
    : SourceStreamPin(QStringLiteral("Test source pin"), filter, lock, hr, QStringLiteral("Out")),
      m_source(filter)
{
}

inline HRESULT TestSourcePin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    for (const auto& offered : m_source->m_types)
        if (offered == type)
            return S_OK;
    return S_FALSE;
}

inline HRESULT TestSourcePin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position >= static_cast<int>(m_source->m_types.size()))
        return VFW_S_NO_MORE_ITEMS;
    *type = m_source->m_types[static_cast<std::size_t>(position)];
    return S_OK;
}

inline HRESULT TestSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = std::max(request->cBuffers, m_source->m_buffers);
    request->cbBuffer = std::max(request->cbBuffer, m_source->m_size);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= m_source->m_size ? S_OK : E_FAIL;
}

// In read-only mode the source keeps its own pool and tells the input its buffers are read-only.
inline HRESULT TestSourcePin::DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator)
{
    if (!m_source->m_readOnly)
        return SourceStreamPin::DecideAllocator(pin, allocator);
    HRESULT hr = InitAllocator(allocator);
    ALLOCATOR_PROPERTIES request;
    if (Succeeded(hr))
        hr = DecideBufferSize(allocator->Get(), &request);
    if (Succeeded(hr))
        hr = pin->NotifyAllocator(allocator->Get(), true);
    if (Failed(hr))
        allocator->Reset();
    return hr;
}

inline HRESULT TestSourcePin::FillBuffer(IMediaSample* sample)
{
    const int index = m_source->m_delivered;
    if (m_source->m_count >= 0 && index >= m_source->m_count)
        return S_FALSE;
    ++m_source->m_delivered;
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    if (m_source->m_fill)
        m_source->m_fill(data, m_source->m_size, index);
    else
        std::fill(data, data + m_source->m_size, static_cast<std::uint8_t>(index));
    (void)sample->SetActualDataLength(m_source->m_size);
    const REFERENCE_TIME start = index * 400000LL, stop = start + 400000;
    (void)sample->SetTime(m_source->m_timed ? &start : nullptr, m_source->m_timed ? &stop : nullptr);
    const std::int64_t mediaStart = index, mediaStop = index + 1;
    (void)sample->SetMediaTime(&mediaStart, &mediaStop);
    (void)sample->SetSyncPoint(index == 0);
    (void)sample->SetDiscontinuity(index == 0);
    return S_OK;
}

struct ReceivedSample
{
    int number;
    std::int32_t length;
    REFERENCE_TIME start;
    bool sync;
    bool discontinuity;
    bool hasMediaTime;
};

class TestSink;

class TestSinkPin final : public TBCBaseInputPin
{
public:
    TestSinkPin(TestSink* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    TestSink* m_sink;
};

// Accepts the types `accepts` admits (all when empty), records samples and end-of-stream.
class TestSink final : public TBCBaseFilter
{
public:
    explicit TestSink(std::function<bool(const AM_MEDIA_TYPE&)> accepts = {},
                      std::vector<AM_MEDIA_TYPE> preferred = {})
        : TBCBaseFilter(QStringLiteral("Test sink"), &m_lock, CLSID_TestSink), m_accepts(std::move(accepts)),
          m_preferred(std::move(preferred))
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<TestSinkPin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    HRESULT Stop() override
    {
        if (m_log)
            m_log->Add(QStringLiteral("stop ") + ObjectName());
        return TBCBaseFilter::Stop();
    }
    TestSinkPin* Pin() { return m_pin.get(); }

    void Record(IMediaSample* sample)
    {
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        REFERENCE_TIME start = -1, stop = -1;
        (void)sample->GetTime(&start, &stop);
        std::int64_t ms = 0, me = 0;
        const ReceivedSample received{sample->GetActualDataLength() > 0 ? data[0] : -1,
                                      sample->GetActualDataLength(),
                                      start,
                                      sample->IsSyncPoint() == S_OK,
                                      sample->IsDiscontinuity() == S_OK,
                                      sample->GetMediaTime(&ms, &me) == S_OK};
        {
            std::lock_guard lock(m_recordMutex);
            m_samples.push_back(received);
            m_lastData.assign(data, data + std::max(received.length, 0));
        }
        m_changed.notify_all();
    }
    std::vector<std::uint8_t> LastData()
    {
        std::lock_guard lock(m_recordMutex);
        return m_lastData;
    }
    void RecordEndOfStream()
    {
        {
            std::lock_guard lock(m_recordMutex);
            ++m_endOfStreams;
        }
        m_changed.notify_all();
    }
    // Waits (bounded) until the predicate over the records holds.
    bool WaitUntil(const std::function<bool(const std::vector<ReceivedSample>&, int)>& done)
    {
        std::unique_lock lock(m_recordMutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return done(m_samples, m_endOfStreams); });
    }
    std::vector<ReceivedSample> Samples()
    {
        std::lock_guard lock(m_recordMutex);
        return m_samples;
    }
    int EndOfStreams()
    {
        std::lock_guard lock(m_recordMutex);
        return m_endOfStreams;
    }

    std::function<bool(const AM_MEDIA_TYPE&)> m_accepts;
    std::vector<AM_MEDIA_TYPE> m_preferred;
    StateLog* m_log = nullptr;

private:
    TBCCritSec m_lock;
    std::unique_ptr<TestSinkPin> m_pin;
    std::mutex m_recordMutex;
    std::condition_variable m_changed;
    std::vector<ReceivedSample> m_samples;
    std::vector<std::uint8_t> m_lastData;
    int m_endOfStreams = 0;
};

inline TestSinkPin::TestSinkPin(TestSink* filter, TBCCritSec* lock, HRESULT* hr)
    : TBCBaseInputPin(QStringLiteral("Test sink pin"), filter, lock, hr, QStringLiteral("In")), m_sink(filter)
{
}

inline HRESULT TestSinkPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return !m_sink->m_accepts || m_sink->m_accepts(type) ? S_OK : S_FALSE;
}

inline HRESULT TestSinkPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position >= static_cast<int>(m_sink->m_preferred.size()))
        return VFW_S_NO_MORE_ITEMS;
    *type = m_sink->m_preferred[static_cast<std::size_t>(position)];
    return S_OK;
}

inline HRESULT TestSinkPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    m_sink->Record(sample);
    return S_OK;
}

inline HRESULT TestSinkPin::EndOfStream()
{
    m_sink->RecordEndOfStream();
    return S_OK;
}

// An in-place transform over video whose Transform answers what `result` says for each sample.
class TestInPlace final : public TBCTransInPlaceFilter
{
public:
    explicit TestInPlace(bool modifiesData = false, QString name = QStringLiteral("Test in-place"))
        : TBCTransInPlaceFilter(std::move(name), CLSID_TestInPlace, modifiesData)
    {
    }

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
    }
    HRESULT Transform(IMediaSample* sample) override
    {
        ++m_transforms;
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        return m_result ? m_result(data[0]) : S_OK;
    }
    HRESULT StartStreaming() override
    {
        ++m_starts;
        return m_startResult;
    }
    HRESULT StopStreaming() override
    {
        ++m_stops;
        return S_OK;
    }
    HRESULT Stop() override
    {
        if (m_log)
            m_log->Add(QStringLiteral("stop ") + ObjectName());
        return TBCTransInPlaceFilter::Stop();
    }

    std::function<HRESULT(int)> m_result;
    HRESULT m_startResult = S_OK;
    int m_transforms = 0;
    int m_starts = 0;
    int m_stops = 0;
    StateLog* m_log = nullptr;
};

// A copy transform from YUY2 to RGB24 of the same size; Transform answers what `result` says.
class TestConverter final : public TBCTransformFilter
{
public:
    TestConverter() : TBCTransformFilter(QStringLiteral("Test converter"), CLSID_TestConverter) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_YUY2 &&
                       type.FormatAs<VIDEOINFOHEADER>()
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override
    {
        if (CheckInputType(input) != S_OK || output.subtype != MEDIASUBTYPE_RGB24)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        const auto* vih = m_input->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
        *type = MakeVideoType(MEDIASUBTYPE_RGB24, vih->bmiHeader.biWidth, vih->bmiHeader.biHeight,
                              vih->AvgTimePerFrame);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max(request->cBuffers, 2);
        request->cbBuffer = static_cast<std::int32_t>(m_output->CurrentMediaType().lSampleSize);
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }
    HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE&) override
    {
        m_setTypeDirections.push_back(direction);
        return S_OK;
    }
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override
    {
        std::uint8_t* in = nullptr;
        std::uint8_t* out = nullptr;
        (void)input->GetPointer(&in);
        (void)output->GetPointer(&out);
        out[0] = in[0];
        (void)output->SetActualDataLength(output->GetSize());
        return m_result ? m_result(in[0]) : S_OK;
    }

    std::function<HRESULT(int)> m_result;
    std::vector<PIN_DIRECTION> m_setTypeDirections;
};

// A reference clock that moves only when the test moves it.
class TestClock final : public RefCounted, public IReferenceClock
{
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IReferenceClock)
            return E_NOINTERFACE;
        *object = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT GetTime(REFERENCE_TIME* time) override
    {
        *time = m_now.load();
        return S_OK;
    }
    void Advance(REFERENCE_TIME by) { m_now += by; }
    [[nodiscard]] REFERENCE_TIME Now() const { return m_now.load(); }

private:
    std::atomic<REFERENCE_TIME> m_now{1'000'000'000};
};

// Every pending event of the graph.
inline std::vector<std::int32_t> DrainEvents(IMediaEventEx* events)
{
    std::vector<std::int32_t> codes;
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK)
        codes.push_back(code);
    return codes;
}

inline ComPtr<IPin> PinOf(TBCBaseFilter* filter, int index)
{
    return ComPtr<IPin>(filter->GetPin(index));
}

} // namespace camtrove::media::testing
