#pragma once
// The state of DV scene detection, without the filter around it: per frame it reads the
// recording date and timecode, keeps the last 100 frames' DV data in a ring for the filters
// further down the graph, and reports each finished scene to the scene callback. A new scene is a
// jump in the recording date and time of more than two seconds, or the date being lost or found.
//
// ProcessFrame runs on the DV source's streaming thread; Stop, SetSceneCallback and the readers
// run on other threads (the user interface, the inlay and DV header filters' streaming threads).
// A short internal lock, held for one frame's bookkeeping or one slot copy, keeps them apart; the
// scene callback runs under it and must not call back into the detector.

#include "filters/dv_frame_info.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

namespace camtrove::filters {

class SceneDetector
{
public:
    static constexpr int kRingSize = 100;
    static constexpr int kKeptBytesPerSequence = 480; // header, subcode and VAUX blocks
    static constexpr int kKeptSequences = 10;
    static constexpr double DateJump = 2.0 / 86400.0;
    static constexpr std::int64_t GapFrames = 12;

    using SceneCallback = void (*)(const TSceneFrameInfo* sceneStart, const TSceneFrameInfo* current);

    struct RingSlot
    {
        TSceneFrameInfo Info;
        std::array<std::uint8_t, kKeptSequences * kKeptBytesPerSequence> DvData{};
        std::int64_t StartTime = 0; // 100 ns units
    };

    struct FrameResult
    {
        std::int64_t MediaStart = 0; // the frame's number, stamped on the sample as its media time
        std::int64_t MediaStop = 0;
        bool AspectChanged = false; // post the aspect message with Wide
        bool Wide = false;
    };

    SceneDetector();

    // One DV frame. startTime is the sample's start time, when it has one; a sample without one
    // takes the time of the frame before it in this run, so the ring's times never go backwards.
    FrameResult ProcessFrame(std::span<const std::uint8_t> frame, std::optional<std::int64_t> startTime);

    // Closes the last scene through the callback. The filter's Stop calls this, then the base
    // Stop, then Reset.
    void CloseLastScene();
    void Reset();

    void SetSceneCallback(SceneCallback callback);

    // Looks up, from the newest slot backwards, the first whose time is not later than time and
    // makes it the search position; after a full turn without a match, the oldest slot is used.
    [[nodiscard]] RingSlot LookUp(std::int64_t time);
    [[nodiscard]] RingSlot SlotAtSearchPos() const;
    [[nodiscard]] int RingPos() const;
    [[nodiscard]] int SearchPos() const;
    [[nodiscard]] TSceneFrameInfo Current() const;
    [[nodiscard]] TSceneFrameInfo SceneStart() const;

private:
    void NewScene();

    mutable std::mutex m_mutex;
    std::atomic<SceneCallback> m_callback{nullptr};
    TSceneFrameInfo m_current;
    TSceneFrameInfo m_previous;
    TSceneFrameInfo m_sceneStart;
    std::array<RingSlot, kRingSize> m_ring{};
    int m_ringPos = 0;
    int m_searchPos = 0;
    std::int64_t m_lastStartTime = 0; // of the last frame of this run, for frames without a time
    double m_lastDate = 0;
    bool m_haveLastDate = false;
    bool m_firstFrame = true;
};

} // namespace camtrove::filters
