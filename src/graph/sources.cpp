#include "graph/sources.h"

#include "graph/tdm.h"

namespace camtrove::graph {

QString VideoSourceName(const TCaptureDevice& device, std::int32_t stream)
{
    if (stream > 1)
        return device.DisplayName + QStringLiteral(" #") + QString::number(stream);
    return device.AudioStreams > 0 ? device.DisplayName + QStringLiteral(" - Video") : device.DisplayName;
}

QString AudioSourceName(const TCaptureDevice& device, std::int32_t stream)
{
    if (stream > 1)
        return device.DisplayName + QStringLiteral("#") + QString::number(stream);
    return device.VideoStreams > 0 ? device.DisplayName + QStringLiteral(" - Audio") : device.DisplayName;
}

TavFlux::TavFlux(TCaptureDevice& device, std::int32_t stream, QString name)
    : SceneDetect(device.SceneDetect()), Device(&device), Stream(stream), Name(std::move(name)),
      m_dm(&device.Dm())
{
}

TavFlux::~TavFlux()
{
    m_dm->Forget(this);
}

std::unique_ptr<TVideoSource> TVideoSource::Create(TCaptureDevice& device, std::int32_t stream)
{
    if (stream < 1 || stream > device.VideoStreams)
        return nullptr;
    return std::unique_ptr<TVideoSource>(new TVideoSource(device, stream));
}

TVideoSource::TVideoSource(TCaptureDevice& device, std::int32_t stream)
    : TavFlux(device, stream, VideoSourceName(device, stream)),
      Code(device.Kind == dkDVCamcorder ? vsDVCamcorder : vsDevice)
{
}

namespace {

std::uint8_t AudioCodeOf(TDeviceKind kind)
{
    switch (kind) {
    case dkDVCamcorder:
        return asDVCamcorder;
    case dkPlugIn:
        return asPlugIn;
    case dkVideo:
        return asVideoDevice;
    default:
        return asAudioDevice;
    }
}

} // namespace

std::unique_ptr<TAudioSource> TAudioSource::Create(TCaptureDevice& device, std::int32_t stream)
{
    if (stream < 1 || stream > device.AudioStreams)
        return nullptr;
    return std::unique_ptr<TAudioSource>(new TAudioSource(device, stream));
}

TAudioSource::TAudioSource(TCaptureDevice& device, std::int32_t stream)
    : TavFlux(device, stream, AudioSourceName(device, stream)), Code(AudioCodeOf(device.Kind))
{
}

} // namespace camtrove::graph
