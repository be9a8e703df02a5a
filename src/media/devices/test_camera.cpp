#include "media/devices/test_camera.h"

#include "media/core/filter_graph.h"
#include "media/devices/test_crossbar.h"

#include <cstdlib>
#include <cstring>

namespace camtrove::media {

namespace {

constexpr REFERENCE_TIME kFastestFrame = 166'666;    // 60 frames a second
constexpr REFERENCE_TIME kSlowestFrame = 10'000'000; // one frame a second

// The camera's variant of a type it could give, when it can: known subtype and size, a frame
// duration within range (0 takes the listed one), a buffer large enough for the picture.
std::optional<AM_MEDIA_TYPE> CameraTypeFor(const AM_MEDIA_TYPE& asked)
{
    const auto* vih = asked.FormatAs<VIDEOINFOHEADER>();
    if (asked.majortype != MEDIATYPE_Video || asked.formattype != FORMAT_VideoInfo || !vih)
        return std::nullopt;
    for (const auto& format : TestCameraFormats()) {
        const auto* listed = format.FormatAs<VIDEOINFOHEADER>();
        if (asked.subtype != format.subtype || vih->bmiHeader.biWidth != listed->bmiHeader.biWidth ||
            std::abs(vih->bmiHeader.biHeight) != listed->bmiHeader.biHeight)
            continue;
        if (asked.subtype == MEDIASUBTYPE_YUY2 && vih->bmiHeader.biHeight < 0)
            return std::nullopt;
        const REFERENCE_TIME duration =
            vih->AvgTimePerFrame == 0 ? listed->AvgTimePerFrame : vih->AvgTimePerFrame;
        if (duration < kFastestFrame || duration > kSlowestFrame)
            return std::nullopt;
        AM_MEDIA_TYPE type =
            MakeVideoType(asked.subtype, vih->bmiHeader.biWidth, vih->bmiHeader.biHeight, duration);
        return type;
    }
    return std::nullopt;
}

TestPatternKind KindOfInput(std::int32_t input)
{
    switch (input) {
    case 1:
        return TestPatternKind::Gradient;
    case 2:
        return TestPatternKind::Checkerboard;
    default:
        return TestPatternKind::ColourBars;
    }
}

// The analog input: only a crossbar's decoder output connects here.
class AnalogInputPin final : public TBCBaseInputPin, public IKsPropertySet
{
public:
    AnalogInputPin(TBCBaseFilter* filter, TBCCritSec* lock)
        : TBCBaseInputPin(QStringLiteral("Analog Video In"), filter, lock, nullptr,
                          QStringLiteral("Analog Video In"))
    {
    }
    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (iid == IID_IKsPropertySet) {
            *object = static_cast<IKsPropertySet*>(this);
            AddRef();
            return S_OK;
        }
        return TBCBaseInputPin::NonDelegatingQueryInterface(iid, object);
    }
    HRESULT Get(const GUID& propertySet, std::uint32_t id, void* data, std::uint32_t size,
                std::uint32_t* returned) override
    {
        if (propertySet != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY)
            return E_PROP_ID_UNSUPPORTED;
        if (!data || size < sizeof(GUID))
            return E_POINTER;
        std::memcpy(data, &PIN_CATEGORY_ANALOGVIDEOIN, sizeof(GUID));
        if (returned)
            *returned = sizeof(GUID);
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_AnalogVideo ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Receive(IMediaSample*) override { return S_OK; }
};

} // namespace

const std::vector<AM_MEDIA_TYPE>& TestCameraFormats()
{
    static const std::vector<AM_MEDIA_TYPE> formats = {
        MakeVideoType(MEDIASUBTYPE_RGB24, 320, 240, 400'000),
        MakeVideoType(MEDIASUBTYPE_RGB24, 640, 480, 400'000),
        MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 400'000),
        MakeVideoType(MEDIASUBTYPE_YUY2, 640, 480, 400'000),
        MakeVideoType(MEDIASUBTYPE_RGB24, 160, 120, 333'333),
    };
    return formats;
}

TestCameraStreamPin::TestCameraStreamPin(TestCamera* camera, TBCCritSec* lock, QString name,
                                         const GUID& category)
    : FormatListPin(name, camera, lock, name, category), m_camera(camera)
{
}

HRESULT TestCameraStreamPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMDroppedFrames && Category() == PIN_CATEGORY_CAPTURE) {
        *object = static_cast<IAMDroppedFrames*>(this);
        AddRef();
        return S_OK;
    }
    return FormatListPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TestCameraStreamPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    if (m_camera->FailsToAttach())
        return VFW_E_TYPE_NOT_ACCEPTED;
    return FormatListPin::CheckMediaType(type);
}

const std::vector<AM_MEDIA_TYPE>& TestCameraStreamPin::Formats() const
{
    return TestCameraFormats();
}

std::optional<AM_MEDIA_TYPE> TestCameraStreamPin::TypeFor(const AM_MEDIA_TYPE& asked) const
{
    return CameraTypeFor(asked);
}

HRESULT TestCameraStreamPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto* vih = CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    if (!vih)
        return VFW_E_INVALIDMEDIATYPE;
    request->cBuffers = std::max(request->cBuffers, 3);
    request->cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(vih->bmiHeader.biSizeImage));
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT TestCameraStreamPin::Active()
{
    m_frame = 0;
    m_runStarted = false;
    m_dropped = 0;
    m_notDropped = 0;
    m_bytes = 0;
    return LiveSourcePin::Active();
}

HRESULT TestCameraStreamPin::FillBuffer(IMediaSample* sample)
{
    const AM_MEDIA_TYPE& type = CurrentMediaType();
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (!vih)
        return VFW_E_INVALIDMEDIATYPE;
    const REFERENCE_TIME period = vih->AvgTimePerFrame;
    REFERENCE_TIME start = 0;
    std::int64_t skipped = 0;
    if (!WaitForNextPeriod(period, &start, &skipped))
        return S_FALSE;
    m_frame += skipped;
    m_dropped += static_cast<std::int32_t>(skipped);

    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const auto size = static_cast<std::int32_t>(vih->bmiHeader.biSizeImage);
    if (sample->GetSize() < size ||
        !DrawTestPattern(vih->bmiHeader, type.subtype, m_camera->PatternKind(), m_frame, m_camera->Controls(),
                         {data, static_cast<std::size_t>(sample->GetSize())}))
        return VFW_E_BUFFER_OVERFLOW;
    (void)sample->SetActualDataLength(size);
    const REFERENCE_TIME stop = start + period;
    (void)sample->SetTime(&start, &stop);
    const std::int64_t mediaStart = m_frame, mediaStop = m_frame + 1;
    (void)sample->SetMediaTime(&mediaStart, &mediaStop);
    (void)sample->SetSyncPoint(true);
    (void)sample->SetDiscontinuity(!m_runStarted || skipped > 0);
    m_runStarted = true;
    ++m_frame;
    ++m_notDropped;
    m_bytes += size;
    return S_OK;
}

HRESULT TestCameraStreamPin::GetNumDropped(std::int32_t* dropped)
{
    if (!dropped)
        return E_POINTER;
    *dropped = m_dropped.load();
    return S_OK;
}

HRESULT TestCameraStreamPin::GetNumNotDropped(std::int32_t* notDropped)
{
    if (!notDropped)
        return E_POINTER;
    *notDropped = m_notDropped.load();
    return S_OK;
}

HRESULT TestCameraStreamPin::GetAverageFrameSize(std::int32_t* averageSize)
{
    if (!averageSize)
        return E_POINTER;
    const std::int32_t frames = m_notDropped.load();
    *averageSize = frames > 0 ? static_cast<std::int32_t>(m_bytes.load() / frames) : 0;
    return S_OK;
}

ComPtr<TestCamera> TestCamera::Create(bool failsToAttach)
{
    return ComPtr<TestCamera>(new TestCamera(failsToAttach));
}

TestCamera::TestCamera(bool failsToAttach)
    : TBCBaseFilter(QStringLiteral("Camtrove Test Camera"), &m_lock, CLSID_TestCamera),
      m_failsToAttach(failsToAttach)
{
    m_pins[0] =
        std::make_unique<TestCameraStreamPin>(this, &m_lock, QStringLiteral("Capture"), PIN_CATEGORY_CAPTURE);
    m_pins[1] =
        std::make_unique<TestCameraStreamPin>(this, &m_lock, QStringLiteral("Preview"), PIN_CATEGORY_PREVIEW);
    m_pins[2] = std::make_unique<AnalogInputPin>(this, &m_lock);
}

TestCamera::~TestCamera() = default;

HRESULT TestCamera::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMVideoProcAmp)
        return GetInterface(static_cast<IAMVideoProcAmp*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

TBCBasePin* TestCamera::GetPin(int index)
{
    return index >= 0 && index < GetPinCount() ? m_pins[static_cast<std::size_t>(index)].get() : nullptr;
}

HRESULT TestCamera::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped()) {
        // The streaming threads read the route through this pointer; it stays until they are joined.
        m_crossbar.Reset();
        if (IPin* peer = m_pins[2]->GetConnected())
            if (const auto upstream = FilterOf(peer))
                m_crossbar = QueryAs<IAMCrossbar>(upstream);
    }
    return TBCBaseFilter::Pause();
}

