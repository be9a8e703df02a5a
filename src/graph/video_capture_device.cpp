#include "graph/video_capture_device.h"

#include "graph/graph_pins.h"
#include "graph/tdm.h"
#include "media/stock/sample_grabber.h"

namespace camtrove::graph {

using namespace media;

namespace {

int CountPins(ICaptureGraphBuilder2* builder, IBaseFilter* filter, const GUID* category, const GUID& major)
{
    int count = 0;
    ComPtr<IPin> pin;
    while (Succeeded(builder->FindPin(filter, PINDIR_OUTPUT, category, &major, false, count, &pin)))
        ++count;
    return count;
}

std::vector<ComPtr<IMoniker>> Monikers(IEnumMoniker* enumerator)
{
    std::vector<ComPtr<IMoniker>> monikers;
    ComPtr<IMoniker> moniker;
    while (enumerator && enumerator->Next(&moniker) == S_OK)
        monikers.push_back(moniker);
    return monikers;
}

} // namespace

TVideoCaptureDevice::TVideoCaptureDevice(Tdm& dm, IMoniker* moniker, std::int32_t instance,
                                         const QString& name)
    : TCaptureDevice(dm, dkVideo, instance, name, name, CaptureFormat::AviNative, CaptureFormat::None)
{
    const auto& catalogue = dm.Catalogue();
    m_module.vid_source.BindMoniker(ComPtr<IMoniker>(moniker));
    (void)m_module.vid_sg.BindClass(catalogue, CLSID_SampleGrabber);
    (void)m_module.vid_nativevideoinfinite.BindClass(catalogue, CLSID_InfTee);
    (void)m_module.vid_nativeaudioinfinite.BindClass(catalogue, CLSID_InfTee);
    Probe();
}

void TVideoCaptureDevice::Probe()
{
    const auto graph = m_dm.CreatePrivateGraph();
    const auto builder = CaptureGraphBuilder::Create(&m_dm.Catalogue());
    if (Succeeded(builder->SetFiltergraph(graph.Get())) && Succeeded(m_module.vid_source.Join(graph.Get()))) {
        auto* source = m_module.vid_source.Filter();
        VideoStreams = CountPins(builder.Get(), source, &PIN_CATEGORY_CAPTURE, MEDIATYPE_Video);
        AudioStreams = CountPins(builder.Get(), source, nullptr, MEDIATYPE_Audio);
    }
    m_module.vid_source.Leave();
    Valid = true;
}

TFilterComponent* TVideoCaptureDevice::SetSourceGraph()
{
    auto* graph = m_dm.Graph();
    if (!m_module.vid_source.InGraph(graph) && Failed(m_module.vid_source.Join(graph)))
        return &m_module.vid_source;
    ComPtr<IPin> input;
    if (Succeeded(m_dm.Builder()->FindPin(m_module.vid_source.Filter(), PINDIR_INPUT, nullptr, nullptr, true,
                                          0, &input))) {
        bool routed = false;
        for (int i = 0; i < m_dm.CrossbarMonikers.Count() && !routed; ++i) {
            m_module.vid_crossbar.BindMoniker(ComPtr<IMoniker>(m_dm.CrossbarMonikers.Items(i)));
            routed = Succeeded(m_module.vid_crossbar.Join(graph)) &&
                     Succeeded(m_dm.Builder()->RenderStream(nullptr, nullptr, m_module.vid_crossbar.Filter(),
                                                            nullptr, m_module.vid_source.Filter()));
        }
        if (!routed)
            m_module.vid_crossbar.Leave();
    }
    return &m_module.vid_source;
}

bool TVideoCaptureDevice::JoinGrabber()
{
    if (Failed(m_module.vid_sg.Join(m_dm.Graph())))
        return false;
    const auto grabber = QueryAs<ISampleGrabber>(m_module.vid_sg.Filter());
    if (!grabber)
        return false;
    AM_MEDIA_TYPE wanted;
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = FORMAT_VideoInfo;
    wanted.bFixedSizeSamples = true;
    return Succeeded(grabber->SetMediaType(wanted));
}

bool TVideoCaptureDevice::SetVideoGraph(int stream)
{
    if (stream < 1 || stream > VideoStreams)
        return false;
    auto* graph = m_dm.Graph();
    auto* builder = m_dm.Builder();
    auto* source = m_module.vid_source.Filter();
    auto& tee = m_module.vid_nativevideoinfinite;

    ComPtr<IPin> pin;
    if (Failed(builder->FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, false,
                                stream - 1, &pin)) ||
        Failed(tee.Join(graph)) ||
        Failed(graph->ConnectDirect(pin.Get(), PinAt(tee.Filter(), 0).Get(), nullptr)))
        return false;
    const auto native = ConnectionTypeOf(pin.Get());
    auto* control = m_dm.ControlPreviewVideo.Get();
    if (!native || Failed(m_dm.AddOwnFilter(control, kControlPreviewVideoName)) ||
        Failed(graph->ConnectDirect(PinAt(tee.Filter(), 1).Get(), FreePin(control, PINDIR_INPUT).Get(),
                                    nullptr)))
        return false;
    const auto controlOutput = FreePin(control, PINDIR_OUTPUT);

