#include "filters/ct_dvheader.h"

#include "filters/dvcodes.h"
#include "media/core/guids.h"
#include "media/core/media_results.h"

#include <algorithm>
#include <cstring>

namespace camtrove::filters {

Tct_DVheader::Tct_DVheader()
    : TBCTransInPlaceFilter(QStringLiteral("Dorn Vesk ct_DVHeader"), CLSID_ct_DVHeader, true)
{
}

HRESULT Tct_DVheader::CheckInputType(const media::AM_MEDIA_TYPE& type)
{
    if (type.majortype == media::MEDIATYPE_Interleaved)
        return S_OK;
    if (type.majortype == media::MEDIATYPE_Video && type.subtype == media::MEDIASUBTYPE_dvsd)
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tct_DVheader::Transform(media::IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)) || !data)
        return S_OK;
    const std::span<std::uint8_t> frame(data, std::size_t(std::max(sample->GetActualDataLength(), 0)));
    // Only whole sequences are touched: a short buffer must not be written past its end.
    const int sequences = int(std::min<std::size_t>(frame.size() / kDvSequenceSize, kDvSequencesRead));

    if (SceneDetector* detector = m_detector.load()) {
        const SceneDetector::RingSlot slot = detector->SlotAtSearchPos();
        for (int k = 0; k < sequences; ++k)
            std::memcpy(frame.data() + std::size_t(k) * kDvSequenceSize,
                        slot.DvData.data() + std::size_t(k) * SceneDetector::kKeptBytesPerSequence,
                        SceneDetector::kKeptBytesPerSequence);
    }
    if (m_mode.load() == kForceWide) {
        for (int k = 0; k < sequences; ++k)
            DvSetWide(frame, k);
    }
    return S_OK;
}

} // namespace camtrove::filters
