#pragma once
// The result of asking for a class that nobody registered.

#include "media/core/media_results.h"

namespace camtrove::media {

inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

} // namespace camtrove::media