    ComPtr<IEnumMoniker> found;
    (void)m_dm.Mapper()->EnumMatchingFilters(&found, true, 0, true, {native->majortype, native->subtype},
                                             true, {MEDIATYPE_Video, GUID_NULL});
    const auto candidates = Monikers(found.Get());
    if (candidates.empty())
        return false;
    if (!JoinGrabber())
        return false;
    auto* grabber = m_module.vid_sg.Filter();
    bool decoded = false;
    for (const auto& candidate : candidates) {
        m_module.vid_decoder.BindMoniker(candidate);
        if (Failed(m_module.vid_decoder.Join(graph)))
            continue;
        auto* decoder = m_module.vid_decoder.Filter();
        if (Succeeded(graph->ConnectDirect(controlOutput.Get(), PinAt(decoder, 0).Get(), nullptr)) &&
            Succeeded(graph->ConnectDirect(PinAt(decoder, 1).Get(), PinAt(grabber, 0).Get(), nullptr))) {
            decoded = true;
            break;
        }
    }
    if (!decoded) {
        (void)graph->Disconnect(controlOutput.Get());
        m_module.vid_decoder.Leave();
        const auto grabberInput = PinAt(grabber, 0);
        if (Failed(graph->Connect(controlOutput.Get(), grabberInput.Get()))) {
            const auto controlInput = PinAt(control, 0);
            const auto peer = PeerOf(controlInput.Get());
            (void)graph->Disconnect(controlInput.Get());
            if (peer)
                (void)graph->Disconnect(peer.Get());
            if (!peer || Failed(graph->Connect(peer.Get(), grabberInput.Get())))
                return false;
        }
    }
    const auto grabberInput = PinAt(grabber, 0);
    m_dm.DecodedVideoPin = PeerOf(grabberInput.Get());
    if (m_dm.DecodedVideoPin)
        (void)graph->Disconnect(m_dm.DecodedVideoPin.Get());
    (void)graph->Disconnect(grabberInput.Get());
    m_module.vid_sg.Leave();
    m_dm.NativeVideoTee = &tee;
    return static_cast<bool>(m_dm.DecodedVideoPin);
}

ComPtr<IPin> TVideoCaptureDevice::SetAudioGraph(int stream)
{
    if (stream < 1 || stream > AudioStreams)
        return nullptr;
    auto* graph = m_dm.Graph();
    ComPtr<IPin> pin;
    auto& tee = m_module.vid_nativeaudioinfinite;
    if (Failed(m_dm.Builder()->FindPin(m_module.vid_source.Filter(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio,
                                       false, stream - 1, &pin)) ||
        Failed(tee.Join(graph)))
        return nullptr;
    m_dm.NativeAudioTee = &tee;
    if (Failed(graph->ConnectDirect(pin.Get(), FreePin(tee.Filter(), PINDIR_INPUT).Get(), nullptr)))
        return nullptr;
    return FreePin(tee.Filter(), PINDIR_OUTPUT, &MEDIATYPE_Audio);
}

bool TVideoCaptureDevice::KillVideoGraph()
{
    m_module.vid_nativevideoinfinite.Leave();
    m_dm.RemoveOwnFilter(m_dm.ControlPreviewVideo.Get());
    m_module.vid_decoder.Leave();
    m_module.vid_sg.Leave();
    m_dm.NativeVideoTee = nullptr;
    // The pin belonged to the decoder that just left.
    m_dm.DecodedVideoPin.Reset();
    return true;
}

bool TVideoCaptureDevice::KillAudioGraph()
{
    m_module.vid_nativeaudioinfinite.Leave();
    m_dm.RemoveOwnFilter(m_dm.ControlPreviewAudio.Get());
    m_dm.NativeAudioTee = nullptr;
    return true;
}

bool TVideoCaptureDevice::KillSourceGraph()
{
    m_module.vid_source.Leave();
    m_module.vid_crossbar.Leave();
    return true;
}

bool TVideoCaptureDevice::BuildMuxGraph(const QString&)
{
    m_dm.ShowMessage(QStringLiteral("Not Ready"));
    return false;
}

bool TVideoCaptureDevice::KillMuxGraph()
{
    return false;
}

} // namespace camtrove::graph
