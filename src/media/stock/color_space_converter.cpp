#include "media/stock/color_space_converter.h"

#include "media/core/guids.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace camtrove::media {

void ColorSpaceConverter::SwsFree::operator()(SwsContext* context) const
{
    sws_freeContext(context);
}

ColorSpaceConverter::ColorSpaceConverter()
    : TBCTransformFilter(QStringLiteral("Color Space Converter"), CLSID_Colour)
{
}

ColorSpaceConverter::~ColorSpaceConverter() = default;

ComPtr<ColorSpaceConverter> ColorSpaceConverter::Create()
{
    return ComPtr<ColorSpaceConverter>(new ColorSpaceConverter());
}

HRESULT ColorSpaceConverter::CheckInputType(const AM_MEDIA_TYPE& type)
{
    return LayoutOf(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ColorSpaceConverter::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    const auto in = LayoutOf(input);
    const auto out = LayoutOf(output);
    if (!in || !out || in->width != out->width || in->height != out->height)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

// Every layout at the input's size, RGB first; RGB bottom-up as bitmaps are.
HRESULT ColorSpaceConverter::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!InputPin()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const auto& subtypes = ConvertibleSubtypes();
    if (position >= static_cast<int>(subtypes.size()))
        return VFW_S_NO_MORE_ITEMS;
    const AM_MEDIA_TYPE& input = InputPin()->CurrentMediaType();
    const auto layout = LayoutOf(input);
    if (!layout)
        return E_UNEXPECTED;
    const REFERENCE_TIME frame = input.FormatAs<VIDEOINFOHEADER>()->AvgTimePerFrame;
    *type = MakeVideoType(subtypes[static_cast<std::size_t>(position)], layout->width, layout->height, frame);
    return S_OK;
}

HRESULT ColorSpaceConverter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto layout = LayoutOf(OutputPin()->CurrentMediaType());
    if (!layout)
        return E_UNEXPECTED;
    request->cBuffers = std::max(request->cBuffers, 1);
    request->cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(layout->imageSize));
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cBuffers >= request->cBuffers && actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

// A sample shorter than its picture is dropped rather than read past its end.
HRESULT ColorSpaceConverter::Transform(IMediaSample* input, IMediaSample* output)
{
    const auto in = LayoutOf(InputPin()->CurrentMediaType());
    const auto out = LayoutOf(OutputPin()->CurrentMediaType());
    if (!in || !out)
        return E_UNEXPECTED;
    std::uint8_t* source = nullptr;
    std::uint8_t* dest = nullptr;
    if (Failed(input->GetPointer(&source)) || Failed(output->GetPointer(&dest)))
        return E_UNEXPECTED;
    if (input->GetActualDataLength() < static_cast<std::int32_t>(in->imageSize))
        return S_FALSE;
    if (output->GetSize() < static_cast<std::int32_t>(out->imageSize))
        return E_UNEXPECTED;

    m_scaler.reset(sws_getCachedContext(m_scaler.release(), in->width, in->height, in->pixelFormat,
                                        out->width, out->height, out->pixelFormat, SWS_BILINEAR, nullptr,
                                        nullptr, nullptr));
    if (!m_scaler)
        return E_OUTOFMEMORY;
    const PicturePlanes from = in->Planes(source);
    const PicturePlanes to = out->Planes(dest);
    sws_scale(m_scaler.get(), from.data.data(), from.linesize.data(), 0, in->height, to.data.data(),
              to.linesize.data());
    return output->SetActualDataLength(static_cast<std::int32_t>(out->imageSize));
}

HRESULT ColorSpaceConverter::StopStreaming()
{
    m_scaler.reset();
    return S_OK;
}

} // namespace camtrove::media
