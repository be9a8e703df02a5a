// Source activation: a source's device pieces into the main graph, the preview chain behind them
// to the renderers, and the values and interfaces read on the way.

#include "filters/ct_scene_detect.h"
#include "graph/graph_pins.h"
#include "graph/sources.h"
#include "graph/tdm.h"

namespace camtrove::graph {

using namespace media;

namespace {

QString FourCCText(std::uint32_t code)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        if (c != 0)
            text += QLatin1Char(c);
    }
    return text;
}

void SetNativeFormats(TCaptureDevice& device, CaptureFormat first)
{
    device.FirstNativeFormat = first;
    device.SecondNativeFormat = CaptureFormat::None;
}

} // namespace

HRESULT Tdm::FindVideoInterface(const GUID* category, const GUID& iid, void** object)
{
    for (const GUID* major : {&MEDIATYPE_Stream, &MEDIATYPE_Interleaved, &MEDIATYPE_Video})
        if (Succeeded(m_builder->FindInterface(category, major, VideoInterfaces.Filter.Get(), iid, object)))
            return S_OK;
    return E_NOINTERFACE;
}

HRESULT Tdm::FindAudioInterface(const GUID* category, const GUID& iid, void** object)
{
    for (const GUID* major : {&MEDIATYPE_Stream, &MEDIATYPE_Interleaved, &MEDIATYPE_Audio})
        if (Succeeded(m_builder->FindInterface(category, major, AudioInterfaces.Filter.Get(), iid, object)))
            return S_OK;
    return E_NOINTERFACE;
}

void Tdm::ReadVideoFormats(IBaseFilter* source)
{
    VideoFormats.clear();
    ComPtr<IPin> pin;
    if (Failed(m_builder->FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, false,
                                  0, &pin)) &&
        Failed(m_builder->FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, false, 0,
                                  &pin)))
        return;
    // The chosen index must name the same format at every activation, but a pin may enumerate its
    // current format first; its capability list keeps one order, so it is read when there is one.
    std::int32_t count = 0;
    std::int32_t size = 0;
    if (const auto config = QueryAs<IAMStreamConfig>(pin.Get());
        config && Succeeded(config->GetNumberOfCapabilities(&count, &size)) && count > 0) {
        for (std::int32_t i = 0; i < count && i < kMaxVideoFormats; ++i) {
            AM_MEDIA_TYPE type;
            if (Succeeded(config->GetStreamCaps(i, &type)))
                VideoFormats.push_back(std::move(type));
        }
        return;
    }
    for (auto& type : MediaTypesOf(pin.Get())) {
        if (static_cast<int>(VideoFormats.size()) >= kMaxVideoFormats)
            break;
        VideoFormats.push_back(std::move(type));
    }
}

void Tdm::ReleaseVideoInterfaces()
{
    VideoInterfaces = TVideoInterfaces{};
}

void Tdm::ReleaseAudioInterfaces()
{
    AudioInterfaces = TAudioInterfaces{};
}

