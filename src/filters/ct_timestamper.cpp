#include "filters/ct_timestamper.h"

#include "media/core/media_results.h"

namespace camtrove::filters {

Tct_TimeStamper::Tct_TimeStamper()
    : TBCTransInPlaceFilter(QStringLiteral("Dorn Vesk ct_Timestamper"), CLSID_ct_Timestamper, false)
{
}

HRESULT Tct_TimeStamper::CheckInputType(const media::AM_MEDIA_TYPE&)
{
    return S_OK;
}

HRESULT Tct_TimeStamper::Transform(media::IMediaSample* sample)
{
    if (m_frozen.load())
        return S_FALSE;
    if (m_stripTimes.load()) {
        (void)sample->SetTime(nullptr, nullptr);
        (void)sample->SetMediaTime(nullptr, nullptr);
    }
    return S_OK;
}

} // namespace camtrove::filters
