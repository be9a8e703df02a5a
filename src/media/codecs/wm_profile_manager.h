#pragma once
// The profile manager over the system profile catalogue. Each manager keeps its own system
// profile version; every load hands out a new profile the caller may change freely.

#include "media/codecs/wm_profile.h"

namespace camtrove::media {

[[nodiscard]] HRESULT WMCreateProfileManager(ComPtr<IWMProfileManager>* manager);

} // namespace camtrove::media
