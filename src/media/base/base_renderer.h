#pragma once
// TBCBaseRenderer: a filter with one input pin "In" where a stream ends. A sample with a start
// time is presented when the reference clock reaches the graph's stream start plus that time;
// a sample without times is presented at once, paused or running. While paused, timed samples
// wait for Run. Stop and BeginFlush wake a waiting sample at once, and Stop waits for the sample
// being presented before StopStreaming runs. End-of-stream is the graph's completion.
//
// Receive runs on the upstream streaming thread under the receive lock; the clock, the stream
// start and the running state it waits on are handed over under the schedule mutex.

#include "media/base/base_pin.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace camtrove::media {

class TBCBaseRenderer;

class TBCRendererInputPin final : public TBCBaseInputPin
{
public:
    TBCRendererInputPin(TBCBaseRenderer* renderer, HRESULT* result, QString pinName);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

private:
    TBCBaseRenderer* m_renderer;
};

class TBCBaseRenderer : public TBCBaseFilter
{
public:
    TBCBaseRenderer(QString objectName, const GUID& classId, QString pinName = QStringLiteral("In"));
    ~TBCBaseRenderer() override;

    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    [[nodiscard]] TBCRendererInputPin* InputPin() const { return m_pin.get(); }

    // What a renderer supplies.
    [[nodiscard]] virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE&) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    // Streaming thread, under the receive lock, once the sample is due.
    [[nodiscard]] virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    // Under the receive lock, when leaving and returning to the stopped state.
    [[nodiscard]] virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }

protected:
    friend class TBCRendererInputPin;

    // Waits until the sample is due; false when Stop or a flush ended the wait.
    [[nodiscard]] bool WaitForRenderTime(IMediaSample* sample);
    // Waits until the clock reaches a stream time (the stream start is added), as the sample wait
    // does; false when Stop or a flush ended the wait. Streaming thread.
    [[nodiscard]] bool WaitForStreamTime(REFERENCE_TIME streamTime);
    // Waits while paused; false when Stop or a flush ended the wait. Streaming thread.
    [[nodiscard]] bool WaitUntilRunning();
    // The clock time of the last Run and the clock it was read from; empty before a run.
    [[nodiscard]] ComPtr<IReferenceClock> RunClock(REFERENCE_TIME* streamStart);
    [[nodiscard]] HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    void WakeWaiters(bool aborting);

    TBCCritSec m_csFilter;
    TBCCritSec m_csReceive;

private:
    std::unique_ptr<TBCRendererInputPin> m_pin;

    std::mutex m_scheduleMutex;
    std::condition_variable m_scheduleChanged;
    ComPtr<IReferenceClock> m_runClock;
    REFERENCE_TIME m_streamStart = 0;
    bool m_running = false;
    bool m_aborting = false; // stopping or flushing
};

} // namespace camtrove::media
