#include "graph/capture_device_list.h"

#include "graph/audio_capture_device.h"
#include "graph/dv_capture_device.h"
#include "graph/graph_pins.h"
#include "graph/plug_in_devices.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "graph/video_capture_device.h"
#include "media/core/filter_moniker.h"

namespace camtrove::graph {

using namespace media;

int ClassifyDevice(Tdm& dm, IMoniker* moniker)
{
    dm.test.BindMoniker(ComPtr<IMoniker>(moniker));
    if (Failed(dm.test.Join(dm.Graph()))) {
        dm.test.BindMoniker(nullptr);
        return kClassNone;
    }
    auto* builder = dm.Builder();
    auto* filter = dm.test.Filter();
    const auto has = [&](const GUID* category, const GUID& major) {
        ComPtr<IPin> pin;
        return Succeeded(builder->FindPin(filter, PINDIR_OUTPUT, category, &major, false, 0, &pin));
    };
    int kind = kClassNone;
    if (has(nullptr, MEDIATYPE_Interleaved))
        kind = kClassDV;
    else if (has(nullptr, MEDIATYPE_Stream))
        kind = kClassStream;
    else if (has(&PIN_CATEGORY_CAPTURE, MEDIATYPE_Video) || has(nullptr, MEDIATYPE_Video))
        kind = kClassVideo;
    else if (has(nullptr, MEDIATYPE_Audio))
        kind = kClassAudio;
    dm.test.BindMoniker(nullptr);
    return kind;
}

TCaptureDeviceList::~TCaptureDeviceList() = default;

TCaptureDevice* TCaptureDeviceList::Items(int index) const
{
    return index >= 0 && index < Count() ? m_items[static_cast<std::size_t>(index)].get() : nullptr;
}

int TCaptureDeviceList::IndexOfMoniker(IMoniker* moniker) const
{
    for (int i = 0; i < Count(); ++i) {
        auto* own = m_items[static_cast<std::size_t>(i)]->SourceFilter().Moniker();
        if (own && moniker && own->IsEqual(moniker) == S_OK)
            return i;
    }
    return -1;
}

std::int32_t TCaptureDeviceList::NextInstance(const QString& name) const
{
    for (std::int32_t n = 1;; ++n) {
        bool taken = false;
        for (const auto& device : m_items)
            taken = taken || (device->Name == name && device->Instance == n);
        if (!taken)
            return n;
    }
}

bool TCaptureDeviceList::IsPresent(TCaptureDevice& device, IMoniker* moniker) const
{
    auto& source = device.SourceFilter();
    if (source.InGraph(m_dm.Graph())) {
        ComPtr<IPin> pin;
        return Succeeded(
            m_dm.Builder()->FindPin(source.Filter(), PINDIR_OUTPUT, nullptr, nullptr, false, 0, &pin));
    }
    // The enumerator listed it just now.
    return moniker != nullptr;
}

void TCaptureDeviceList::AddNew(IMoniker* moniker)
{
    const QString name = FriendlyNameOf(moniker);
    const std::int32_t instance = NextInstance(name);
    if (m_dm.PlugIns && m_dm.PlugIns->ServesDriver(name)) {
        auto device = m_dm.PlugIns->CreateDevice(m_dm, moniker, instance, name);
        if (device && device->Valid) {
            device->Present = 1;
            m_items.push_back(std::move(device));
        } else {
            m_dm.PlugIns->Disable(name);
        }
        return;
    }
    std::unique_ptr<TCaptureDevice> device;
    switch (ClassifyDevice(m_dm, moniker)) {
    case kClassDV:
        device = std::make_unique<TDVCaptureDevice>(m_dm, moniker, instance, name);
        break;
    case kClassVideo:
        device = std::make_unique<TVideoCaptureDevice>(m_dm, moniker, instance, name);
        break;
    case kClassAudio:
        device = std::make_unique<TAudioCaptureDevice>(m_dm, moniker, instance, name);
        break;
    default:
        return;
    }
    device->Present = 1;
    m_items.push_back(std::move(device));
}

void TCaptureDeviceList::DeactivateSourcesOf(TCaptureDevice& device)
{
    if (m_dm.ActiveVideoSource && m_dm.ActiveVideoSource->Device == &device)
        m_dm.DeactivateVideoSource(m_dm.ActiveVideoSource, true);
    if (m_dm.ActiveAudioSource && m_dm.ActiveAudioSource->Device == &device)
        m_dm.DeactivateAudioSource(m_dm.ActiveAudioSource, true);
}

bool TCaptureDeviceList::Refresh(const GUID& category)
{
    ComPtr<IEnumMoniker> monikers;
    if (Failed(m_dm.DeviceEnumerator()->CreateClassEnumerator(category, &monikers, 0)) || !monikers)
        return false;
    for (auto& device : m_items)
        device->Present = 0;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(&moniker) == S_OK) {
        const int index = IndexOfMoniker(moniker.Get());
        if (index >= 0) {
            auto& device = *m_items[static_cast<std::size_t>(index)];
            if (IsPresent(device, moniker.Get()))
                device.Present = 1;
        } else {
            AddNew(moniker.Get());
        }
    }
    for (int i = Count() - 1; i >= 0; --i) {
        auto& device = *m_items[static_cast<std::size_t>(i)];
        if (device.Present != 0)
            continue;
        DeactivateSourcesOf(device);
        m_items.erase(m_items.begin() + i);
    }
    return true;
}

} // namespace camtrove::graph
