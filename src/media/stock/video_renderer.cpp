#include "media/stock/video_renderer.h"

#include "media/core/guids.h"

#include <cstring>

namespace camtrove::media {

namespace {

struct FrameLayout
{
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
    bool bottomUp;
};

std::optional<FrameLayout> LayoutOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo)
        return std::nullopt;
    const bool rgb24 = type.subtype == MEDIASUBTYPE_RGB24;
    if (!rgb24 && type.subtype != MEDIASUBTYPE_RGB32)
        return std::nullopt;
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (!vih)
        return std::nullopt;
    const BITMAPINFOHEADER& bmi = vih->bmiHeader;
    constexpr std::int32_t kLargest = 16384;
    const std::int32_t bits = rgb24 ? 24 : 32;
    if (bmi.biBitCount != bits || bmi.biWidth <= 0 || bmi.biWidth > kLargest || bmi.biHeight == 0 ||
        bmi.biHeight > kLargest || bmi.biHeight < -kLargest)
        return std::nullopt;
    const std::int32_t stride = ((bmi.biWidth * bits + 31) / 32) * 4;
    return FrameLayout{bmi.biWidth, bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight, stride,
                       bmi.biHeight > 0};
}

} // namespace

VideoRenderer::VideoRenderer() : TBCBaseRenderer(QStringLiteral("Video Renderer"), CLSID_VideoRenderer) {}

ComPtr<VideoRenderer> VideoRenderer::Create()
{
    return ComPtr<VideoRenderer>(new VideoRenderer());
}

HRESULT VideoRenderer::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IVideoWindow)
        return GetInterface(static_cast<IVideoWindow*>(this), object);
    return TBCBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT VideoRenderer::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return LayoutOf(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

// A sample shorter than its picture is dropped rather than read past its end.
HRESULT VideoRenderer::DoRenderSample(IMediaSample* sample)
{
    const AM_MEDIA_TYPE& type = InputPin()->CurrentMediaType();
    const auto layout = LayoutOf(type);
    std::uint8_t* data = nullptr;
    if (!layout || Failed(sample->GetPointer(&data)))
        return E_UNEXPECTED;
    const std::size_t size = std::size_t(layout->stride) * std::size_t(layout->height);
    if (sample->GetActualDataLength() < 0 || std::size_t(sample->GetActualDataLength()) < size)
        return S_OK;

    auto frame = std::make_shared<VideoFrame>();
    frame->subtype = type.subtype;
    frame->width = layout->width;
    frame->height = layout->height;
    frame->stride = layout->stride;
    frame->bottomUp = layout->bottomUp;
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    if (times == S_OK || times == VFW_S_NO_STOP_TIME)
        frame->start = start;
    frame->number = ++m_presented;
    frame->pixels.assign(data, data + size);
    {
        std::lock_guard lock(m_frameMutex);
        m_latest = std::move(frame);
    }
    NotifyChange();
    return S_OK;
}

std::shared_ptr<const VideoFrame> VideoRenderer::LatestFrame() const
{
    std::lock_guard lock(m_frameMutex);
    return m_latest;
}

HRESULT VideoRenderer::StartStreaming()
{
    bool hidden = false;
    {
        std::lock_guard lock(m_windowMutex);
        hidden = !m_window.visible;
    }
    // Only a real change is told to the widget.
    if (hidden && InputPin()->IsConnected())
        (void)put_Visible(true);
    return S_OK;
}

HRESULT VideoRenderer::put_Visible(bool visible)
{
    {
        std::lock_guard lock(m_windowMutex);
        m_window.visible = visible;
    }
    NotifyChange();
    return S_OK;
}

HRESULT VideoRenderer::get_Visible(bool* visible)
{
    if (!visible)
        return E_POINTER;
    std::lock_guard lock(m_windowMutex);
    *visible = m_window.visible;
    return S_OK;
}

HRESULT VideoRenderer::SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                         std::int32_t height)
{
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    {
        std::lock_guard lock(m_windowMutex);
        m_window.left = left;
        m_window.top = top;
        m_window.width = width;
        m_window.height = height;
    }
    NotifyChange();
    return S_OK;
}

HRESULT VideoRenderer::GetWindowPosition(std::int32_t* left, std::int32_t* top, std::int32_t* width,
                                         std::int32_t* height)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    std::lock_guard lock(m_windowMutex);
    *left = m_window.left;
    *top = m_window.top;
    *width = m_window.width;
    *height = m_window.height;
    return S_OK;
}

VideoWindowState VideoRenderer::WindowState() const
{
    std::lock_guard lock(m_windowMutex);
    return m_window;
}

void VideoRenderer::SetChangeCallback(std::function<void()> callback)
{
    auto shared = callback ? std::make_shared<const std::function<void()>>(std::move(callback)) : nullptr;
    std::lock_guard lock(m_callbackMutex);
    m_callback = std::move(shared);
}

// Outside every lock: the callback may read the frame or the window state.
void VideoRenderer::NotifyChange()
{
    std::shared_ptr<const std::function<void()>> callback;
    {
        std::lock_guard lock(m_callbackMutex);
        callback = m_callback;
    }
    if (callback)
        (*callback)();
}

} // namespace camtrove::media
