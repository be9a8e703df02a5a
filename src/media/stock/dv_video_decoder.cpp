#include "media/stock/dv_video_decoder.h"

#include "media/core/guids.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace camtrove::media {

DvVideoDecoder::DvVideoDecoder()
    : LibavVideoDecoder(QStringLiteral("DV Video Decoder"), CLSID_DVVideoCodec, AV_CODEC_ID_DVVIDEO)
{
}

ComPtr<DvVideoDecoder> DvVideoDecoder::Create()
{
    return ComPtr<DvVideoDecoder>(new DvVideoDecoder());
}

HRESULT DvVideoDecoder::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IIPDVDec)
        return GetInterface(static_cast<IIPDVDec*>(this), object);
    return LibavVideoDecoder::NonDelegatingQueryInterface(iid, object);
}

HRESULT DvVideoDecoder::get_IPDisplay(int* displayPix)
{
    if (!displayPix)
        return E_POINTER;
    *displayPix = m_display.load();
    return S_OK;
}

// Quarter size and the DC picture are not offered: the program asks for full or half only.
HRESULT DvVideoDecoder::put_IPDisplay(int displayPix)
{
    if (displayPix != DVRESOLUTION_FULL && displayPix != DVRESOLUTION_HALF)
        return E_INVALIDARG;
    m_display.store(displayPix);
    return S_OK;
}

bool DvVideoDecoder::AcceptsSubtype(const AM_MEDIA_TYPE& type) const
{
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    const int height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
    return type.subtype == MEDIASUBTYPE_dvsd && vih->bmiHeader.biWidth == 720 &&
           (height == 576 || height == 480);
}

std::pair<int, int> DvVideoDecoder::OutputSize(int width, int height) const
{
    if (m_display.load() == DVRESOLUTION_HALF)
        return {width / 2, height / 2};
    return {width, height};
}

} // namespace camtrove::media
