#include "graph/dv_capture_device.h"

#include "graph/graph_pins.h"
#include "graph/tdm.h"
#include "media/core/dv_interfaces.h"

namespace camtrove::graph {

using namespace media;

namespace {

int CountPins(ICaptureGraphBuilder2* builder, IBaseFilter* filter, const GUID& major)
{
    int count = 0;
    ComPtr<IPin> pin;
    while (Succeeded(builder->FindPin(filter, PINDIR_OUTPUT, nullptr, &major, false, count, &pin)))
        ++count;
    return count;
}

} // namespace

TDVCaptureDevice::TDVCaptureDevice(Tdm& dm, IMoniker* moniker, std::int32_t instance, const QString& name)
    : TCaptureDevice(dm, dkDVCamcorder, instance, name, QStringLiteral("DV Source"),
                     CaptureFormat::DvType1Native, CaptureFormat::DvType2Native)
{
    const auto& catalogue = dm.Catalogue();
    m_module.dv_source.BindMoniker(ComPtr<IMoniker>(moniker));
    (void)m_module.dv_splitter.BindClass(catalogue, CLSID_DVSplitter);
    (void)m_module.dv_dec.BindClass(catalogue, CLSID_DVVideoCodec);
    (void)m_module.dv_muxinfinite.BindClass(catalogue, CLSID_InfTee);
    (void)m_module.dv_nativevideoinfinite.BindClass(catalogue, CLSID_InfTee);
    (void)m_module.dv_nativeaudioinfinite.BindClass(catalogue, CLSID_InfTee);
    Probe();
}

void TDVCaptureDevice::Probe()
{
    const auto graph = m_dm.CreatePrivateGraph();
    const auto builder = CaptureGraphBuilder::Create(&m_dm.Catalogue());
    if (Succeeded(builder->SetFiltergraph(graph.Get())) && Succeeded(m_module.dv_source.Join(graph.Get())) &&
        Succeeded(m_module.dv_splitter.Join(graph.Get())) &&
        Succeeded(builder->RenderStream(nullptr, &MEDIATYPE_Interleaved, m_module.dv_source.Filter(), nullptr,
                                        m_module.dv_splitter.Filter()))) {
        VideoStreams = CountPins(builder.Get(), m_module.dv_splitter.Filter(), MEDIATYPE_Video);
        AudioStreams = CountPins(builder.Get(), m_module.dv_splitter.Filter(), MEDIATYPE_Audio);
    }
    m_module.dv_source.Leave();
    m_module.dv_splitter.Leave();
    Valid = true;
}

TFilterComponent* TDVCaptureDevice::SetSourceGraph()
{
    auto* graph = m_dm.Graph();
    if (!m_module.dv_source.InGraph(graph) && Succeeded(m_module.dv_source.Join(graph))) {
        (void)m_dm.AddOwnFilter(m_module.SceneDetect.Get(), "dv_Scenedetect");
        (void)m_module.dv_muxinfinite.Join(graph);
        (void)m_module.dv_splitter.Join(graph);
        if (Succeeded(m_dm.Builder()->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved,
                                                   m_module.dv_source.Filter(), m_module.SceneDetect.Get(),
                                                   m_module.dv_muxinfinite.Filter())))
            (void)m_dm.Builder()->RenderStream(nullptr, nullptr, m_module.dv_muxinfinite.Filter(), nullptr,
                                               m_module.dv_splitter.Filter());
    }
    return &m_module.dv_source;
}

bool TDVCaptureDevice::SetVideoGraph(int stream)
{
    auto* graph = m_dm.Graph();
    ComPtr<IPin> pin;
    if (stream < 1 || Failed(m_dm.Builder()->FindPin(m_module.dv_splitter.Filter(), PINDIR_OUTPUT, nullptr,
                                                     &MEDIATYPE_Video, false, stream - 1, &pin)))
        return false;
    if (Failed(m_module.dv_dec.Join(graph)))
        return false;
    if (const auto decoder = QueryAs<IIPDVDec>(m_module.dv_dec.Filter()))
        (void)decoder->put_IPDisplay(m_dm.HalfResolution ? DVRESOLUTION_HALF : DVRESOLUTION_FULL);
    auto& tee = m_module.dv_nativevideoinfinite;
    if (Failed(tee.Join(graph)) ||
        Failed(graph->ConnectDirect(pin.Get(), FreePin(tee.Filter(), PINDIR_INPUT).Get(), nullptr)))
        return false;
    auto* control = m_dm.ControlPreviewVideo.Get();
    if (Failed(m_dm.AddOwnFilter(control, kControlPreviewVideoName)) ||
        Failed(graph->ConnectDirect(FreePin(tee.Filter(), PINDIR_OUTPUT, &MEDIATYPE_Video).Get(),
                                    FreePin(control, PINDIR_INPUT).Get(), nullptr)) ||
        Failed(graph->ConnectDirect(FreePin(control, PINDIR_OUTPUT).Get(),
                                    FreePin(m_module.dv_dec.Filter(), PINDIR_INPUT).Get(), nullptr)))
        return false;
    m_dm.DecodedVideoPin = FreePin(m_module.dv_dec.Filter(), PINDIR_OUTPUT, &MEDIATYPE_Video);
    m_dm.NativeVideoTee = &tee;
    return static_cast<bool>(m_dm.DecodedVideoPin);
}

