#include "media/codecs/wm_profile_catalogue.h"

#include <QStringList>

#include <vector>

namespace camtrove::media {

namespace {

constexpr REFERENCE_TIME k15Fps = 666667;
constexpr REFERENCE_TIME k25Fps = 400000;
constexpr REFERENCE_TIME k2997Fps = 333667;
constexpr REFERENCE_TIME k30Fps = 333333;

WmStreamDescription Audio(std::uint32_t kbps, std::uint32_t rate, std::uint16_t channels)
{
    WmStreamDescription s;
    s.number = 1;
    s.type = WMMEDIATYPE_Audio;
    s.name = QStringLiteral("Audio Stream");
    s.bitrate = kbps * 1000;
    s.sampleRate = rate;
    s.channels = channels;
    return s;
}

WmStreamDescription Video(std::uint32_t kbps, std::int32_t width, std::int32_t height, REFERENCE_TIME frame)
{
    WmStreamDescription s;
    s.number = 2;
    s.type = WMMEDIATYPE_Video;
    s.name = QStringLiteral("Video Stream");
    s.bitrate = kbps * 1000;
    s.width = width;
    s.height = height;
    s.frameDuration = frame;
    return s;
}

QString DescribeStreams(const std::vector<WmStreamDescription>& streams)
{
    QStringList parts;
    for (const auto& s : streams) {
        if (s.IsAudio())
            parts << QStringLiteral("Audio: %1 Kbps, %2 kHz, %3")
                         .arg(s.bitrate / 1000)
                         .arg(s.sampleRate / 1000.0, 0, 'g', 3)
                         .arg(s.channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo"));
        else
            parts << QStringLiteral("Video: %1 Kbps, %2 x %3, %4 fps")
                         .arg(s.bitrate / 1000)
                         .arg(s.width)
                         .arg(s.height)
                         .arg(10000000.0 / static_cast<double>(s.frameDuration), 0, 'g', 4);
    }
    return parts.join(QStringLiteral(". ")) + QLatin1Char('.');
}

WmProfileDescription Profile(const GUID& id, WMT_VERSION version, const char* name,
                             std::vector<WmStreamDescription> streams)
{
    WmProfileDescription p;
    p.id = id;
    p.version = version;
    p.name = QString::fromUtf8(name);
    p.description = DescribeStreams(streams);
    p.streams = std::move(streams);
    return p;
}

struct Catalogue
{
    std::vector<WmProfileDescription> v4, v7, v8;
};

const Catalogue& TheCatalogue()
{
    static const Catalogue catalogue = [] {
        Catalogue c;
        constexpr auto V4 = WMT_VER_4_0;
        constexpr auto V7 = WMT_VER_7_0;
        constexpr auto V8 = WMT_VER_8_0;
        c.v4 = {
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000040001"), V4,
                    "Windows Media Video 4 for Dial-up Modems (56 Kbps)",
                    {Audio(24, 22050, 1), Video(28, 176, 144, k15Fps)}),
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000040002"), V4,
                    "Windows Media Video 4 for ISDN (128 Kbps)",
                    {Audio(32, 22050, 2), Video(96, 240, 176, k15Fps)}),
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000040003"), V4,
                    "Windows Media Video 4 for Broadband (300 Kbps)",
                    {Audio(48, 44100, 2), Video(252, 320, 240, k25Fps)}),
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000040004"), V4,
                    "Windows Media Video 4 for LAN (750 Kbps)",
                    {Audio(64, 44100, 2), Video(686, 320, 240, k30Fps)}),
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000040005"), V4,
                    "Windows Media Audio 4 for Web Servers (32 Kbps)", {Audio(32, 22050, 2)}),
        };
        c.v7 = {
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000070001"), V7,
                    "Windows Media Video 7 for Dial-up Modems (56 Kbps)",
                    {Audio(24, 22050, 1), Video(32, 176, 144, k15Fps)}),
            Profile(MakeGuid("F3D45FBB-8782-44DF-97C6-8678E2F9B13D"), V7,
                    "Windows Media Video 7 for Broadband (384 Kbps)",
                    {Audio(48, 44100, 2), Video(336, 320, 240, k25Fps)}),
            Profile(MakeGuid("0326EBB6-F76E-4964-B0DB-E729978D35EE"), V7,
                    "Windows Media Video 7 for Broadband (768 Kbps)",
                    {Audio(64, 44100, 2), Video(704, 320, 240, k30Fps)}),
            Profile(WMProfile_V70_1500Video, V7, "Windows Media Video 7 for Broadband (1500 Kbps)",
                    {Audio(128, 44100, 2), Video(1372, 640, 480, k30Fps)}),
            Profile(MakeGuid("C7A55E10-4F2B-4C19-8E6D-000000070005"), V7,
                    "Windows Media Audio 7 for ISDN (64 Kbps)", {Audio(64, 44100, 2)}),
        };
        c.v8 = {
            Profile(MakeGuid("254E8A96-2612-405C-8039-F0BF725CED7D"), V8,
                    "Windows Media Video 8 for Dial-up Modem (56 Kbps)",
                    {Audio(24, 22050, 1), Video(32, 176, 144, k15Fps)}),
            Profile(WMProfile_V80_100Video, V8, "Windows Media Video 8 for Internet (100 Kbps)",
                    {Audio(32, 22050, 2), Video(68, 320, 240, k15Fps)}),
            Profile(MakeGuid("BBC75500-33D2-4466-B86B-122B201CC9AE"), V8,
                    "Windows Media Video 8 for Broadband (256 Kbps)",
                    {Audio(48, 44100, 2), Video(208, 320, 240, k25Fps)}),
            Profile(WMProfile_V80_384Video, V8, "Windows Media Video 8 for Broadband (384 Kbps)",
                    {Audio(48, 44100, 2), Video(336, 320, 240, k25Fps)}),
            Profile(WMProfile_V80_700PALVideo, V8, "Windows Media Video 8 for Broadband (PAL, 700 Kbps)",
                    {Audio(64, 44100, 2), Video(636, 384, 288, k25Fps)}),
            Profile(MakeGuid("931D1BEE-617A-4BCD-9905-CCD0786683EE"), V8,
                    "Windows Media Video 8 for Broadband (NTSC, 1400 Kbps)",
                    {Audio(128, 48000, 2), Video(1272, 640, 480, k2997Fps)}),
            Profile(MakeGuid("09BB5BC4-3176-457F-8DD6-3CD919123E2D"), V8,
                    "Windows Media Audio 8 for Dial-up Modem (CD quality, 64 Kbps)", {Audio(64, 44100, 2)}),
        };
        return c;
    }();
    return catalogue;
}

} // namespace

std::span<const WmProfileDescription> SystemProfiles(WMT_VERSION version)
{
    const Catalogue& c = TheCatalogue();
    switch (version) {
    case WMT_VER_4_0:
        return c.v4;
    case WMT_VER_7_0:
        return c.v7;
    case WMT_VER_8_0:
        return c.v8;
    default:
        return {};
    }
}

const WmProfileDescription* FindSystemProfile(const GUID& id)
{
    for (const WMT_VERSION version : {WMT_VER_4_0, WMT_VER_7_0, WMT_VER_8_0})
        for (const auto& profile : SystemProfiles(version))
            if (profile.id == id)
                return &profile;
    return nullptr;
}

} // namespace camtrove::media