bool Tdm::AcquireVideoInterfaces(IBaseFilter* source)
{
    ReleaseVideoInterfaces();
    auto& v = VideoInterfaces;
    v.Filter = ComPtr<IBaseFilter>(source);
    if (!v.Filter)
        return false;
    (void)FindVideoInterface(&PIN_CATEGORY_CAPTURE, IID_IAMVideoCompression, v.VideoCompression.AsOut());
    (void)FindVideoInterface(&PIN_CATEGORY_CAPTURE, IID_IAMStreamConfig, v.CaptureStreamConfig.AsOut());
    (void)FindVideoInterface(&PIN_CATEGORY_PREVIEW, IID_IAMStreamConfig, v.PreviewStreamConfig.AsOut());
    (void)FindVideoInterface(&PIN_CATEGORY_CAPTURE, IID_IAMTVTuner, v.TVTuner.AsOut());
    if (v.CaptureStreamConfig && ChosenVideoFormat >= 1 &&
        ChosenVideoFormat <= static_cast<int>(VideoFormats.size()))
        (void)v.CaptureStreamConfig->SetFormat(VideoFormats[static_cast<std::size_t>(ChosenVideoFormat - 1)]);
    (void)m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source, IID_IAMVfwCaptureDialogs,
                                   v.CaptureDialogs.AsOut());
    (void)m_builder->FindInterface(nullptr, nullptr, source, IID_IAMVideoProcAmp, v.VideoProcAmp.AsOut());
    (void)m_builder->FindInterface(nullptr, nullptr, source, IID_IAMCameraControl, v.CameraControl.AsOut());

    for (const auto& pin : PinsOf(source)) {
        if (DirectionOf(pin.Get()) != PINDIR_INPUT)
            continue;
        const auto properties = QueryAs<IKsPropertySet>(pin.Get());
        GUID category{};
        std::uint32_t returned = 0;
        if (properties &&
            Succeeded(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, sizeof category,
                                      &returned)) &&
            category == PIN_CATEGORY_ANALOGVIDEOIN) {
            v.CrossbarRouter = std::make_unique<TCrossbar>(pin.Get());
            v.CrossbarInputCount = v.CrossbarRouter->InputCount();
            break;
        }
    }

    if (Succeeded(FindVideoInterface(&PIN_CATEGORY_CAPTURE, IID_IAMCrossbar, v.Crossbar.AsOut()))) {
        const auto crossbarFilter = QueryAs<IBaseFilter>(v.Crossbar.Get());
        (void)m_builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, crossbarFilter.Get(), IID_IAMCrossbar,
                                       v.SecondCrossbar.AsOut());
    }
    return true;
}

bool Tdm::AcquireAudioInterfaces(IBaseFilter* source)
{
    ReleaseAudioInterfaces();
    auto& a = AudioInterfaces;
    a.Filter = ComPtr<IBaseFilter>(source);
    if (!a.Filter)
        return false;
    (void)FindAudioInterface(&PIN_CATEGORY_CAPTURE, IID_IAMStreamConfig, a.CaptureStreamConfig.AsOut());
    (void)FindAudioInterface(&PIN_CATEGORY_CAPTURE, IID_IAMTVAudio, a.TVAudio.AsOut());
    return true;
}

void Tdm::ReadNativeVideoValues(TVideoSource* source)
{
    const auto pin = NativeVideoTee ? PinAt(NativeVideoTee->Filter(), 1) : nullptr;
    const auto type = ConnectionTypeOf(pin.Get());
    if (!type)
        return;
    auto& native = NativeVideo;
    native.TemporallyCompressed = type->bTemporalCompression;
    REFERENCE_TIME averageTime = 0;
    if (const auto* vih =
            type->formattype == FORMAT_VideoInfo ? type->FormatAs<VIDEOINFOHEADER>() : nullptr) {
        native.Compression = FourCCText(vih->bmiHeader.biCompression);
        native.Width = vih->bmiHeader.biWidth;
        native.Height = vih->bmiHeader.biHeight;
        native.AspectX = native.AspectY = 0;
        averageTime = vih->AvgTimePerFrame;
    } else if (const auto* vih2 =
                   type->formattype == FORMAT_VideoInfo2 ? type->FormatAs<VIDEOINFOHEADER2>() : nullptr) {
        native.Compression = FourCCText(vih2->bmiHeader.biCompression);
        native.Width = vih2->bmiHeader.biWidth;
        native.Height = vih2->bmiHeader.biHeight;
        native.AspectX = native.AspectY = 0;
        averageTime = vih2->AvgTimePerFrame;
        source->Code = vsVideoInfo2;
        SetNativeFormats(*source->Device, CaptureFormat::AviNative);
    } else if (const auto* mpeg1 =
                   type->formattype == FORMAT_MPEGVideo ? type->FormatAs<MPEG1VIDEOINFO>() : nullptr) {
        native.Compression = QStringLiteral("MPEG1");
        native.Width = mpeg1->hdr.bmiHeader.biWidth;
        native.Height = mpeg1->hdr.bmiHeader.biHeight;
        native.AspectX = native.AspectY = 0;
        averageTime = mpeg1->hdr.AvgTimePerFrame;
        source->Code = vsMpeg1;
        SetNativeFormats(*source->Device, CaptureFormat::Mpeg1Native);
    } else if (const auto* mpeg2 =
                   type->formattype == FORMAT_MPEG2Video ? type->FormatAs<MPEG2VIDEOINFO>() : nullptr) {
        native.Compression = QStringLiteral("MPEG2");
        native.TemporallyCompressed = true;
        native.Width = mpeg2->hdr.bmiHeader.biWidth;
        native.Height = mpeg2->hdr.bmiHeader.biHeight;
        native.AspectX = static_cast<std::int32_t>(mpeg2->hdr.dwPictAspectRatioX);
        native.AspectY = static_cast<std::int32_t>(mpeg2->hdr.dwPictAspectRatioY);
        const bool unusable = native.AspectX == 0 || native.AspectY == 0 ||
                              (native.AspectX == native.Width && native.AspectY == native.Height);
        if (Preferences.mpeg2RatioNormal && unusable) {
            native.AspectX = 4;
            native.AspectY = 3;
        }
        averageTime = mpeg2->hdr.AvgTimePerFrame;
        source->Code = vsMpeg2;
        SetNativeFormats(*source->Device, CaptureFormat::Mpeg2Native);
    } else {
        return;
    }
    native.FrameDuration = static_cast<std::int32_t>(static_cast<std::uint32_t>(averageTime & 0xFFFFFFFF));
    if (native.FrameDuration < 1000)
        native.FrameDuration = 400000;
    native.FrameRate = 10000000.0 / native.FrameDuration;
    Superposer->SetFrameDuration(native.FrameDuration);
}

