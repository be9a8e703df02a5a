#pragma once
// The parameter list's view of an ini file: one section, looked up and written exactly as the
// Windows build did, so files move between the two builds.

#include <QString>
#include <QStringList>

#include <optional>

namespace camtrove::settings {

// The index of the first line named exactly key (the text before its first "=", untrimmed) in a
// section whose trimmed header equals header exactly.
[[nodiscard]] std::optional<qsizetype> FindParameterLine(const QStringList& lines, const QString& header,
                                                         const QString& key);
// The text after the line's first "=".
[[nodiscard]] QString ParameterLineValue(const QString& line);
// Replaces the value of the found line; else appends the line to the section (adding the header
// when the section is missing).
void WriteParameterLine(QStringList& lines, const QString& header, const QString& key, const QString& value);

} // namespace camtrove::settings
