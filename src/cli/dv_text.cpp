#include "cli/dv_text.h"

#include "common/datetime.h"

namespace camtrove::cli {

QString DateText(const filters::TSceneFrameInfo& info)
{
    if (!info.DateValid)
        return QStringLiteral("-");
    const DateTimeParts parts = DecodeDateTime(info.RecDate);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month, parts.day, parts.hour,
                             parts.minute, parts.second);
}

QString TimecodeText(const filters::TSceneFrameInfo& info)
{
    if (!info.TimecodeValid)
        return QStringLiteral("-");
    const std::uint32_t tc = info.Timecode;
    return QString::asprintf("%u:%02u:%02u:%02u", tc & 0xFF, tc >> 8 & 0xFF, tc >> 16 & 0xFF,
                             tc >> 24 & 0xFF);
}

} // namespace camtrove::cli