void Tdm::TakeCamcorder(TavFlux* source, TavFlux* other, IBaseFilter* filter)
{
    auto transport = QueryAs<IAMExtTransport>(filter);
    source->HasTransport = static_cast<bool>(transport);
    if (transport) {
        TCamcorderWindow* window = nullptr;
        if (other && other->Device == source->Device && other->CamcorderWindow)
            window = other->CamcorderWindow;
        else
            window = CamcorderWindow1.HoldsTransport() ? &CamcorderWindow2 : &CamcorderWindow1;
        window->Attach(source->Device->DisplayName, std::move(transport), QueryAs<IAMTimecodeReader>(filter));
        source->CamcorderWindow = window;
    }
    source->VCR = false;
    source->Camera = false;
    if (const auto device = QueryAs<IAMExtDevice>(filter)) {
        std::int32_t type = 0;
        double unused = 0;
        if (Succeeded(device->GetCapability(ED_DEVCAP_DEVICE_TYPE, &type, &unused))) {
            source->Camera = type == ED_DEVTYPE_CAMERA;
            source->VCR = type == ED_DEVTYPE_VCR;
        }
    }
}

void Tdm::GiveBackCamcorder(TavFlux* source)
{
    if (source->CamcorderWindow)
        source->CamcorderWindow->Release();
    source->CamcorderWindow = nullptr;
    source->HasTransport = false;
}

void Tdm::RemoveChainBetween(IBaseFilter* from, IBaseFilter* to)
{
    if (!from || !to)
        return;
    const auto x = PeerFilterOf(FirstConnectedPin(from, PINDIR_OUTPUT).Get());
    const auto y = PeerFilterOf(FirstConnectedPin(to, PINDIR_INPUT).Get());
    if (x && y && x.Get() != to && y.Get() != from)
        (void)m_graph->RemoveChain(x.Get(), y.Get());
}

bool Tdm::ActivateVideoSource(TVideoSource* source)
{
    if (!source)
        return false;
    Superposer->SetSourceFlipped(false);
    StopGraph();
    if (ActiveVideoSource && !DeactivateVideoSource(ActiveVideoSource, true))
        return false;
    if (JoinVideoSource(source))
        return true;
    // Half a chain left in the graph would hold the shared filters and break every later
    // activation; the device's pieces go with it.
    TearDownVideo(source, true);
    return false;
}

