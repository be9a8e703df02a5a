#pragma once
// A camera whose driver reports exactly one RGB24 format, frame duration included as the test
// gives it (0 for a driver that reports none), on one capture pin paced by the graph's clock.

#include "media/base/base_filter.h"
#include "media/core/device_source.h"
#include "media/devices/format_list_pin.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace camtrove::graph::testing {

inline constexpr media::GUID CLSID_FixedTypeCamera = media::MakeGuid("6A1C7E57-0C4A-4D00-8E1C-43414D5200F1");

class FixedTypeCameraPin final : public media::FormatListPin
{
public:
    FixedTypeCameraPin(media::TBCBaseFilter* filter, media::TBCCritSec* lock, media::AM_MEDIA_TYPE type)
        : FormatListPin(QStringLiteral("Capture"), filter, lock, QStringLiteral("Capture"),
                        media::PIN_CATEGORY_CAPTURE),
          m_formats{std::move(type)}
    {
    }

    media::HRESULT DecideBufferSize(media::IMemAllocator* allocator,
                                    media::ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max(request->cBuffers, 2);
        request->cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(m_formats[0].lSampleSize));
        media::ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }

protected:
    media::HRESULT FillBuffer(media::IMediaSample* sample) override
    {
        const auto* vih = m_formats[0].FormatAs<media::VIDEOINFOHEADER>();
        media::REFERENCE_TIME start = 0;
        std::int64_t skipped = 0;
        if (!WaitForNextPeriod(vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 400000, &start, &skipped))
            return S_FALSE;
        std::uint8_t* data = nullptr;
        if (Failed(sample->GetPointer(&data)))
            return E_POINTER;
        std::memset(data, 0x80, m_formats[0].lSampleSize);
        (void)sample->SetActualDataLength(static_cast<std::int32_t>(m_formats[0].lSampleSize));
        return S_OK;
    }
    const std::vector<media::AM_MEDIA_TYPE>& Formats() const override { return m_formats; }
    std::optional<media::AM_MEDIA_TYPE> TypeFor(const media::AM_MEDIA_TYPE& asked) const override
    {
        return asked == m_formats[0] ? std::optional(m_formats[0]) : std::nullopt;
    }

private:
    std::vector<media::AM_MEDIA_TYPE> m_formats;
};

class FixedTypeCamera final : public media::TBCBaseFilter
{
public:
    explicit FixedTypeCamera(const media::AM_MEDIA_TYPE& type)
        : TBCBaseFilter(QStringLiteral("Fixed Type Camera"), &m_lock, CLSID_FixedTypeCamera),
          m_pin(std::make_unique<FixedTypeCameraPin>(this, &m_lock, type))
    {
    }
    int GetPinCount() override { return 1; }
    media::TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

private:
    media::TBCCritSec m_lock;
    std::unique_ptr<FixedTypeCameraPin> m_pin;
};

// Lists one fixed-type camera as plugged-in hardware.
class FixedTypeCameraDevice final : public media::DeviceSource
{
public:
    explicit FixedTypeCameraDevice(media::AM_MEDIA_TYPE type) : m_type(std::move(type)) {}
    std::vector<media::DeviceEntry> Devices(const media::GUID& category) const override
    {
        if (category != media::CLSID_VideoInputDeviceCategory)
            return {};
        return {{QStringLiteral("Fixed Type Camera"), CLSID_FixedTypeCamera, QStringLiteral("/dev/video9"),
                 [type = m_type] { return media::ComPtr<media::IBaseFilter>(new FixedTypeCamera(type)); }}};
    }

private:
    media::AM_MEDIA_TYPE m_type;
};

} // namespace camtrove::graph::testing
