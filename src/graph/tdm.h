#pragma once
// Tdm, the graph module: the one filter graph of the application and its capture graph builder,
// the stock filter components bound by moniker, one instance of each of the application's own
// filters (added under their graph names when used), and the state that the devices, the preview
// and the capture chains share: the native tees, the decoded video pin, the active sources, the
// native video and audio values, the device interfaces of the active sources and the video format
// list. Built once with the application and outliving the device and source lists; everything here
// runs on the control (UI) thread, and the filters it owns run on the graph's streaming threads.

#include "filters/ct_control_filter.h"
#include "filters/ct_dvheader.h"
#include "filters/ct_resizer.h"
#include "filters/ct_superposer.h"
#include "filters/ct_timestamper.h"
#include "filters/ct_wave_dest.h"
#include "graph/camcorder_window.h"
#include "graph/crossbar.h"
#include "graph/filter_component.h"
#include "graph/moniker_list.h"
#include "graph/native_values.h"
#include "graph/source_interfaces.h"
#include "media/core/capture_graph_builder.h"
#include "media/core/device_source.h"
#include "media/core/filter_graph.h"
#include "media/core/system_device_enum.h"
#include "media/devices/test_device_source.h"
#include "media/stock/video_renderer.h"

#include <functional>
#include <memory>
#include <vector>

namespace camtrove::graph {

class TVideoSource;
class TAudioSource;
class TavFlux;
class IPlugInDevices;

// Graph names of the application's own filters.
inline constexpr const char* kSuperposerName = "Superposer";
inline constexpr const char* kTamponerVideoName = "Tamponer Video";
inline constexpr const char* kTamponerAudioName = "Tamponer Audio";
inline constexpr const char* kControlPreviewVideoName = "Control_Preview_Video";
inline constexpr const char* kControlPreviewAudioName = "Control_Preview_Audio";
inline constexpr const char* kControlCaptureVideoName = "Control_Capture_Video";
inline constexpr const char* kAudioCapTamponerName = "AudioCap Tamponer";
inline constexpr const char* kAudioCapTimestamperName = "AudioCap Timestamper";
inline constexpr const char* kVideoCapTamponerName = "VideoCap Tamponer";
inline constexpr const char* kDVHeaderName = "DV Header";
inline constexpr const char* kControlFilterName = "Control Filter";
inline constexpr const char* kResizerName = "Resizer";
inline constexpr const char* kWaveDestName = "Wave Dest";
inline constexpr const char* kVideoRendererName = "Video Renderer";

inline constexpr int kMaxVideoFormats = 300;

// What the preview needs of the preferences; the caller keeps it up to date.
struct TdmPreferences
{
    bool mpeg2RatioNormal = true;       // "Mpeg2 Ratio Normal"
    std::int32_t videoInputSelect = -1; // "Video Input Select"
    // What the capture chains read.
    std::uint8_t standardDV = 0;   // "Standard DV": 0 PAL, otherwise NTSC
    std::uint8_t frequenceDV = 3;  // "FrequenceDV": 1 32000 Hz, 2 44100 Hz, 3 48000 Hz
    std::uint8_t ratioDV = 0;      // "RatioDV": 0 4x3, 1 16x9
    bool frequenceDVNative = true; // "Frequence DV native"
    bool garderFormatDV = false;   // "Garder Format DV"
};

class Tdm
{
public:
    // devices: where the enumerator finds the capture hardware (the built-in test devices among
    // them); catalogue: the registered filters the components and converters come from.
    explicit Tdm(media::DeviceSources devices = media::SystemDeviceSources(),
                 const media::FilterCatalogue* catalogue = &media::FilterCatalogue::BuiltIn());
    ~Tdm();
    Tdm(const Tdm&) = delete;
    Tdm& operator=(const Tdm&) = delete;

    [[nodiscard]] media::FilterGraph* Graph() const { return m_graph.Get(); }
    [[nodiscard]] media::ICaptureGraphBuilder2* Builder() const { return m_builder.Get(); }
    [[nodiscard]] media::ICreateDevEnum* DeviceEnumerator() const { return m_deviceEnum.Get(); }
    [[nodiscard]] media::IFilterMapper2* Mapper() const { return m_mapper.Get(); }
    [[nodiscard]] const media::FilterCatalogue& Catalogue() const { return *m_catalogue; }
    // A graph of the same catalogue, for probing a device away from the main graph.
    [[nodiscard]] media::ComPtr<media::FilterGraph> CreatePrivateGraph() const;

