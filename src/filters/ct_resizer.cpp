#include "filters/ct_resizer.h"

#include "media/core/guids.h"
#include "media/core/media_results.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace camtrove::filters {

namespace {

constexpr int kHalfHeight = 288;

// Rows of a 24-bit device-independent bitmap are padded to whole 32-bit words.
std::int64_t DibStride(int width)
{
    return (std::int64_t(width) * 3 + 3) & ~std::int64_t(3);
}

} // namespace

TResizeSize ResizeOutputSize(int mode, bool demiTaille, int width, int height, int aspectX, int aspectY)
{
    int w = width;
    int h = height;
    const bool halve = demiTaille && height > kHalfHeight;
    switch (mode) {
    case rmNormal:
        if (halve)
            h = kHalfHeight;
        if (aspectX > 0 && aspectY > 0) {
            if (std::int64_t(aspectX) * h < std::int64_t(aspectY) * w)
                w = int(std::int64_t(aspectX) * h / aspectY);
            else
                h = int(std::int64_t(aspectY) * w / aspectX);
        }
        break;
    case rm4x3:
        if (halve)
            h = kHalfHeight;
        if (4 * h >= 3 * w)
            h = 3 * w / 4;
        else
            w = 4 * h / 3;
        if (h % 2 != 0) {
            h -= 3;
            w -= 4;
        }
        break;
    case rm16x9:
        if (halve)
            h = kHalfHeight;
        if (16 * h >= 9 * w)
            h = 9 * w / 16;
        else
            w = 16 * h / 9;
        if (h % 2 != 0) {
            h -= 9;
            w -= 16;
        }
        break;
    case rmNative:
        if (demiTaille) {
            if (height > kHalfHeight) {
                w /= 2;
                h /= 2;
            }
            if (h % 2 != 0)
                h -= 1;
        }
        break;
    default:
        break;
    }
    return {w, h};
}

void TCT_Resizer::ScalerFree::operator()(SwsContext* context) const
{
    sws_freeContext(context);
}

TCT_Resizer::TCT_Resizer() : TBCTransformFilter(QStringLiteral("Dorn Vesk Resizer"), CLSID_ct_Resizer) {}

TCT_Resizer::~TCT_Resizer() = default;

