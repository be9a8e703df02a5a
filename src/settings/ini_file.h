#pragma once
// Ini files as lists of lines: the encodings read, the one encoding written, and the value texts
// shared by the parameter list's section and the component's store.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace camtrove::settings {

// Byte-order marks FF FE, FE FF and EF BB BF; without one UTF-8, and Windows-1252 when the bytes
// are not valid UTF-8 (files written by the Windows build in its 8-bit code page). Lines end at
// CR, LF or CR LF.
[[nodiscard]] QStringList DecodeIniBytes(const QByteArray& bytes);
// UTF-16 little-endian with FF FE, every line ended by CR LF.
[[nodiscard]] QByteArray EncodeIniLines(const QStringList& lines);

// No value when the file is missing or cannot be read.
[[nodiscard]] std::optional<QStringList> ReadIniFile(const QString& path);
// Atomic: the old file stays whole when the write fails.
[[nodiscard]] bool WriteIniFile(const QString& path, const QStringList& lines);

// Removes characters up to the blank from both ends.
[[nodiscard]] QString TrimBlanks(const QString& text);
// The trimmed text begins with "[" and ends with "]".
[[nodiscard]] bool IsTrimmedSectionHeader(const QString& line);

// The text stored for a wide string: empty as "#@vide§#", line breaks as tokens so that a value
// keeps to its one line; and back.
[[nodiscard]] QString EncodeIniText(const QString& value);
[[nodiscard]] QString DecodeIniText(const QString& stored);

// Numbers with the user's decimal separator; unparsable text gives no value.
[[nodiscard]] QString FormatIniReal(double value);
[[nodiscard]] std::optional<double> ParseIniReal(const QString& text);
[[nodiscard]] std::optional<std::int32_t> ParseIniInteger(const QString& text);

} // namespace camtrove::settings
