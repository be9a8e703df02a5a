#include "graph/audio_capture_device.h"

#include "graph/graph_pins.h"
#include "graph/tdm.h"

namespace camtrove::graph {

using namespace media;

TAudioCaptureDevice::TAudioCaptureDevice(Tdm& dm, IMoniker* moniker, std::int32_t instance,
                                         const QString& name)
    : TCaptureDevice(dm, dkAudio, instance, name, name, CaptureFormat::None, CaptureFormat::None)
{
    m_module.aud_source.BindMoniker(ComPtr<IMoniker>(moniker));
    (void)m_module.aud_nativeaudioinfinite.BindClass(dm.Catalogue(), CLSID_InfTee);
    const auto graph = dm.CreatePrivateGraph();
    const auto builder = CaptureGraphBuilder::Create(&dm.Catalogue());
    if (Succeeded(builder->SetFiltergraph(graph.Get())) && Succeeded(m_module.aud_source.Join(graph.Get()))) {
        ComPtr<IPin> pin;
        while (Succeeded(builder->FindPin(m_module.aud_source.Filter(), PINDIR_OUTPUT, nullptr,
                                          &MEDIATYPE_Audio, false, AudioStreams, &pin)))
            ++AudioStreams;
    }
    m_module.aud_source.Leave();
    Valid = true;
}

TFilterComponent* TAudioCaptureDevice::SetSourceGraph()
{
    if (!m_module.aud_source.InGraph(m_dm.Graph()))
        (void)m_module.aud_source.Join(m_dm.Graph());
    return &m_module.aud_source;
}

bool TAudioCaptureDevice::KillSourceGraph()
{
    m_module.aud_source.Leave();
    return true;
}

ComPtr<IPin> TAudioCaptureDevice::SetAudioGraph(int stream)
{
    if (stream < 1 || stream > AudioStreams)
        return nullptr;
    auto* graph = m_dm.Graph();
    ComPtr<IPin> pin;
    auto& tee = m_module.aud_nativeaudioinfinite;
    if (Failed(m_dm.Builder()->FindPin(m_module.aud_source.Filter(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio,
                                       false, stream - 1, &pin)) ||
        Failed(tee.Join(graph)))
        return nullptr;
    m_dm.NativeAudioTee = &tee;
    if (Failed(graph->ConnectDirect(pin.Get(), FreePin(tee.Filter(), PINDIR_INPUT).Get(), nullptr)))
        return nullptr;
    return FreePin(tee.Filter(), PINDIR_OUTPUT, &MEDIATYPE_Audio);
}

bool TAudioCaptureDevice::KillAudioGraph()
{
    m_module.aud_nativeaudioinfinite.Leave();
    m_dm.RemoveOwnFilter(m_dm.ControlPreviewAudio.Get());
    m_dm.NativeAudioTee = nullptr;
    return true;
}

bool TAudioCaptureDevice::SetVideoGraph(int)
{
    m_dm.DecodedVideoPin.Reset();
    m_dm.NativeVideoTee = nullptr;
    return false;
}

bool TAudioCaptureDevice::KillVideoGraph()
{
    return true;
}

bool TAudioCaptureDevice::BuildMuxGraph(const QString&)
{
    return false;
}

bool TAudioCaptureDevice::KillMuxGraph()
{
    return false;
}

} // namespace camtrove::graph
