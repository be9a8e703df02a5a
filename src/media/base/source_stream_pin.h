#pragma once
// An output pin that delivers on its own streaming thread: started when the pin becomes active,
// asked to stop and joined when it becomes inactive. The pool of the pin's allocator holds the
// thread back when downstream is slower. Subclasses fill the buffers. A delivery that fails for
// another reason than a stopping or flushing downstream ends the thread with EC_ERRORABORT.

#include "media/base/base_pin.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace camtrove::media {

class SourceStreamPin : public TBCBaseOutputPin
{
public:
    SourceStreamPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                    QString pinName);
    ~SourceStreamPin() override;

    HRESULT Active() override;
    HRESULT Inactive() override;

protected:
    // Streaming thread: fills the next sample. S_OK delivers it, S_FALSE ends the stream with
    // end-of-stream, an error ends it with EC_ERRORABORT. A fill may wait (WaitFor) for as long
    // as the source has nothing to give; when Stop cuts the wait, its result is ignored.
    [[nodiscard]] virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    virtual void OnThreadStart() {}

    // Streaming thread: waits for the given time, false as soon as the pin is told to stop.
    [[nodiscard]] bool WaitFor(std::chrono::nanoseconds duration);
    [[nodiscard]] bool StopRequested() const;

private:
    void StreamingLoop();

    std::thread m_thread;
    mutable std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopRequested = false;
};

} // namespace camtrove::media
