#pragma once
// TBCEnumPins and TBCEnumMediaTypes: enumerate a filter's pins and a pin's preferred types. Both
// notice a changed list (VFW_E_ENUM_OUT_OF_SYNC) and read it again after Reset.

#include "media/base/base_object.h"
#include "media/core/filter_interfaces.h"

namespace camtrove::media {

class TBCBaseFilter;
class TBCBasePin;

class TBCEnumPins final : public TBCUnknown, public IEnumPins
{
public:
    explicit TBCEnumPins(TBCBaseFilter* filter);
    ~TBCEnumPins() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT Next(ComPtr<IPin>* pin) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;

private:
    TBCBaseFilter* m_filter;
    int m_position = 0;
    int m_version;
};

class TBCEnumMediaTypes final : public TBCUnknown, public IEnumMediaTypes
{
public:
    explicit TBCEnumMediaTypes(TBCBasePin* pin);
    ~TBCEnumMediaTypes() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT Next(AM_MEDIA_TYPE* type) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;

private:
    TBCBasePin* m_pin;
    int m_position = 0;
    int m_version;
};

} // namespace camtrove::media
