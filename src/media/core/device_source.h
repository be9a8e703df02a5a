#pragma once
// Where the device enumerator finds the capture hardware present now. Each kind of real device
// (V4L2 video, ALSA sound, IEEE 1394 DV) gives one DeviceSource; the enumerator lists their
// devices before the registered filters of a category.

#include "media/core/filter_interfaces.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace camtrove::media {

struct DeviceEntry
{
    QString friendlyName;
    GUID clsid;         // the class of the device's filter
    QString devicePath; // unique for the device, and stable while it stays plugged in
    std::function<ComPtr<IBaseFilter>()> create;
};

class DeviceSource
{
public:
    virtual ~DeviceSource() = default;
    // The devices of the category present now, in the order the system lists them. Called on the
    // control thread.
    [[nodiscard]] virtual std::vector<DeviceEntry> Devices(const GUID& category) const = 0;
};

using DeviceSources = std::vector<std::shared_ptr<const DeviceSource>>;

} // namespace camtrove::media
