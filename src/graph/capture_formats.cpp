#include "graph/capture_formats.h"

#include <array>

namespace camtrove::graph {
namespace {

struct FormatRow
{
    const char* name;
    const char* shortName;
    const char* extension;
};

// Indexed by code. The misspelt "natifve" is the stored name of code 1 in every existing store.
constexpr std::array<FormatRow, 13> kFormats = {{
    {"", "", ".avi"},
    {"dv type 1 natifve", "native", ".avi"},
    {"dv type 2 native", "native", ".avi"},
    {"mpeg2 native stream", "native", ".mpg"},
    {"mpeg1 native stream", "native", ".mpg"},
    {"avi native", "native", ".avi"},
    {"dv type 2 (recomp)", "dv2 rec", ".avi"},
    {"Wmv", "Wmv", ".wmv"},
    {"Image by Image", "Image by Image", ".avi"},
    {"divx", "divx", ".avi"},
    {"Default", "Default", ".avi"},
    {"Wav", "Wav", ".wav"},
    {"mp3", "mp3", ".mp3"},
}};

const FormatRow& RowOf(std::uint8_t code)
{
    return code < kFormats.size() ? kFormats[code] : kFormats[CodeOf(CaptureFormat::Default)];
}

} // namespace

QString CaptureFormatName(std::uint8_t code)
{
    return QString::fromUtf8(RowOf(code).name);
}

std::uint8_t CaptureFormatCode(const QString& name)
{
    if (name == QLatin1String("None"))
        return CodeOf(CaptureFormat::None);
    for (std::uint8_t code = 1; code < kFormats.size(); ++code) {
        if (name == QLatin1String(kFormats[code].name))
            return code;
    }
    return CodeOf(CaptureFormat::Default);
}

QString CaptureFormatShortName(std::uint8_t code)
{
    return QString::fromUtf8(RowOf(code).shortName);
}

QString CaptureFormatExtension(std::uint8_t code)
{
    return QString::fromUtf8(RowOf(code).extension);
}

bool IsNativeCaptureFormat(std::uint8_t code)
{
    return code >= CodeOf(CaptureFormat::DvType1Native) && code <= CodeOf(CaptureFormat::AviNative);
}

} // namespace camtrove::graph
