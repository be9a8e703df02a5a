#pragma once
// TCaptureDeviceList: the devices of one category (video input or audio input), kept across
// refreshes: a refresh adds what the enumerator newly lists and removes what it no longer lists,
// deactivating a removed device's active source first. The list owns its devices. Control thread.

#include "graph/capture_device.h"

#include <memory>
#include <vector>

namespace camtrove::graph {

// What ClassifyDevice finds on a device's output pins.
inline constexpr int kClassNone = 0;
inline constexpr int kClassDV = 1;
inline constexpr int kClassVideo = 3;
inline constexpr int kClassAudio = 4;
inline constexpr int kClassStream = 5;

// Joins the device to the main graph through the module's "test" component, reads its output
// pins, and takes it out again.
[[nodiscard]] int ClassifyDevice(Tdm& dm, media::IMoniker* moniker);

class TCaptureDeviceList
{
public:
    explicit TCaptureDeviceList(Tdm& dm) : m_dm(dm) {}
    ~TCaptureDeviceList();
    TCaptureDeviceList(const TCaptureDeviceList&) = delete;
    TCaptureDeviceList& operator=(const TCaptureDeviceList&) = delete;

    // False when the category cannot be enumerated; the list then stays as it was.
    bool Refresh(const media::GUID& category);
    // Null when the index is out of range.
    [[nodiscard]] TCaptureDevice* Items(int index) const;
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    // -1 when no device's source moniker names the same device.
    [[nodiscard]] int IndexOfMoniker(media::IMoniker* moniker) const;
    // The smallest instance number from 1 that no device of this name has.
    [[nodiscard]] std::int32_t NextInstance(const QString& name) const;
    void Add(std::unique_ptr<TCaptureDevice> device) { m_items.push_back(std::move(device)); }

private:
    [[nodiscard]] bool IsPresent(TCaptureDevice& device, media::IMoniker* moniker) const;
    void AddNew(media::IMoniker* moniker);
    // Deactivates the active sources served by device, releasing it.
    void DeactivateSourcesOf(TCaptureDevice& device);

    Tdm& m_dm;
    std::vector<std::unique_ptr<TCaptureDevice>> m_items;
};

} // namespace camtrove::graph
