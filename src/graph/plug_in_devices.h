#pragma once
// The seam through which loaded plug-ins serve capture devices: a refresh asks it before
// classifying an enumerated device by its pins.

#include "media/core/moniker_interfaces.h"

#include <QString>

#include <memory>

namespace camtrove::graph {

class Tdm;
class TCaptureDevice;

class IPlugInDevices
{
public:
    virtual ~IPlugInDevices() = default;
    // True when a loaded, enabled plug-in names friendlyName as its driver.
    [[nodiscard]] virtual bool ServesDriver(const QString& friendlyName) const = 0;
    // The plug-in device for that driver; check Valid on it.
    [[nodiscard]] virtual std::unique_ptr<TCaptureDevice>
    CreateDevice(Tdm& dm, media::IMoniker* moniker, std::int32_t instance, const QString& friendlyName) = 0;
    // The plug-in failed to make its device: it serves nothing more in this run.
    virtual void Disable(const QString& friendlyName) = 0;
};

} // namespace camtrove::graph
