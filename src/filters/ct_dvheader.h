#pragma once
// Tct_DVheader: sits right after the DV encoder of a re-encoded DV capture and puts the camcorder's
// header, subcode and VAUX blocks back into each frame, from the scene detector's ring slot that the
// inlay filter found for the frame it drew last; it can also force the 16:9 flag.
//
// That slot is the frame now leaving the encoder because in the chain source, decoder, inlay,
// encoder, this filter, each stage passes a frame on before taking the next.
//
// Graph construction sets the mode and the detector; Transform reads each once per frame on the
// encoder's streaming thread.

#include "filters/scene_detector.h"
#include "media/base/trans_in_place_filter.h"

#include <atomic>
#include <cstdint>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_DVHeader = media::MakeGuid("60FF9D56-EC15-4F17-A2AB-9DA99CD9D0DC");

class Tct_DVheader final : public media::TBCTransInPlaceFilter
{
public:
    static constexpr std::uint8_t kForceWide = 1; // any other mode keeps the camcorder's aspect

    Tct_DVheader();

    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT Transform(media::IMediaSample* sample) override;

    void SetWideMode(std::uint8_t mode) { m_mode.store(mode); }
    // The active DV source's detector, or null; it must outlive its use in a running graph.
    void SetSceneDetector(SceneDetector* detector) { m_detector.store(detector); }

    [[nodiscard]] std::uint8_t Mode() const { return m_mode.load(); }

private:
    std::atomic<std::uint8_t> m_mode{0};
    std::atomic<SceneDetector*> m_detector{nullptr};
};

} // namespace camtrove::filters
