#include "media/core/unknown.h"

namespace camtrove::media {

bool IsSameObject(IUnknown* a, IUnknown* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return QueryAs<IUnknown>(a).Get() == QueryAs<IUnknown>(b).Get();
}

} // namespace camtrove::media
