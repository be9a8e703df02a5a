#pragma once
// A capture device: one entry of the video or audio device list, with the streams it gives and
// the operations that join its pieces to the main graph of the graph module and take them out
// again. Each kind owns a module of filter components and probes its streams on a private graph
// when it is made. The operations catch their own failures and leave the graph as far as they
// got: a failure shows only as a missing pin or tee. Control thread only.

#include "graph/capture_formats.h"
#include "graph/filter_component.h"

#include <QString>

#include <cstdint>

namespace camtrove::filters {
class Tct_SceneDetect;
}

namespace camtrove::graph {

class Tdm;

using TDeviceKind = std::uint8_t;
inline constexpr TDeviceKind dkDVCamcorder = 1;
inline constexpr TDeviceKind dkPlugIn = 2;
inline constexpr TDeviceKind dkVideo = 3;
inline constexpr TDeviceKind dkAudio = 4;

class TCaptureDevice
{
public:
    virtual ~TCaptureDevice() = default;
    TCaptureDevice(const TCaptureDevice&) = delete;
    TCaptureDevice& operator=(const TCaptureDevice&) = delete;

    // Joins the filters that bring video stream number stream (from 1); sets NativeVideoTee and
    // DecodedVideoPin of the graph module.
    virtual bool SetVideoGraph(int stream) = 0;
    // Joins the filters of audio stream number stream; sets NativeAudioTee; gives the tee output
    // that carries the sound, or null.
    virtual media::ComPtr<media::IPin> SetAudioGraph(int stream) = 0;
    virtual bool KillVideoGraph() = 0;
    virtual bool KillAudioGraph() = 0;
    // Puts the source filter (and what must stay in front of it) into the main graph.
    virtual TFilterComponent* SetSourceGraph() = 0;
    virtual bool KillSourceGraph() = 0;
    // The DV type 1 capture chain into file.
    virtual bool BuildMuxGraph(const QString& fileName) = 0;
    virtual bool KillMuxGraph() = 0;

    // The component that stands for the device in the graph; its moniker names the device.
    [[nodiscard]] virtual TFilterComponent& SourceFilter() = 0;
    // The DV device's scene detection filter, which its sources hold; null for other kinds.
    [[nodiscard]] virtual filters::Tct_SceneDetect* SceneDetect() const { return nullptr; }
    [[nodiscard]] Tdm& Dm() const { return m_dm; }

    QString DisplayName; // the text the sources are named after
    QString Name;        // the friendly name as enumerated
    std::int32_t Instance = 1;
    std::int32_t VideoStreams = 0;
    std::int32_t AudioStreams = 0;
    bool Valid = false;
    CaptureFormat FirstNativeFormat = CaptureFormat::None;
    CaptureFormat SecondNativeFormat = CaptureFormat::None;
    const TDeviceKind Kind;
    std::int32_t Present = 0;

protected:
    // The display name is the given one, with " #" and the instance number above 1.
    TCaptureDevice(Tdm& dm, TDeviceKind kind, std::int32_t instance, const QString& name,
                   const QString& displayName, CaptureFormat firstNative, CaptureFormat secondNative);

    Tdm& m_dm;
};

} // namespace camtrove::graph