HRESULT TCT_Resizer::CheckInputType(const media::AM_MEDIA_TYPE& type)
{
    if (type.majortype == media::MEDIATYPE_Video && type.subtype == media::MEDIASUBTYPE_RGB24 &&
        type.formattype == media::FORMAT_VideoInfo && type.FormatAs<media::VIDEOINFOHEADER>())
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TCT_Resizer::CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE& output)
{
    return input.majortype == output.majortype && input.subtype == output.subtype ? S_OK
                                                                                  : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TCT_Resizer::SetMediaType(media::PIN_DIRECTION direction, const media::AM_MEDIA_TYPE& type)
{
    const auto* format = type.FormatAs<media::VIDEOINFOHEADER>();
    if (type.formattype != media::FORMAT_VideoInfo || !format)
        return E_UNEXPECTED;
    if (direction == media::PINDIR_OUTPUT) {
        m_outFormat = *format;
        return S_OK;
    }
    m_inFormat = *format;
    if (m_enabled.load()) {
        const int w0 = m_inFormat.bmiHeader.biWidth;
        const int h0 = std::abs(m_inFormat.bmiHeader.biHeight);
        const TResizeSize size =
            ResizeOutputSize(m_mode.load(), m_demiTaille.load(), w0, h0, m_aspectX.load(), m_aspectY.load());
        m_outW = size.Width;
        m_outH = size.Height;
        m_needResize = size.Width != w0 || size.Height != h0;
    }
    return S_OK;
}

HRESULT TCT_Resizer::GetMediaType(int position, media::AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_input->CurrentMediaType();
    type->majortype = media::MEDIATYPE_Video;
    type->subtype = media::MEDIASUBTYPE_RGB24;
    auto* format = type->FormatAs<media::VIDEOINFOHEADER>();
    if (m_needResize && format) {
        media::BITMAPINFOHEADER& bmi = format->bmiHeader;
        if (m_outW > 0) {
            format->rcSource.right = m_outW;
            format->rcTarget.right = m_outW;
            bmi.biWidth = m_outW;
        }
        if (m_outH > 0) {
            format->rcSource.bottom = m_outH;
            format->rcTarget.bottom = m_outH;
            bmi.biHeight = m_outH;
        }
        // The padded rows, as the frames are laid out: an odd width must not cut the last row short.
        bmi.biSizeImage = std::uint32_t(DibStride(bmi.biWidth) * std::abs(bmi.biHeight));
        type->lSampleSize = bmi.biSizeImage;
    }
    return S_OK;
}

HRESULT TCT_Resizer::DecideBufferSize(media::IMemAllocator* allocator, media::ALLOCATOR_PROPERTIES* request)
{
    media::IMemAllocator* inputAllocator = m_input ? m_input->PeekAllocator() : nullptr;
    if (!inputAllocator)
        return E_UNEXPECTED;
    media::ALLOCATOR_PROPERTIES inputProps;
    HRESULT hr = inputAllocator->GetProperties(&inputProps);
    if (Failed(hr))
        return hr;
    request->cbAlign = std::max(request->cbAlign, 1);
    request->cBuffers = std::max(request->cBuffers, 1);
    // An enlarged picture needs more than the input's buffers hold.
    const auto outputImage = std::int32_t(m_outFormat.bmiHeader.biSizeImage);
    const std::int32_t needed = std::max(inputProps.cbBuffer, outputImage);
    request->cbBuffer = std::max({request->cbBuffer, needed, 1});
    media::ALLOCATOR_PROPERTIES actual;
    hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer < needed ? E_FAIL : S_OK;
}

HRESULT TCT_Resizer::Transform(media::IMediaSample* input, media::IMediaSample* output)
{
    media::AM_MEDIA_TYPE* attached = nullptr;
    if (input->GetMediaType(&attached) == S_OK && attached) {
        (void)m_output->SetMediaType(*attached);
        delete attached;
    }
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    HRESULT hr = input->GetPointer(&in);
    if (Succeeded(hr))
        hr = output->GetPointer(&out);
    if (Failed(hr))
        return hr;

    if (!m_needResize) {
        const std::int32_t length = std::max(input->GetActualDataLength(), 0);
        if (length > output->GetSize())
            return E_UNEXPECTED;
        std::memcpy(out, in, std::size_t(length));
        (void)output->SetActualDataLength(length);
        return S_OK;
    }

    const int w0 = m_inFormat.bmiHeader.biWidth;
    const int h0 = std::abs(m_inFormat.bmiHeader.biHeight);
    const std::int64_t inStride = DibStride(w0);
    const std::int64_t outStride = DibStride(m_outW);
    const std::int64_t outLength = outStride * m_outH;
    if (w0 <= 0 || h0 <= 0 || m_outW <= 0 || m_outH <= 0 || input->GetActualDataLength() < inStride * h0)
        return S_FALSE;
    if (outLength > output->GetSize())
        return E_UNEXPECTED;

    // Area averaging, the smoothing stretch. Rows keep their bottom-up order through the scaling,
    // so no flip is needed either way.
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), w0, h0, AV_PIX_FMT_BGR24, m_outW, m_outH,
                                        AV_PIX_FMT_BGR24, SWS_AREA, nullptr, nullptr, nullptr));
    if (!m_scaler)
        return S_FALSE;
    const std::uint8_t* const source[] = {in};
    const int sourceStride[] = {int(inStride)};
    std::uint8_t* const target[] = {out};
    const int targetStride[] = {int(outStride)};
    if (sws_scale(m_scaler.get(), source, sourceStride, 0, h0, target, targetStride) != m_outH)
        return S_FALSE;
    const std::size_t rowBytes = std::size_t(m_outW) * 3;
    for (int y = 0; y < m_outH; ++y)
        std::memset(out + y * outStride + rowBytes, 0, std::size_t(outStride) - rowBytes);
    (void)output->SetActualDataLength(std::int32_t(outLength));
    return S_OK;
}

} // namespace camtrove::filters
