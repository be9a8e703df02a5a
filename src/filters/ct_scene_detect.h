#pragma once
// Tct_SceneDetect: the in-place filter right behind a DV camcorder source, before any decoder.
// Each frame passes unchanged; the filter stamps it with its frame number, keeps its DV data in
// the scene detector's ring for the filters further down, tells the main window when the picture
// turns 4:3 or 16:9, and hands each finished scene to the scene callback.
//
// Transform runs on the DV source's streaming thread; Stop, SetSceneCallback and
// SetMessageSink on the user-interface thread.

#include "filters/scene_detector.h"
#include "filters/window_messages.h"
#include "media/base/trans_in_place_filter.h"

#include <atomic>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_SceneDetect = media::MakeGuid("E87CC8D6-571D-4927-AC63-AEE089DF6B39");

class Tct_SceneDetect final : public media::TBCTransInPlaceFilter
{
public:
    Tct_SceneDetect();

    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT Transform(media::IMediaSample* sample) override;
    // Closes the last scene through the callback, stops, then starts the counters afresh.
    HRESULT Stop() override;

    void SetSceneCallback(SceneDetector::SceneCallback callback) { m_detector.SetSceneCallback(callback); }
    void SetMessageSink(WindowMessageSink* sink) { m_sink.store(sink); }

    // The ring, the search position and the current frame's record, for the inlay and DV header
    // filters and the user interface.
    [[nodiscard]] SceneDetector& Detector() { return m_detector; }

private:
    SceneDetector m_detector;
    std::atomic<WindowMessageSink*> m_sink{nullptr};
};

} // namespace camtrove::filters
