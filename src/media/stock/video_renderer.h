#pragma once
// The video renderer: the frame sink that the preview widget paints. Each presented sample is
// copied into a new VideoFrame record that replaces the latest one as a whole, so the widget
// reads a complete picture from any thread without holding up the stream. The window state the
// application sets through IVideoWindow (position, visibility) is kept here for the widget to
// read; a change callback tells the widget when to look again (a Qt widget queues a repaint from
// it; it must not paint on the calling thread). Takes RGB24 and RGB32 VIDEOINFOHEADER video.

#include "media/base/base_renderer.h"
#include "media/core/device_interfaces.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace camtrove::media {

struct VideoFrame
{
    GUID subtype; // MEDIASUBTYPE_RGB24 or MEDIASUBTYPE_RGB32
    std::int32_t width = 0;
    std::int32_t height = 0;             // always positive
    std::int32_t stride = 0;             // bytes from one stored row to the next
    bool bottomUp = true;                // the first stored row is the bottom of the picture
    std::optional<REFERENCE_TIME> start; // the sample's start time, when it had one
    std::uint64_t number = 0;            // counts the frames presented since the renderer was made
    std::vector<std::uint8_t> pixels;
};

struct VideoWindowState
{
    bool visible = true;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class VideoRenderer final : public TBCBaseRenderer, public IVideoWindow
{
public:
    [[nodiscard]] static ComPtr<VideoRenderer> Create();

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    // Auto-show: a connected renderer that starts streaming shows its window, so the preview
    // comes back after the application hid it while it rebuilt the chain.
    HRESULT StartStreaming() override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    // IVideoWindow: any thread.
    HRESULT put_Visible(bool visible) override;
    HRESULT get_Visible(bool* visible) override;
    HRESULT SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height) override;
    HRESULT GetWindowPosition(std::int32_t* left, std::int32_t* top, std::int32_t* width,
                              std::int32_t* height) override;

    // The latest presented frame; null before the first. Any thread.
    [[nodiscard]] std::shared_ptr<const VideoFrame> LatestFrame() const;
    [[nodiscard]] VideoWindowState WindowState() const;
    // Called after each new frame (on the streaming thread) and each window change (on the
    // caller's thread). Empty removes it.
    void SetChangeCallback(std::function<void()> callback);

private:
    VideoRenderer();
    void NotifyChange();

    mutable std::mutex m_frameMutex;
    std::shared_ptr<const VideoFrame> m_latest;
    std::uint64_t m_presented = 0; // streaming thread

    mutable std::mutex m_windowMutex;
    VideoWindowState m_window;

    std::mutex m_callbackMutex;
    std::shared_ptr<const std::function<void()>> m_callback;
};

} // namespace camtrove::media