HRESULT TestCamera::Stop()
{
    TBCAutoLock lock(&m_lock);
    const HRESULT hr = TBCBaseFilter::Stop();
    m_crossbar.Reset();
    return hr;
}

TestPatternKind TestCamera::PatternKind() const
{
    std::int32_t input = 0;
    if (m_crossbar && Failed(m_crossbar->get_IsRoutedTo(0, &input)))
        input = 0;
    return KindOfInput(input);
}

PictureControls TestCamera::Controls() const
{
    return {m_brightness.load(std::memory_order_relaxed), m_contrast.load(std::memory_order_relaxed),
            m_saturation.load(std::memory_order_relaxed)};
}

namespace {
struct ControlRange
{
    std::int32_t property, min, max, defaultValue;
};
constexpr ControlRange kRanges[] = {
    {VideoProcAmp_Brightness, -100, 100, 0},
    {VideoProcAmp_Contrast, 0, 200, 100},
    {VideoProcAmp_Saturation, 0, 200, 100},
};
const ControlRange* RangeOf(std::int32_t property)
{
    for (const auto& range : kRanges)
        if (range.property == property)
            return &range;
    return nullptr;
}
} // namespace

std::atomic<int>* TestCamera::Control(std::int32_t property)
{
    switch (property) {
    case VideoProcAmp_Brightness:
        return &m_brightness;
    case VideoProcAmp_Contrast:
        return &m_contrast;
    case VideoProcAmp_Saturation:
        return &m_saturation;
    default:
        return nullptr;
    }
}

