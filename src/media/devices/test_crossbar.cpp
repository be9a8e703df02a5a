#include "media/devices/test_crossbar.h"

namespace camtrove::media {

namespace {

constexpr std::array<std::int32_t, TestCrossbar::kInputs> kConnectors = {
    PhysConn_Video_Tuner, PhysConn_Video_Composite, PhysConn_Video_SVideo};

// A physical connector: nothing in the graph connects to it.
class ConnectorPin final : public TBCBaseInputPin
{
public:
    ConnectorPin(TBCBaseFilter* filter, TBCCritSec* lock, QString name)
        : TBCBaseInputPin(name, filter, lock, nullptr, name)
    {
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return VFW_E_TYPE_NOT_ACCEPTED; }
};

// The decoder output carries analog video to the capture filter; no samples flow on it.
class DecoderOutPin final : public TBCBaseOutputPin
{
public:
    DecoderOutPin(TBCBaseFilter* filter, TBCCritSec* lock)
        : TBCBaseOutputPin(QStringLiteral("Video Decoder Out"), filter, lock, nullptr,
                           QStringLiteral("Video Decoder Out"))
    {
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_AnalogVideo ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = AM_MEDIA_TYPE{};
        type->majortype = MEDIATYPE_AnalogVideo;
        type->formattype = FORMAT_None;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = 1;
        request->cbBuffer = 1;
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }
};

} // namespace

ComPtr<TestCrossbar> TestCrossbar::Create()
{
    return ComPtr<TestCrossbar>(new TestCrossbar());
}

TestCrossbar::TestCrossbar()
    : TBCBaseFilter(QStringLiteral("Camtrove Test Camera Crossbar"), &m_lock, CLSID_TestCameraCrossbar)
{
    m_pins[0] = std::make_unique<ConnectorPin>(this, &m_lock, QStringLiteral("0: Video Tuner In"));
    m_pins[1] = std::make_unique<ConnectorPin>(this, &m_lock, QStringLiteral("1: Video Composite In"));
    m_pins[2] = std::make_unique<ConnectorPin>(this, &m_lock, QStringLiteral("2: Video SVideo In"));
    m_pins[3] = std::make_unique<DecoderOutPin>(this, &m_lock);
}

TestCrossbar::~TestCrossbar() = default;

HRESULT TestCrossbar::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMCrossbar)
        return GetInterface(static_cast<IAMCrossbar*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

TBCBasePin* TestCrossbar::GetPin(int index)
{
    return index >= 0 && index < GetPinCount() ? m_pins[static_cast<std::size_t>(index)].get() : nullptr;
}

HRESULT TestCrossbar::get_PinCounts(std::int32_t* outputs, std::int32_t* inputs)
{
    if (!outputs || !inputs)
        return E_POINTER;
    *outputs = kOutputs;
    *inputs = kInputs;
    return S_OK;
}

HRESULT TestCrossbar::CanRoute(std::int32_t output, std::int32_t input)
{
    if (output < 0 || output >= kOutputs || input < 0 || input >= kInputs)
        return E_INVALIDARG;
    return S_OK;
}

HRESULT TestCrossbar::Route(std::int32_t output, std::int32_t input)
{
    const HRESULT hr = CanRoute(output, input);
    if (hr != S_OK)
        return hr;
    m_routed.store(input, std::memory_order_relaxed);
    return S_OK;
}

HRESULT TestCrossbar::get_IsRoutedTo(std::int32_t output, std::int32_t* input)
{
    if (!input)
        return E_POINTER;
    if (output < 0 || output >= kOutputs)
        return E_INVALIDARG;
    *input = RoutedInput();
    return S_OK;
}

HRESULT TestCrossbar::get_CrossbarPinInfo(bool isInput, std::int32_t index, std::int32_t* related,
                                          std::int32_t* physicalType)
{
    if (!related || !physicalType)
        return E_POINTER;
    if (index < 0 || index >= (isInput ? kInputs : kOutputs))
        return E_INVALIDARG;
    *related = -1; // video only: no audio pin goes with a connector
    *physicalType = isInput ? kConnectors[static_cast<std::size_t>(index)] : PhysConn_Video_VideoDecoder;
    return S_OK;
}

} // namespace camtrove::media
