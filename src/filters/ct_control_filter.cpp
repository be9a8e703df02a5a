#include "filters/ct_control_filter.h"

#include "media/core/media_results.h"

namespace camtrove::filters {

Tct_ControlFilter::Tct_ControlFilter()
    : TBCTransInPlaceFilter(QStringLiteral("Dorn Vesk ct_ControlFilter"), CLSID_ct_ControlFilter, false)
{
}

HRESULT Tct_ControlFilter::CheckInputType(const media::AM_MEDIA_TYPE&)
{
    return S_OK;
}

HRESULT Tct_ControlFilter::Transform(media::IMediaSample* sample)
{
    // Taking the opening in one step means two openings before a frame still pass one frame.
    if (!Gate.exchange(false))
        return S_FALSE;
    if (Restamp.load()) {
        const std::int64_t increment = Increment.load();
        const std::int64_t start = Counter.fetch_add(increment);
        const std::int64_t stop = start + increment;
        (void)sample->SetMediaTime(&start, &stop);
    }
    if (MarkSync.load())
        (void)sample->SetSyncPoint(true);
    if (MarkDiscontinuity.load())
        (void)sample->SetDiscontinuity(true);
    return S_OK;
}

HRESULT Tct_ControlFilter::Stop()
{
    Gate.store(true);
    const HRESULT hr = TBCTransInPlaceFilter::Stop();
    if (OnStop)
        OnStop();
    return hr;
}

} // namespace camtrove::filters
