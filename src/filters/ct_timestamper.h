#pragma once
// Tct_TimeStamper: a pass-through that can freeze its stream (every sample dropped while the graph
// keeps running) or strip the time stamps, so that a renderer behind it shows each sample at once.
//
// The setters are called on the user-interface thread while the graph runs; Transform reads each
// flag once per sample on the streaming thread.

#include "media/base/trans_in_place_filter.h"

#include <atomic>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_Timestamper = media::MakeGuid("E5307FC4-8823-4F58-A01D-D8C863F8BBA8");

class Tct_TimeStamper final : public media::TBCTransInPlaceFilter
{
public:
    Tct_TimeStamper();

    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT Transform(media::IMediaSample* sample) override;

    void SetFrozen(bool frozen) { m_frozen.store(frozen); }
    void SetStripTimes() { m_stripTimes.store(true); }
    void ClearStripTimes() { m_stripTimes.store(false); }

    [[nodiscard]] bool Frozen() const { return m_frozen.load(); }
    [[nodiscard]] bool StripTimes() const { return m_stripTimes.load(); }

private:
    std::atomic<bool> m_frozen{false};
    std::atomic<bool> m_stripTimes{false};
};

} // namespace camtrove::filters
