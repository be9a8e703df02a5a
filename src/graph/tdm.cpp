#include "graph/tdm.h"

#include "graph/graph_pins.h"
#include "graph/sources.h"

namespace camtrove::graph {

using namespace media;

Tdm::Tdm(DeviceSources devices, const FilterCatalogue* catalogue)
    : Superposer(new filters::Tct_Superposer()), TamponerVideo(new filters::Tct_TimeStamper()),
      TamponerAudio(new filters::Tct_TimeStamper()), ControlPreviewVideo(new filters::Tct_TimeStamper()),
      ControlPreviewAudio(new filters::Tct_TimeStamper()),
      ControlCaptureVideo(new filters::Tct_TimeStamper()), AudioCapTamponer(new filters::Tct_TimeStamper()),
      VideoCapTamponer(new filters::Tct_TimeStamper()), DVHeader(new filters::Tct_DVheader()),
      ControlFilter(new filters::Tct_ControlFilter()), Resizer(new filters::TCT_Resizer()),
      WaveDest(new filters::Tct_WaveDest()), m_catalogue(catalogue), m_graph(FilterGraph::Create(catalogue)),
      m_builder(CaptureGraphBuilder::Create(catalogue)),
      m_deviceEnum(SystemDeviceEnum::Create(catalogue, std::move(devices))),
      m_mapper(FilterMapper::Create(catalogue)), m_videoRenderer(VideoRenderer::Create())
{
    (void)m_builder->SetFiltergraph(m_graph.Get());
    TamponerVideo->SetStripTimes();
    TamponerAudio->SetStripTimes();
    for (auto* tee : {&infdecvideo, &infsupvideo, &infdumvideo, &infdecaudio, &infsupaudio})
        (void)tee->BindClass(*catalogue, CLSID_InfTee);
    (void)acmcap.BindClass(*catalogue, CLSID_ACMWrapper);
    (void)DVenc.BindClass(*catalogue, CLSID_DVVideoEnc);
    (void)DVmux.BindClass(*catalogue, CLSID_DVMux);
    (void)DVsplitter.BindClass(*catalogue, CLSID_DVSplitter);
    (void)FileWriter.BindClass(*catalogue, CLSID_FileWriter);
    (void)writer.BindClass(*catalogue, CLSID_FileWriter);
    (void)color1.BindClass(*catalogue, CLSID_Colour);
    (void)color3.BindClass(*catalogue, CLSID_Colour);
    (void)audiorender.BindClass(*catalogue, CLSID_DSoundRender);
}

Tdm::~Tdm()
{
    // The graph lets go of every filter here, before the components and filters it holds go.
    (void)m_graph->Stop();
    for (const auto& filter : m_graph->Filters())
        (void)m_graph->RemoveFilter(filter.Get());
}

ComPtr<FilterGraph> Tdm::CreatePrivateGraph() const
{
    return FilterGraph::Create(m_catalogue);
}

bool Tdm::AttachRenderers()
{
    return Succeeded(AddOwnFilter(m_videoRenderer.Get(), kVideoRendererName)) &&
           Succeeded(audiorender.Join(m_graph.Get()));
}

HRESULT Tdm::AddOwnFilter(IBaseFilter* filter, const char* name)
{
    if (!filter)
        return E_POINTER;
    if (InGraph(m_graph.Get(), filter))
        return S_OK;
    return m_graph->AddFilter(filter, QString::fromLatin1(name));
}

void Tdm::RemoveOwnFilter(IBaseFilter* filter)
{
    if (InGraph(m_graph.Get(), filter))
        (void)m_graph->RemoveFilter(filter);
}

void Tdm::EnumerateCrossbars()
{
    CrossbarMonikers.Clear();
    ComPtr<IEnumMoniker> monikers;
    if (Failed(m_deviceEnum->CreateClassEnumerator(AM_KSCATEGORY_CROSSBAR, &monikers, 0)) || !monikers)
        return;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(&moniker) == S_OK)
        CrossbarMonikers.Add(moniker);
}

bool Tdm::RunGraph()
{
    return Succeeded(m_graph->Run());
}

void Tdm::StopGraph()
{
    (void)m_graph->Stop();
}

void Tdm::Forget(const TavFlux* source)
{
    if (ActiveVideoSource == source)
        ActiveVideoSource = nullptr;
    if (ActiveAudioSource == source)
        ActiveAudioSource = nullptr;
}

} // namespace camtrove::graph
