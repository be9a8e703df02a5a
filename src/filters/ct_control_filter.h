#pragma once
// Tct_ControlFilter: the gate of image-by-image capture. Each opening lets exactly one frame
// through, the first to arrive after it; with Restamp the frames that pass are numbered 0, 1, 2 ...
// in their media times, and the numbering goes on across captures (Counter is never reset). After
// every Stop the filter calls OnStop, so the application can finish or delete the file.
//
// Graph construction sets the fields before the graph runs; the main window opens the gate on the
// user-interface thread; Transform reads and closes it on the streaming thread. OnStop runs on the
// thread that stops the graph, after this filter has stopped.

#include "media/base/trans_in_place_filter.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_ControlFilter = media::MakeGuid("E1DF0C6D-1C96-4A23-B4E2-F9344DE994A7");

class Tct_ControlFilter final : public media::TBCTransInPlaceFilter
{
public:
    Tct_ControlFilter();

    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT Transform(media::IMediaSample* sample) override;
    // Opens the gate, stops, then calls OnStop.
    HRESULT Stop() override;

    void SetRestamp(bool restamp) { Restamp.store(restamp); }

    std::atomic<bool> Gate{true};
    std::atomic<bool> Restamp{false};
    std::atomic<std::int64_t> Counter{0};
    std::atomic<std::int64_t> Increment{1};
    std::atomic<bool> MarkSync{false};
    std::atomic<bool> MarkDiscontinuity{false};
    // Set before the graph runs; the context is whatever the function captures.
    std::function<void()> OnStop;
};

} // namespace camtrove::filters
