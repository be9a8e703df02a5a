#pragma once
// The Sample Grabber: an in-place filter that lets the application look at the samples passing
// through. The media type it accepts is restricted before connection; each sample is handed to a
// callback on the streaming thread, or the last one is kept as a copy to read at any time.

#include "media/base/trans_in_place_filter.h"

#include <mutex>
#include <vector>

namespace camtrove::media {

inline constexpr GUID IID_ISampleGrabberCB = MakeGuid("0579154A-2B53-4994-B0D0-E773148EFF85");

class ISampleGrabberCB : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_ISampleGrabberCB;
    // Called on the streaming thread; sampleTime is the sample's start in seconds.
    virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
    virtual HRESULT BufferCB(double sampleTime, std::uint8_t* buffer, std::int32_t length) = 0;
};

// Which callback SetCallback installs.
inline constexpr int SampleGrabberCallSample = 0;
inline constexpr int SampleGrabberCallBuffer = 1;

class ISampleGrabber : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_ISampleGrabber;
    // The types the input will take from the next connection on; null GUIDs leave a field open,
    // and a fixed-size restriction refuses types whose samples vary in size.
    // In one-shot mode the first sample of a run passes and ends the stream: the grabber sends
    // end-of-stream downstream and tells upstream it wants no more.
    [[nodiscard]] virtual HRESULT SetOneShot(bool oneShot) = 0;
    [[nodiscard]] virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& type) = 0;
    [[nodiscard]] virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT SetBufferSamples(bool bufferThem) = 0;
    // With buffer null, *size receives the size needed for the last sample.
    [[nodiscard]] virtual HRESULT GetCurrentBuffer(std::int32_t* size, std::uint8_t* buffer) = 0;
    // callback null removes it.
    [[nodiscard]] virtual HRESULT SetCallback(ISampleGrabberCB* callback, int whichMethodToCallback) = 0;
};

class SampleGrabber final : public TBCTransInPlaceFilter, public ISampleGrabber
{
public:
    [[nodiscard]] static ComPtr<SampleGrabber> Create();

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT Transform(IMediaSample* sample) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT StartStreaming() override;

    // ISampleGrabber
    HRESULT SetOneShot(bool oneShot) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT SetBufferSamples(bool bufferThem) override;
    HRESULT GetCurrentBuffer(std::int32_t* size, std::uint8_t* buffer) override;
    HRESULT SetCallback(ISampleGrabberCB* callback, int whichMethodToCallback) override;

private:
    SampleGrabber();

    std::mutex m_grabMutex; // guards everything below; the streaming thread reads it per sample
    AM_MEDIA_TYPE m_restriction;
    bool m_bufferSamples = false;
    bool m_haveBuffer = false;
    std::vector<std::uint8_t> m_buffer;
    ComPtr<ISampleGrabberCB> m_callback;
    int m_whichCallback = SampleGrabberCallSample;
    bool m_oneShot = false;
    bool m_shotTaken = false; // under the receive lock
};

} // namespace camtrove::media
