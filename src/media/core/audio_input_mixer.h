#pragma once
// The input lines of a sound card are input pins of its capture filter; each gives this interface.

#include "media/core/filter_interfaces.h"

namespace camtrove::media {

inline constexpr GUID IID_IAMAudioInputMixer = MakeGuid("54C39221-8380-11D0-B3F0-00AA003761C5");

// An input line of a sound card: whether it feeds the capture, and at which level (0 to 1).
class IAMAudioInputMixer : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMAudioInputMixer;
    [[nodiscard]] virtual HRESULT put_Enable(bool enable) = 0;
    [[nodiscard]] virtual HRESULT get_Enable(bool* enable) = 0;
    [[nodiscard]] virtual HRESULT put_MixLevel(double level) = 0;
    [[nodiscard]] virtual HRESULT get_MixLevel(double* level) = 0;
};

} // namespace camtrove::media