    // The application's video window filter and the audio renderer joined to the graph (done
    // once at start-up).
    [[nodiscard]] bool AttachRenderers();
    [[nodiscard]] media::VideoRenderer* VideoRenderer() const { return m_videoRenderer.Get(); }

    // The own filters under their graph names; removing one not in the graph does nothing.
    [[nodiscard]] media::HRESULT AddOwnFilter(media::IBaseFilter* filter, const char* name);
    void RemoveOwnFilter(media::IBaseFilter* filter);

    // Fills the crossbar monikers: every moniker of AM_KSCATEGORY_CROSSBAR in enumeration order.
    void EnumerateCrossbars();

    // Source activation: the device's pieces and the preview chain to the renderers. Both leave
    // the graph stopped; the caller runs it.
    [[nodiscard]] bool ActivateVideoSource(TVideoSource* source);
    bool DeactivateVideoSource(TVideoSource* source, bool releaseDevice);
    [[nodiscard]] bool ActivateAudioSource(TAudioSource* source);
    bool DeactivateAudioSource(TAudioSource* source, bool releaseDevice);
    // After the capture pin's settings changed: the chosen index follows the pin's format.
    void SyncVideoFormat();

    [[nodiscard]] bool RunGraph();
    void StopGraph();

    // The capture chain of a format code hung on the spare outputs of the preview's tees, with
    // the graph stopped. Codes 0 and 10 build nothing. A chain that fails half-way is taken out
    // again, so the preview graph is as it was. onImageByImageStop is the control filter's OnStop
    // for code 8.
    [[nodiscard]] bool BuildCaptureChain(std::uint8_t code, const QString& fileName,
                                         std::function<void()> onImageByImageStop = {});
    // Takes every filter of any chain out of the stopped graph and brings a DV source's preview
    // back as activation made it.
    bool TeardownCapture();
    // The ACM Wrapper's output as 16-bit stereo PCM at the capture rate, from the connection type
    // of its pin 0 of the given direction.
    [[nodiscard]] bool ConfigureAcmFormat(media::PIN_DIRECTION direction);

    // Called by a source that is going away, so that no slot keeps it.
    void Forget(const TavFlux* source);

    // Stock filter components of the capture chains and the preview.
    TFilterComponent acmcap{"acmcap"};
    TFilterComponent infdecvideo{"infdecvideo"};
    TFilterComponent infsupvideo{"infsupvideo"};
    TFilterComponent infdumvideo{"infdumvideo"};
    TFilterComponent infdecaudio{"infdecaudio"};
    TFilterComponent infsupaudio{"infsupaudio"};
    TFilterComponent DVenc{"DVenc"};
    TFilterComponent DVmux{"DVmux"};
    TFilterComponent DVsplitter{"DVsplitter"};
    TFilterComponent FileWriter{"FileWriter"};
    TFilterComponent writer{"writer"};
    TFilterComponent divx{"divx"};
    TFilterComponent mp3{"mp3"};
    TFilterComponent muxer{"muxer"};
    TFilterComponent audioenc{"audioenc"};
    TFilterComponent color1{"color1"};
    TFilterComponent color3{"color3"};
    TFilterComponent audiorender{"Default DirectSound Device"};
    TFilterComponent test{"test"};

    // The application's own filters, one of each.
    media::ComPtr<filters::Tct_Superposer> Superposer;
    media::ComPtr<filters::Tct_TimeStamper> TamponerVideo;
    media::ComPtr<filters::Tct_TimeStamper> TamponerAudio;
    media::ComPtr<filters::Tct_TimeStamper> ControlPreviewVideo;
    media::ComPtr<filters::Tct_TimeStamper> ControlPreviewAudio;
    media::ComPtr<filters::Tct_TimeStamper> ControlCaptureVideo;
    media::ComPtr<filters::Tct_TimeStamper> AudioCapTamponer;
    media::ComPtr<filters::Tct_TimeStamper> VideoCapTamponer;
    media::ComPtr<filters::Tct_DVheader> DVHeader;
    media::ComPtr<filters::Tct_ControlFilter> ControlFilter;
    media::ComPtr<filters::TCT_Resizer> Resizer;
    media::ComPtr<filters::Tct_WaveDest> WaveDest;

