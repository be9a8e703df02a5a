#include "media/core/guid.h"

namespace camtrove::media {

QString GuidToString(const GUID& g)
{
    QString text = QStringLiteral("{%1-%2-%3-%4%5-")
                       .arg(g.Data1, 8, 16, QLatin1Char('0'))
                       .arg(g.Data2, 4, 16, QLatin1Char('0'))
                       .arg(g.Data3, 4, 16, QLatin1Char('0'))
                       .arg(g.Data4[0], 2, 16, QLatin1Char('0'))
                       .arg(g.Data4[1], 2, 16, QLatin1Char('0'));
    for (int i = 2; i < 8; ++i)
        text += QStringLiteral("%1").arg(g.Data4[i], 2, 16, QLatin1Char('0'));
    text += QLatin1Char('}');
    return text.toUpper();
}

std::optional<GUID> GuidFromString(const QString& text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    const std::string_view view(latin.constData(), static_cast<std::size_t>(latin.size()));
    try {
        return MakeGuid(view);
    } catch (const char*) {
        return std::nullopt;
    }
}

std::array<std::uint8_t, 16> GuidBytes(const GUID& g)
{
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(g.Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(g.Data2 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        bytes[6 + i] = static_cast<std::uint8_t>(g.Data3 >> (8 * i));
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = g.Data4[i];
    return bytes;
}

} // namespace camtrove::media
