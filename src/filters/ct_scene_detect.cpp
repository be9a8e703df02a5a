#include "filters/ct_scene_detect.h"

#include "media/core/guids.h"
#include "media/core/media_results.h"

#include <optional>

namespace camtrove::filters {

Tct_SceneDetect::Tct_SceneDetect()
    : TBCTransInPlaceFilter(QStringLiteral("Dorn Vesk ct_SceneDetect"), CLSID_ct_SceneDetect, false)
{
}

HRESULT Tct_SceneDetect::CheckInputType(const media::AM_MEDIA_TYPE& type)
{
    if (type.majortype == media::MEDIATYPE_Interleaved)
        return S_OK;
    if (type.majortype == media::MEDIATYPE_Video && type.subtype == media::MEDIASUBTYPE_dvsd)
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tct_SceneDetect::Transform(media::IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)) || !data)
        return S_OK;
    const auto length = std::size_t(std::max(sample->GetActualDataLength(), 0));

    media::REFERENCE_TIME start = 0;
    media::REFERENCE_TIME stop = 0;
    std::optional<std::int64_t> startTime;
    if (Succeeded(sample->GetTime(&start, &stop)))
        startTime = start;

    const SceneDetector::FrameResult result = m_detector.ProcessFrame({data, length}, startTime);
    (void)sample->SetMediaTime(&result.MediaStart, &result.MediaStop);
    if (result.AspectChanged) {
        if (WindowMessageSink* sink = m_sink.load())
            sink->PostWindowMessage(WM_DVASPECT, 1, result.Wide ? 1 : 0);
    }
    return S_OK;
}

HRESULT Tct_SceneDetect::Stop()
{
    m_detector.CloseLastScene();
    const HRESULT hr = TBCTransInPlaceFilter::Stop();
    m_detector.Reset();
    return hr;
}

} // namespace camtrove::filters
