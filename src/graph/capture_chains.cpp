// The capture chains: each format's filters hung on the spare outputs (output 2) of the preview's
// tees while the graph is stopped, and the teardown that takes them all out again. Pins are named
// by their place in the filter's enumeration as the chain reaches them; a multiplexer grows a free
// input each time one is connected, so the next one is its last pin.

#include "filters/ct_scene_detect.h"
#include "graph/graph_pins.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "media/core/dv_interfaces.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace camtrove::graph {

using namespace media;

namespace {

[[nodiscard]] bool Link(IFilterGraph* graph, const ComPtr<IPin>& output, const ComPtr<IPin>& input)
{
    return output && input && Succeeded(graph->ConnectDirect(output.Get(), input.Get(), nullptr));
}

[[nodiscard]] ComPtr<IPin> LastPin(IBaseFilter* filter)
{
    const auto pins = filter ? PinsOf(filter) : std::vector<ComPtr<IPin>>{};
    return pins.empty() ? nullptr : pins.back();
}

// The sinks open their file only when the graph runs; a folder that cannot take the file is
// refused while the chain is built, so the failure comes before the preview stops for nothing.
[[nodiscard]] bool FolderTakesFile(const QString& fileName)
{
    const QFileInfo folder(QFileInfo(fileName).absolutePath());
    return !QFileInfo(fileName).fileName().isEmpty() && folder.isDir() &&
           ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

[[nodiscard]] bool PutDVStandard(IBaseFilter* encoder, bool pal)
{
    const auto dv = QueryAs<IDVEnc>(encoder);
    return dv && Succeeded(dv->put_IFormatResolution(
                     pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC, DVENCODERFORMAT_DVSD,
                     DVENCODERRESOLUTION_720x480, false, nullptr));
}

} // namespace

bool Tdm::ActiveVideoIsDVCamcorder() const
{
    return ActiveVideoSource && ActiveVideoSource->Device && ActiveVideoSource->Device->Kind == dkDVCamcorder;
}

bool Tdm::OpenCaptureMux(const QString& fileName)
{
    return FolderTakesFile(fileName) &&
           Succeeded(m_builder->SetOutputFileName(MEDIASUBTYPE_Avi, fileName, &CaptureMux, &CaptureSink)) &&
           CaptureMux;
}

bool Tdm::BuildCaptureChain(std::uint8_t code, const QString& fileName,
                            std::function<void()> onImageByImageStop)
{
    bool built = false;
    try {
        switch (static_cast<CaptureFormat>(code)) {
        case CaptureFormat::None:
        case CaptureFormat::Default:
            return true;
        case CaptureFormat::DvType1Native:
            built = ActiveVideoSource && FolderTakesFile(fileName) &&
                    ActiveVideoSource->Device->BuildMuxGraph(fileName);
            break;
        case CaptureFormat::DvType2Native:
            built = BuildDVType2Native(fileName);
            break;
        case CaptureFormat::AviNative:
            built = BuildAviNative(fileName);
            break;
        case CaptureFormat::DvType2Recomp:
            built = BuildDVType2Recomp(fileName);
            break;
        case CaptureFormat::ImageByImage:
            built = BuildImageByImage(fileName, std::move(onImageByImageStop));
            break;
        case CaptureFormat::Wav:
            built = BuildWav(fileName);
            break;
        default:
            // The MPEG, Windows Media, DivX and MP3 chains need their encoders; until then (and for
            // codes outside the table) no capture may look as if it started.
            built = false;
            break;
        }
    } catch (const std::exception&) {
        built = false;
    }
    if (!built)
        // Half a chain would hold the tees' spare outputs and the shared components, and break the
        // next capture; the preview goes back to what it was.
        (void)TeardownCapture();
    return built;
}

bool Tdm::BuildDVType2Native(const QString& fileName)
{
    if (!NativeVideoTee || !OpenCaptureMux(fileName))
        return false;
    auto* graph = m_graph.Get();
    auto* control = ControlCaptureVideo.Get();
    if (Failed(infdumvideo.Join(graph)) || Failed(AddOwnFilter(control, kControlCaptureVideoName)))
        return false;
    auto* mux = CaptureMux.Get();
    if (!Link(graph, PinAt(NativeVideoTee->Filter(), 2), PinAt(control, 0)) ||
        !Link(graph, PinAt(control, 1), PinAt(infdumvideo.Filter(), 0)) ||
        !Link(graph, PinAt(infdumvideo.Filter(), 1), PinAt(mux, 1)))
        return false;
    if (!ActiveAudioSource)
        return true;
    if (!NativeAudioTee || Failed(acmcap.Join(graph)) ||
        !Link(graph, PinAt(NativeAudioTee->Filter(), 2), PinAt(acmcap.Filter(), 0)) ||
        !Link(graph, PinAt(acmcap.Filter(), 1), LastPin(mux)))
        return false;
    return ConfigureAcmFormat(PINDIR_OUTPUT);
}

bool Tdm::BuildAviNative(const QString& fileName)
{
    if (!NativeVideoTee || !OpenCaptureMux(fileName))
        return false;
    auto* graph = m_graph.Get();
    auto* control = ControlCaptureVideo.Get();
    auto* mux = CaptureMux.Get();
    if (Failed(AddOwnFilter(control, kControlCaptureVideoName)) ||
        !Link(graph, PinAt(NativeVideoTee->Filter(), 2), PinAt(control, 0)) ||
        !Link(graph, PinAt(control, 1), PinAt(mux, 1)))
        return false;
    if (!ActiveAudioSource)
        return true;
    auto* stamper = AudioCapTamponer.Get();
    if (!NativeAudioTee || Failed(acmcap.Join(graph)) ||
        !Link(graph, PinAt(NativeAudioTee->Filter(), 2), PinAt(acmcap.Filter(), 0)) ||
        Failed(AddOwnFilter(stamper, kAudioCapTamponerName)) ||
        !Link(graph, PinAt(acmcap.Filter(), 1), PinAt(stamper, 0)) ||
        !Link(graph, PinAt(stamper, 1), LastPin(mux)))
        return false;
    return ConfigureAcmFormat(PINDIR_OUTPUT);
}

bool Tdm::BuildDVType2Recomp(const QString& fileName)
{
    if (!OpenCaptureMux(fileName))
        return false;
    auto* graph = m_graph.Get();
    if (Failed(DVenc.Join(graph)))
        return false;
    auto* detector = ActiveVideoSource && ActiveVideoSource->SceneDetect
                         ? &ActiveVideoSource->SceneDetect->Detector()
                         : nullptr;
    bool pal = Preferences.standardDV == 0;
    if (Preferences.garderFormatDV && ActiveVideoIsDVCamcorder() && detector) {
        // A detector that has seen no frame yet knows no system (2); the preference stands then
        // rather than a guess of NTSC for every camcorder.
        const auto system = detector->Current().System;
        if (system != 2)
            pal = system == 0;
    }
    if (!PutDVStandard(DVenc.Filter(), pal))
        return false;

    auto* header = DVHeader.Get();
    auto* videoStamper = VideoCapTamponer.Get();
    auto* control = ControlCaptureVideo.Get();
    if (Failed(DVmux.Join(graph)) || Failed(DVsplitter.Join(graph)) ||
        Failed(AddOwnFilter(header, kDVHeaderName)) ||
        Failed(AddOwnFilter(videoStamper, kVideoCapTamponerName)) || Failed(infdumvideo.Join(graph)) ||
        Failed(AddOwnFilter(control, kControlCaptureVideoName)))
        return false;
    const std::pair<ComPtr<IPin>, ComPtr<IPin>> video[] = {
        {PinAt(infdecvideo.Filter(), 2), PinAt(control, 0)},
        {PinAt(control, 1), PinAt(DVenc.Filter(), 0)},
        {PinAt(DVenc.Filter(), 1), PinAt(header, 0)},
        {PinAt(header, 1), PinAt(videoStamper, 0)},
        {PinAt(videoStamper, 1), PinAt(infdumvideo.Filter(), 0)},
    };
    for (const auto& [output, input] : video)
        if (!Link(graph, output, input))
            return false;
    // The tee's output exists only once its input is connected.
    if (!Link(graph, PinAt(infdumvideo.Filter(), 1), PinAt(DVmux.Filter(), 0)))
        return false;
    // The camcorder's header blocks name its own line system; over frames of the other system they
    // would make every frame unreadable, so such frames keep the encoder's headers.
    const bool otherSystem = detector && detector->Current().System == (pal ? 1 : 0);
    header->SetSceneDetector(otherSystem ? nullptr : detector);
    header->SetWideMode(Preferences.garderFormatDV ? 2 : Preferences.ratioDV);

    // The sound's rate goes into the muxer's DV header, so the muxer's output is connected only
    // once the rate is set: a later change would reconnect it and the splitter would drop the
    // outputs already linked to the file.
    auto* audioStamper = AudioCapTamponer.Get();
    const bool audio = ActiveAudioSource != nullptr;
    if (audio && (Failed(acmcap.Join(graph)) || Failed(AddOwnFilter(audioStamper, kAudioCapTamponerName)) ||
                  !Link(graph, PinAt(infdecaudio.Filter(), 2), PinAt(audioStamper, 0)) ||
                  !Link(graph, PinAt(audioStamper, 1), PinAt(acmcap.Filter(), 0)) ||
                  !Link(graph, PinAt(acmcap.Filter(), 1), PinAt(DVmux.Filter(), 1)) ||
                  !ConfigureAcmFormat(PINDIR_OUTPUT)))
        return false;
    auto* mux = CaptureMux.Get();
    if (!Link(graph, LastPin(DVmux.Filter()), PinAt(DVsplitter.Filter(), 0)) ||
        !Link(graph, PinAt(DVsplitter.Filter(), 1), PinAt(mux, 1)))
        return false;
    if (audio &&
        Failed(m_builder->RenderStream(nullptr, &MEDIATYPE_Audio, DVsplitter.Filter(), nullptr, mux)))
        return false;
    audioStamper->ClearStripTimes();
    return true;
}

bool Tdm::BuildImageByImage(const QString& fileName, std::function<void()> onStop)
{
    if (!OpenCaptureMux(fileName))
        return false;
    auto* graph = m_graph.Get();
    if (Failed(DVmux.Join(graph)))
        return false;
    // The muxer's output is its pin 1 until its video input is connected and an audio input
    // comes in between.
    const auto muxOutput = PinAt(DVmux.Filter(), 1);
    if (ActiveVideoIsDVCamcorder()) {
        if (!NativeVideoTee || !Link(graph, PinAt(NativeVideoTee->Filter(), 2), PinAt(DVmux.Filter(), 0)))
            return false;
    } else if (Failed(DVenc.Join(graph)) || !PutDVStandard(DVenc.Filter(), Preferences.standardDV == 0) ||
               !Link(graph, PinAt(infdecvideo.Filter(), 2), PinAt(DVenc.Filter(), 0)) ||
               !Link(graph, PinAt(DVenc.Filter(), 1), PinAt(DVmux.Filter(), 0))) {
        return false;
    }
    auto* gate = ControlFilter.Get();
    auto* mux = CaptureMux.Get();
    if (Failed(DVsplitter.Join(graph)) || !Link(graph, muxOutput, PinAt(DVsplitter.Filter(), 0)) ||
        Failed(AddOwnFilter(gate, kControlFilterName)) ||
        !Link(graph, PinAt(DVsplitter.Filter(), 1), PinAt(gate, 0)) ||
        !Link(graph, PinAt(gate, 1), PinAt(mux, 1)))
        return false;
    const auto interleaving = QueryAs<IConfigInterleaving>(mux);
    if (!interleaving || Failed(interleaving->put_Mode(INTERLEAVE_NONE)))
        return false;
    gate->MarkSync.store(true);
    gate->MarkDiscontinuity.store(true);
    gate->Increment.store(1);
    gate->SetRestamp(true);
    gate->Gate.store(false);
    gate->OnStop = std::move(onStop);
    return true;
}

bool Tdm::BuildWav(const QString& fileName)
{
    if (!ActiveAudioSource)
        return false;
    auto* graph = m_graph.Get();
    auto* wave = WaveDest.Get();
    if (Failed(acmcap.Join(graph)) || Failed(AddOwnFilter(wave, kWaveDestName)) ||
        Failed(FileWriter.Join(graph)))
        return false;
    const auto sink = QueryAs<IFileSinkFilter>(FileWriter.Filter());
    if (!sink || !FolderTakesFile(fileName) || Failed(sink->SetFileName(fileName, nullptr)))
        return false;
    if (!Link(graph, PinAt(infdecaudio.Filter(), 2), PinAt(acmcap.Filter(), 0)) ||
        !ConfigureAcmFormat(PINDIR_INPUT))
        return false;
    auto* stamper = AudioCapTamponer.Get();
    return Succeeded(AddOwnFilter(stamper, kAudioCapTamponerName)) &&
           Link(graph, PinAt(acmcap.Filter(), 1), PinAt(stamper, 0)) &&
           Link(graph, PinAt(stamper, 1), PinAt(wave, 0)) &&
           Link(graph, PinAt(wave, 1), PinAt(FileWriter.Filter(), 0));
}

bool Tdm::TeardownCapture()
{
    // The end-of-capture handler ran when the graph stopped; the stops and removals below must not
    // run it again.
    ControlFilter->OnStop = nullptr;
    infdumvideo.Leave();
    acmcap.Leave();
    if (const auto sink = QueryAs<IBaseFilter>(CaptureSink.Get()))
        RemoveOwnFilter(sink.Get());
    RemoveOwnFilter(CaptureMux.Get());
    CaptureSink.Reset();
    CaptureMux.Reset();
    // The DV type 1 chain belongs to the camcorder, which keeps its own multiplexer and sink.
    if (ActiveVideoSource && ActiveVideoSource->Device)
        (void)ActiveVideoSource->Device->KillMuxGraph();
    RemoveOwnFilter(AudioCapTamponer.Get());
    RemoveOwnFilter(VideoCapTamponer.Get());
    RemoveOwnFilter(ControlCaptureVideo.Get());

    audioenc.Leave();
    muxer.Leave();
    DVenc.Leave();
    DVmux.Leave();
    DVsplitter.Leave();
    RemoveOwnFilter(DVHeader.Get());
    DVHeader->SetSceneDetector(nullptr);
    RemoveOwnFilter(ControlFilter.Get());
    divx.Leave();
    RemoveOwnFilter(Resizer.Get());
    mp3.Leave();
    RemoveOwnFilter(WaveDest.Get());
    FileWriter.Leave();
    writer.Leave();

    if (!ActiveVideoIsDVCamcorder())
        return true;
    auto* source = ActiveVideoSource;
    (void)DeactivateVideoSource(source, false);
    StopGraph();
    HalfResolution = false;
    const bool activated = ActivateVideoSource(source);
    StopGraph();
    return activated;
}

} // namespace camtrove::graph
