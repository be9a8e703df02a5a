#include "settings/parameter_section.h"

#include "settings/ini_file.h"

namespace camtrove::settings {

std::optional<qsizetype> FindParameterLine(const QStringList& lines, const QString& header,
                                           const QString& key)
{
    QString section;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (IsTrimmedSectionHeader(line)) {
            section = TrimBlanks(line);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && section == header && QStringView(line).left(equals) == key)
            return i;
    }
    return std::nullopt;
}

QString ParameterLineValue(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : line.mid(equals + 1);
}

void WriteParameterLine(QStringList& lines, const QString& header, const QString& key, const QString& value)
{
    if (const auto found = FindParameterLine(lines, header, key)) {
        QString& line = lines[*found];
        line = line.left(line.indexOf(QLatin1Char('='))) + QLatin1Char('=') + value;
        return;
    }
    const QString newLine = key + QLatin1Char('=') + value;
    qsizetype headerLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (TrimBlanks(lines[i]) == header) {
            headerLine = i;
            break;
        }
    }
    if (headerLine < 0) {
        lines << header << newLine;
        return;
    }
    for (qsizetype i = headerLine + 1; i < lines.size(); ++i) {
        if (IsTrimmedSectionHeader(lines[i])) {
            lines.insert(i, newLine);
            return;
        }
    }
    lines << newLine;
}

} // namespace camtrove::settings
