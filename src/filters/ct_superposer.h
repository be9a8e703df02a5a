#pragma once
// Tct_Superposer: the filter on the decoded video path of every preview and capture graph. It
// takes each 24-bit RGB frame into a drawable canvas, flips or mirrors it on request, writes up to
// two lines of text into it (the camcorder's recording date or timecode, found in the scene
// detector's ring by the frame's start time, the computer's clock, or the user's template), and
// hands the picture on. It also grabs pictures into twenty slots for snapshots and the
// intervalometer, and tells the main window through the message sink.
//
// Threads: Transform and StartStreaming run on the decoder's streaming thread under the receive
// lock and own the canvas, the lines, the times and the grab schedule. The setters are called on
// the user-interface thread and take no lock: each writes an atomic, and SetIncrustRec publishes a
// whole new settings record by swapping an atomic pointer, so Transform reads each setting once per
// frame and never sees half a change. A replaced record is freed by the next SetIncrustRec, or the
// destructor, once no frame is using it. The grab slots are a single-producer, single-consumer handshake:
// only the filter sets GrabBusy(i), only the main window clears it (ReleaseGrab), and a busy slot is never
// written.

#include "common/datetime.h"
#include "common/incrust_rec.h"
#include "filters/scene_detector.h"
#include "filters/window_messages.h"
#include "media/base/transform_filter.h"

#include <QFont>
#include <QImage>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_Superposer = media::MakeGuid("E97F14A9-9EB5-486F-8235-B29F93983433");

enum TWhatIncrust : std::uint8_t
{
    wiDatecode = 0,
    wiTimecode = 1,
    wiPerso = 2,
    wiReal = 3,
    wiNone = 4,
};

enum TInlayAlignment : std::uint8_t
{
    iaLeft = 0,
    iaCentre = 1,
    iaRight = 2,
    iaSubtitle = 3,
};

enum TInlayWhen : int
{
    iwPermanently = 0,
    iwOnce = 1,
    iwEachScene = 2,
    iwEachDay = 3,
};

class Tct_Superposer final : public media::TBCTransformFilter
{
public:
    static constexpr int kGrabSlots = 20;
    // Intervals and the schedule count in units of 100 microseconds.
    static constexpr std::int64_t kIntervalUnitsPerSecond = 10000;

    Tct_Superposer();
    ~Tct_Superposer() override;

    HRESULT Transform(media::IMediaSample* input, media::IMediaSample* output) override;
    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE& output) override;
    HRESULT DecideBufferSize(media::IMemAllocator* allocator, media::ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, media::AM_MEDIA_TYPE* type) override;
    HRESULT StartStreaming() override;

    // Settings, from the user-interface thread.
    void SetIncrustRec(const TincrustRec& record);
    void SetInlayEnabled(bool enabled);
    void SetInlayWhen(int mode, int seconds);
    void SetVerticalFlip(bool flip) { m_verticalFlip.store(flip); }
    void SetHorizontalMirror(bool mirror) { m_horizontalMirror.store(mirror); }
    // The source delivers its rows top first; graph construction and plug-in sources set it.
    void SetSourceFlipped(bool flipped) { m_sourceFlipped.store(flipped); }
    // "Activer Superposition": without it frames pass undrawn (only a top-first source is righted).
    void SetEffectsAllowed(bool allowed) { m_effectsAllowed.store(allowed); }
    // The frame duration in 100 ns units, from graph construction; turns seconds into frames.
    void SetFrameDuration(std::int64_t duration) { m_frameDuration.store(duration); }
    void RequestGrab() { m_grabRequest.store(true); }
    void StartInterval(std::int64_t interval);
    void StopInterval() { m_intervalOn.store(false); }
    // The active DV source's detector, or null; it must outlive its use in a running graph.
    void SetSceneDetector(SceneDetector* detector) { m_detector.store(detector); }
    void SetMessageSink(WindowMessageSink* sink) { m_sink.store(sink); }
    // The computer's clock, for the Real texts and the day rule; set before streaming.
    void SetClock(std::function<TDateTime()> clock);

    // Grabs, for the main window: read slot i only while GrabBusy(i), then release it.
    [[nodiscard]] bool GrabBusy(int slot) const;
    [[nodiscard]] const QImage& GrabBitmap(int slot) const;
    void ReleaseGrab(int slot);

    // What the settings made of the record, for the settings panel and tests; user-interface thread.
    [[nodiscard]] TincrustRec IncrustRec() const;
    [[nodiscard]] int FontHeight() const; // pixels; the step from line 1 to line 2
    [[nodiscard]] int Duration() const { return m_duration.load(); }
    [[nodiscard]] int Counter() const { return m_counter.load(); }

    // Draws text in black at every offset up to border pixels away, (2b + 1)^2 times, then once in
    // color, its top-left corner at (x, y), onto a 24-bit picture (QImage::Format_BGR888).
    static void DrawOutlinedText(QImage& canvas, const QFont& font, QRgb color, int border, int x, int y,
                                 const QString& text);

