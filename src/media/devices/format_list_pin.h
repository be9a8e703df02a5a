#pragma once
// A live device's output pin with a fixed list of formats and IAMStreamConfig over it: every
// format stays listed (the format list shows them all), a set format is offered first, and once
// set the pin connects with that format alone, so a downstream filter that wants another gets a
// converter instead of the user's choice being dropped. SetFormat works only while the filter is
// stopped and connects a connected pin again with the new format.

#include "media/devices/live_source_pin.h"

#include <optional>
#include <vector>

namespace camtrove::media {

class FormatListPin : public LiveSourcePin, public IAMStreamConfig
{
public:
    using LiveSourcePin::LiveSourcePin;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;

    // IAMStreamConfig
    HRESULT SetFormat(const AM_MEDIA_TYPE& type) override;
    HRESULT GetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT GetNumberOfCapabilities(std::int32_t* count, std::int32_t* capsSize) override;
    HRESULT GetStreamCaps(std::int32_t index, AM_MEDIA_TYPE* type) override;

protected:
    [[nodiscard]] virtual const std::vector<AM_MEDIA_TYPE>& Formats() const = 0;
    // The device's own variant of a type it could give, or none.
    [[nodiscard]] virtual std::optional<AM_MEDIA_TYPE> TypeFor(const AM_MEDIA_TYPE& asked) const = 0;

private:
    std::optional<AM_MEDIA_TYPE> m_chosen; // under the filter lock
};

} // namespace camtrove::media