bool Tdm::JoinVideoSource(TVideoSource* source)
{
    auto& device = *source->Device;
    auto* component = device.SetSourceGraph();
    auto* filter = component ? component->Filter() : nullptr;
    ReadVideoFormats(filter);
    if (!AcquireVideoInterfaces(filter))
        return false;
    (void)device.SetVideoGraph(source->Stream);
    if (!DecodedVideoPin)
        return false;

    auto* stamper = TamponerVideo.Get();
    auto* superposer = Superposer.Get();
    if (Failed(AddOwnFilter(stamper, kTamponerVideoName)))
        return false;
    const auto stamperIn = FreePin(stamper, PINDIR_INPUT);
    const auto stamperOut = FreePin(stamper, PINDIR_OUTPUT);
    if (!stamperIn || !stamperOut)
        return false;
    (void)color1.Join(m_graph.Get());
    (void)infdecvideo.Join(m_graph.Get());
    (void)color3.Join(m_graph.Get());
    if (Failed(AddOwnFilter(superposer, kSuperposerName)))
        return false;

    bool connected = false;
    if (Succeeded(m_graph->ConnectDirect(DecodedVideoPin.Get(), PinAt(color1.Filter(), 0).Get(), nullptr))) {
        connected = Succeeded(
            m_graph->ConnectDirect(PinAt(color1.Filter(), 1).Get(), PinAt(superposer, 0).Get(), nullptr));
    } else {
        color1.Leave();
        connected =
            Succeeded(m_graph->ConnectDirect(DecodedVideoPin.Get(), PinAt(superposer, 0).Get(), nullptr));
    }
    if (!connected)
        return false;

    (void)infsupvideo.Join(m_graph.Get());
    const std::pair<ComPtr<IPin>, ComPtr<IPin>> chain[] = {
        {PinAt(superposer, 1), PinAt(infdecvideo.Filter(), 0)},
        {PinAt(infdecvideo.Filter(), 1), PinAt(infsupvideo.Filter(), 0)},
        {PinAt(infsupvideo.Filter(), 1), stamperIn},
        {stamperOut, PinAt(color3.Filter(), 0)},
        {PinAt(color3.Filter(), 1), PinAt(m_videoRenderer.Get(), 0)},
    };
    for (const auto& [output, input] : chain) {
        // The pins of a tee are only there once its input is connected.
        if (!output || !input || Failed(m_graph->ConnectDirect(output.Get(), input.Get(), nullptr)))
            break;
    }
    superposer->SetSceneDetector(source->SceneDetect ? &source->SceneDetect->Detector() : nullptr);

    if (!NativeVideoTee || !PinAt(NativeVideoTee->Filter(), 1))
        return false;
    ReadNativeVideoValues(source);

    TakeCamcorder(source, ActiveAudioSource, filter);
    ActiveVideoSource = source;
    source->Active = true;

    if (VideoInterfaces.CrossbarRouter)
        (void)VideoInterfaces.CrossbarRouter->SelectInput(Preferences.videoInputSelect);
    ComPtr<IAMCrossbar> crossbar;
    if (Succeeded(FindVideoInterface(&PIN_CATEGORY_CAPTURE, IID_IAMCrossbar, crossbar.AsOut()))) {
        std::int32_t outputs = 0;
        std::int32_t inputs = 0;
        if (Succeeded(crossbar->get_PinCounts(&outputs, &inputs)) && Preferences.videoInputSelect >= 0 &&
            Preferences.videoInputSelect < inputs)
            (void)crossbar->Route(0, Preferences.videoInputSelect);
    }
    return true;
}

bool Tdm::DeactivateVideoSource(TVideoSource* source, bool releaseDevice)
{
    if (!source || !source->Active)
        return true;
    source->Active = false;
    TearDownVideo(source, releaseDevice);
    return true;
}

void Tdm::TearDownVideo(TVideoSource* source, bool releaseDevice)
{
    StopGraph();
    (void)m_videoRenderer->put_Visible(false);
    RemoveChainBetween(NativeVideoTee ? NativeVideoTee->Filter() : nullptr, m_videoRenderer.Get());
    color1.Leave();
    color3.Leave();
    infdecvideo.Leave();
    RemoveOwnFilter(TamponerVideo.Get());
    RemoveOwnFilter(Superposer.Get());
    Superposer->SetSceneDetector(nullptr);
    infsupvideo.Leave();
    auto& device = *source->Device;
    (void)device.KillVideoGraph();
    const bool audioKeepsDevice = ActiveAudioSource && ActiveAudioSource->Device == &device;
    if (releaseDevice && !audioKeepsDevice) {
        ReleaseVideoInterfaces();
        (void)device.KillSourceGraph();
        GiveBackCamcorder(source);
    }
    if (ActiveVideoSource == source)
        ActiveVideoSource = nullptr;
}