ComPtr<IPin> TDVCaptureDevice::SetAudioGraph(int stream)
{
    auto* graph = m_dm.Graph();
    ComPtr<IPin> pin;
    if (stream < 1 || Failed(m_dm.Builder()->FindPin(m_module.dv_splitter.Filter(), PINDIR_OUTPUT, nullptr,
                                                     &MEDIATYPE_Audio, false, stream - 1, &pin)))
        return nullptr;
    auto& tee = m_module.dv_nativeaudioinfinite;
    if (Failed(tee.Join(graph)))
        return nullptr;
    m_dm.NativeAudioTee = &tee;
    if (Failed(graph->ConnectDirect(pin.Get(), FreePin(tee.Filter(), PINDIR_INPUT).Get(), nullptr)))
        return nullptr;
    return FreePin(tee.Filter(), PINDIR_OUTPUT, &MEDIATYPE_Audio);
}

bool TDVCaptureDevice::KillVideoGraph()
{
    m_module.dv_dec.Leave();
    m_module.dv_nativevideoinfinite.Leave();
    m_dm.RemoveOwnFilter(m_dm.ControlPreviewVideo.Get());
    m_dm.NativeVideoTee = nullptr;
    // The pin belonged to the decoder that just left.
    m_dm.DecodedVideoPin.Reset();
    return true;
}

bool TDVCaptureDevice::KillAudioGraph()
{
    m_module.dv_nativeaudioinfinite.Leave();
    m_dm.RemoveOwnFilter(m_dm.ControlPreviewAudio.Get());
    m_dm.NativeAudioTee = nullptr;
    return true;
}

void TDVCaptureDevice::RemoveUpstream(IBaseFilter* filter)
{
    if (!filter || filter == m_module.dv_source.Filter())
        return;
    std::vector<ComPtr<IBaseFilter>> feeders;
    for (const auto& pin : PinsOf(filter)) {
        if (DirectionOf(pin.Get()) != PINDIR_INPUT)
            continue;
        const auto feeder = PeerFilterOf(pin.Get());
        if (!feeder)
            return;
        feeders.push_back(feeder);
    }
    for (const auto& feeder : feeders)
        RemoveUpstream(feeder.Get());
    if (const auto graph = GraphOf(filter))
        (void)graph->RemoveFilter(filter);
}

bool TDVCaptureDevice::KillSourceGraph()
{
    if (const auto first = PinAt(m_module.dv_splitter.Filter(), 1))
        RemoveUpstream(FilterOf(first.Get()).Get());
    // The device's own pieces never stay behind, whatever the walk above could not reach.
    m_module.dv_splitter.Leave();
    m_module.dv_muxinfinite.Leave();
    m_dm.RemoveOwnFilter(m_module.SceneDetect.Get());
    m_module.dv_source.Leave();
    return true;
}

bool TDVCaptureDevice::BuildMuxGraph(const QString& fileName)
{
    if (Failed(m_dm.Builder()->SetOutputFileName(MEDIASUBTYPE_Avi, fileName, &m_mux, &m_sink)))
        return false;
    return Succeeded(m_dm.Graph()->ConnectDirect(PinAt(m_module.dv_muxinfinite.Filter(), 2).Get(),
                                                 PinAt(m_mux.Get(), 1).Get(), nullptr));
}

bool TDVCaptureDevice::KillMuxGraph()
{
    auto* graph = m_dm.Graph();
    if (const auto sink = QueryAs<IBaseFilter>(m_sink.Get()); sink && InGraph(graph, sink.Get()))
        (void)graph->RemoveFilter(sink.Get());
    if (m_mux && InGraph(graph, m_mux.Get()))
        (void)graph->RemoveFilter(m_mux.Get());
    m_sink.Reset();
    m_mux.Reset();
    return true;
}

} // namespace camtrove::graph