private:
    struct Settings;

    // Makes settings the record frames draw with; user-interface thread.
    void Publish(std::unique_ptr<const Settings> settings);
    void CopyFrame(const std::uint8_t* in, std::uint8_t* out, bool reverseRows) const;
    [[nodiscard]] bool DrawInput(const std::uint8_t* in, std::int32_t length, bool bottomFirst);
    void WriteCanvas(std::uint8_t* out) const;
    void UpdateLines(const Settings& settings, const TSceneFrameInfo* record);
    void DrawLines(const Settings& settings);
    void RunGrabs(media::IMediaSample* input, bool effectsAllowed, bool sourceFlipped);
    bool Grab(bool effectsAllowed, const std::uint8_t* in, std::int32_t length, bool sourceFlipped);
    void Post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam);

    // Settings written by the user-interface thread.
    std::atomic<const Settings*> m_settings{nullptr};
    std::atomic<bool> m_settingsInUse{false};                       // a frame is drawing with m_settings
    std::unique_ptr<const Settings> m_ownedSettings;                // user-interface thread
    std::vector<std::unique_ptr<const Settings>> m_retiredSettings; // user-interface thread
    std::atomic<bool> m_inlayEnabled{false};
    std::atomic<int> m_when{iwPermanently};
    std::atomic<int> m_whenSeconds{0};
    std::atomic<int> m_duration{125};
    std::atomic<int> m_counter{0};
    std::atomic<bool> m_verticalFlip{false};
    std::atomic<bool> m_horizontalMirror{false};
    std::atomic<bool> m_sourceFlipped{false};
    std::atomic<bool> m_effectsAllowed{true};
    std::atomic<std::int64_t> m_frameDuration{0};
    std::atomic<bool> m_grabRequest{false};
    std::atomic<bool> m_intervalOn{false};
    std::atomic<std::int64_t> m_interval{0};
    std::atomic<std::int64_t> m_nextGrab{0};
    std::atomic<SceneDetector*> m_detector{nullptr};
    std::atomic<WindowMessageSink*> m_sink{nullptr};
    std::atomic<int> m_canvasWidth{0}; // the width the automatic font size follows
    std::function<TDateTime()> m_clock;

    // Streaming state.
    QImage m_canvas;
    int m_width = 0;
    int m_height = 0;
    QString m_line1;
    QString m_line2;
    TDateTime m_recDate = 0;
    TDateTime m_prevRecDate = 0;
    TDateTime m_curTime = 0;
    TDateTime m_prevTime = 0;
    std::int64_t m_lastCountdown = -1;
    int m_slot = 0; // the last slot used; the first grab takes slot 1

    std::array<QImage, kGrabSlots> m_grabBitmaps;
    std::array<std::atomic<bool>, kGrabSlots> m_grabBusy{};
};

} // namespace camtrove::filters
