#include "media/codecs/lame_settings.h"

#include "media/codecs/mpeg_audio_format.h"

#include <dlfcn.h>
#include <lame/lame.h>

namespace camtrove::media {

namespace {

// Restores the caller's root whatever happens in between.
class RootScope
{
public:
    RootScope(platform::Registry& registry, platform::RegRoot root)
        : m_registry(registry), m_previous(registry.RootKey())
    {
        m_registry.SetRootKey(root);
    }
    ~RootScope() { m_registry.SetRootKey(m_previous); }
    RootScope(const RootScope&) = delete;
    RootScope& operator=(const RootScope&) = delete;

private:
    platform::Registry& m_registry;
    platform::RegRoot m_previous;
};

QString LameLibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&get_lame_version), &info) != 0 && info.dli_fname)
        return QString::fromLocal8Bit(info.dli_fname);
    return QStringLiteral("libmp3lame.so.0");
}

} // namespace

QString LameSettingsKey()
{
    return QStringLiteral("\\Software\\GNU\\LAME MPEG Layer III Audio Encoder Filter");
}

QString LameClassServerKey()
{
    return QStringLiteral("\\CLSID\\{B8D27088-FF5F-4B7C-98DC-0E91A1696286}\\InprocServer32");
}

std::uint32_t ReadLameBitrate(platform::Registry& registry)
{
    RootScope root(registry, platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(LameSettingsKey()))
        return kLameDefaultKbps;
    const std::optional<std::int32_t> stored = registry.ReadInteger(QStringLiteral("Bitrate"));
    registry.CloseKey();
    if (!stored || *stored <= 0)
        return kLameDefaultKbps;
    return NearestMpeg1Layer3Bitrate(static_cast<std::uint32_t>(*stored));
}

bool WriteLameBitrate(platform::Registry& registry, std::uint32_t kbps)
{
    RootScope root(registry, platform::HKEY_CURRENT_USER);
    if (!registry.OpenKey(LameSettingsKey(), true))
        return false;
    const bool written = registry.WriteInteger(QStringLiteral("Bitrate"), static_cast<std::int32_t>(kbps));
    registry.CloseKey();
    return written;
}

bool RegisterLameMp3Encoder(platform::Registry& registry)
{
    {
        RootScope root(registry, platform::HKEY_CLASSES_ROOT);
        if (!registry.OpenKey(LameClassServerKey(), true))
            return false;
        const bool written =
            registry.WriteString(QString(), LameLibraryPath()) &&
            registry.WriteString(QStringLiteral("ThreadingModel"), QStringLiteral("Both")) &&
            registry.WriteString(QStringLiteral("FileVersion"), QString::fromLatin1(get_lame_version()));
        registry.CloseKey();
        if (!written)
            return false;
    }
    RootScope root(registry, platform::HKEY_CURRENT_USER);
    if (!registry.OpenKey(LameSettingsKey(), true))
        return false;
    const bool written =
        registry.ValueExists(QStringLiteral("Bitrate")) ||
        registry.WriteInteger(QStringLiteral("Bitrate"), static_cast<std::int32_t>(kLameDefaultKbps));
    registry.CloseKey();
    return written;
}

} // namespace camtrove::media