HRESULT TestCamera::GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max, std::int32_t* step,
                             std::int32_t* defaultValue, std::int32_t* capsFlags)
{
    if (!min || !max || !step || !defaultValue || !capsFlags)
        return E_POINTER;
    const ControlRange* range = RangeOf(property);
    if (!range)
        return E_PROP_ID_UNSUPPORTED;
    *min = range->min;
    *max = range->max;
    *step = 1;
    *defaultValue = range->defaultValue;
    *capsFlags = VideoProcAmp_Flags_Manual;
    return S_OK;
}

HRESULT TestCamera::Set(std::int32_t property, std::int32_t value, std::int32_t flags)
{
    const ControlRange* range = RangeOf(property);
    if (!range)
        return E_PROP_ID_UNSUPPORTED;
    if (flags != VideoProcAmp_Flags_Manual || value < range->min || value > range->max)
        return E_INVALIDARG;
    Control(property)->store(value, std::memory_order_relaxed);
    return S_OK;
}

HRESULT TestCamera::Get(std::int32_t property, std::int32_t* value, std::int32_t* flags)
{
    if (!value || !flags)
        return E_POINTER;
    const auto* control = Control(property);
    if (!control)
        return E_PROP_ID_UNSUPPORTED;
    *value = control->load(std::memory_order_relaxed);
    *flags = VideoProcAmp_Flags_Manual;
    return S_OK;
}

} // namespace camtrove::media