bool Tdm::ActivateAudioSource(TAudioSource* source)
{
    if (!source)
        return false;
    StopGraph();
    if (ActiveAudioSource)
        (void)DeactivateAudioSource(ActiveAudioSource, true);
    if (JoinAudioSource(source))
        return true;
    TearDownAudio(source, true);
    return false;
}

bool Tdm::JoinAudioSource(TAudioSource* source)
{
    auto& device = *source->Device;
    auto* component = device.SetSourceGraph();
    auto* filter = component ? component->Filter() : nullptr;
    const auto pin = device.SetAudioGraph(source->Stream);
    if (!pin)
        return false;
    (void)AcquireAudioInterfaces(filter);
    auto* stamper = TamponerAudio.Get();
    if (Failed(AddOwnFilter(stamper, kTamponerAudioName)) || Failed(infdecaudio.Join(m_graph.Get())) ||
        Failed(infsupaudio.Join(m_graph.Get())))
        return false;
    if (Failed(m_builder->RenderStream(nullptr, nullptr, pin.Get(), nullptr, infdecaudio.Filter())))
        return false;

    const auto type = ConnectionTypeOf(pin.Get());
    if (const auto* wave = type ? type->FormatAs<WAVEFORMATEX>() : nullptr) {
        NativeAudio.SamplesPerSec = static_cast<std::int32_t>(wave->nSamplesPerSec);
        NativeAudio.BitsPerSample = wave->wBitsPerSample;
        NativeAudio.Channels = wave->nChannels;
    }
    const auto peer = PeerOf(pin.Get());
    auto* control = ControlPreviewAudio.Get();
    if (type && peer) {
        (void)m_graph->Disconnect(pin.Get());
        (void)m_graph->Disconnect(peer.Get());
        if (Succeeded(AddOwnFilter(control, kControlPreviewAudioName)))
            if (Succeeded(m_graph->ConnectDirect(pin.Get(), PinAt(control, 0).Get(), &*type)))
                (void)m_graph->ConnectDirect(PinAt(control, 1).Get(), peer.Get(), &*type);
    }
    (void)m_builder->RenderStream(nullptr, nullptr, infdecaudio.Filter(), infsupaudio.Filter(), stamper);
    (void)m_builder->RenderStream(nullptr, nullptr, stamper, nullptr, audiorender.Filter());

    ActiveAudioSource = source;
    TakeCamcorder(source, ActiveVideoSource, filter);
    source->Active = true;
    return true;
}

bool Tdm::DeactivateAudioSource(TAudioSource* source, bool releaseDevice)
{
    if (!source || !source->Active)
        return true;
    source->Active = false;
    TearDownAudio(source, releaseDevice);
    return true;
}

void Tdm::TearDownAudio(TAudioSource* source, bool releaseDevice)
{
    StopGraph();
    RemoveChainBetween(NativeAudioTee ? NativeAudioTee->Filter() : nullptr, audiorender.Filter());
    infdecaudio.Leave();
    infsupaudio.Leave();
    // Where the chain could not be walked, the stamper would stay tied to the renderer.
    RemoveOwnFilter(TamponerAudio.Get());
    auto& device = *source->Device;
    (void)device.KillAudioGraph();
    const bool videoKeepsDevice = ActiveVideoSource && ActiveVideoSource->Device == &device;
    if (releaseDevice && !videoKeepsDevice) {
        ReleaseAudioInterfaces();
        (void)device.KillSourceGraph();
        GiveBackCamcorder(source);
    }
    if (ActiveAudioSource == source)
        ActiveAudioSource = nullptr;
}

void Tdm::SyncVideoFormat()
{
    if (!VideoInterfaces.CaptureStreamConfig)
        return;
    AM_MEDIA_TYPE current;
    if (Failed(VideoInterfaces.CaptureStreamConfig->GetFormat(&current)))
        return;
    for (std::size_t i = 0; i < VideoFormats.size(); ++i) {
        if (VideoFormats[i] == current) {
            ChosenVideoFormat = static_cast<std::int32_t>(i + 1);
            return;
        }
    }
}

} // namespace camtrove::graph
