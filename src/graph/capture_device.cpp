#include "graph/capture_device.h"

namespace camtrove::graph {

TCaptureDevice::TCaptureDevice(Tdm& dm, TDeviceKind kind, std::int32_t instance, const QString& name,
                               const QString& displayName, CaptureFormat firstNative,
                               CaptureFormat secondNative)
    : DisplayName(instance > 1 ? displayName + QStringLiteral(" #") + QString::number(instance)
                               : displayName),
      Name(name), Instance(instance), FirstNativeFormat(firstNative), SecondNativeFormat(secondNative),
      Kind(kind), m_dm(dm)
{
}

} // namespace camtrove::graph