    // Shared slots of the devices, the preview and the capture chains.
    TFilterComponent* NativeVideoTee = nullptr;
    TFilterComponent* NativeAudioTee = nullptr;
    media::ComPtr<media::IPin> DecodedVideoPin;
    TVideoSource* ActiveVideoSource = nullptr;
    TAudioSource* ActiveAudioSource = nullptr;
    TNativeVideo NativeVideo;
    TNativeAudio NativeAudio;
    TVideoInterfaces VideoInterfaces;
    TAudioInterfaces AudioInterfaces;
    // Read by the DV device when it joins its decoder; set by the DivX chain.
    bool HalfResolution = false;
    // The multiplexer and file sink of SetOutputFileName while a capture chain holds them.
    media::ComPtr<media::IBaseFilter> CaptureMux;
    media::ComPtr<media::IFileSinkFilter> CaptureSink;

    // Up to kMaxVideoFormats types of the active video source's capture pin; the chosen index
    // counts from 1, 0 for none, and is applied at every video activation.
    std::vector<media::AM_MEDIA_TYPE> VideoFormats;
    std::int32_t ChosenVideoFormat = 0;

    TMonikerList CrossbarMonikers;
    TCamcorderWindow CamcorderWindow1{1};
    TCamcorderWindow CamcorderWindow2{2};
    TdmPreferences Preferences;
    // Loaded plug-ins that serve devices by driver name; none until plug-ins are loaded.
    IPlugInDevices* PlugIns = nullptr;
    // Tells the user something ("Not Ready"); by default nobody is told.
    std::function<void(const QString&)> ShowMessage = [](const QString&) {};

private:
    void ReadVideoFormats(media::IBaseFilter* source);
    [[nodiscard]] bool AcquireVideoInterfaces(media::IBaseFilter* source);
    [[nodiscard]] bool AcquireAudioInterfaces(media::IBaseFilter* source);
    void ReleaseVideoInterfaces();
    void ReleaseAudioInterfaces();
    [[nodiscard]] media::HRESULT FindVideoInterface(const media::GUID* category, const media::GUID& iid,
                                                    void** object);
    [[nodiscard]] media::HRESULT FindAudioInterface(const media::GUID* category, const media::GUID& iid,
                                                    void** object);
    [[nodiscard]] bool JoinVideoSource(TVideoSource* source);
    [[nodiscard]] bool JoinAudioSource(TAudioSource* source);
    // Everything activation joins, out of the graph; the device's source too when releaseDevice
    // is set and the other kind's active source does not hold the same device.
    void TearDownVideo(TVideoSource* source, bool releaseDevice);
    void TearDownAudio(TAudioSource* source, bool releaseDevice);
    void ReadNativeVideoValues(TVideoSource* source);
    // Camcorder control and device type of a newly active source; other is the active source of
    // the other kind, whose window this one shares when it is of the same device.
    void TakeCamcorder(TavFlux* source, TavFlux* other, media::IBaseFilter* filter);
    void GiveBackCamcorder(TavFlux* source);
    void RemoveChainBetween(media::IBaseFilter* from, media::IBaseFilter* to);
    [[nodiscard]] bool BuildDVType2Native(const QString& fileName);
    [[nodiscard]] bool BuildAviNative(const QString& fileName);
    [[nodiscard]] bool BuildDVType2Recomp(const QString& fileName);
    [[nodiscard]] bool BuildImageByImage(const QString& fileName, std::function<void()> onStop);
    [[nodiscard]] bool BuildWav(const QString& fileName);
    [[nodiscard]] bool OpenCaptureMux(const QString& fileName);
    [[nodiscard]] bool ActiveVideoIsDVCamcorder() const;

    const media::FilterCatalogue* m_catalogue;
    media::ComPtr<media::FilterGraph> m_graph;
    media::ComPtr<media::CaptureGraphBuilder> m_builder;
    media::ComPtr<media::SystemDeviceEnum> m_deviceEnum;
    media::ComPtr<media::FilterMapper> m_mapper;
    media::ComPtr<media::VideoRenderer> m_videoRenderer;
};

} // namespace camtrove::graph
