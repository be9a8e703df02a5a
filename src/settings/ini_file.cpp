#include "settings/ini_file.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QLocale>
#include <QStringDecoder>

namespace camtrove::settings {

namespace {

const QString kEmptyText = QStringLiteral("#@vide§#");
const QString kCrToken = QStringLiteral("#@cr§#");
const QString kLfToken = QStringLiteral("#@lf§#");

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

QString DecodeUtf16(const QByteArray& bytes, bool bigEndian)
{
    QString out(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        out[i] = QChar(char16_t(bigEndian ? (a << 8) | b : a | (b << 8)));
    }
    return out;
}

QString DecodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return DecodeUtf16(bytes.mid(2), false);
    if (bytes.startsWith("\xFE\xFF"))
        return DecodeUtf16(bytes.mid(2), true);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeWindows1252(bytes);
}

} // namespace

QStringList DecodeIniBytes(const QByteArray& bytes)
{
    const QString text = DecodeText(bytes);
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << line;
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QByteArray EncodeIniLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    QByteArray out("\xFF\xFE", 2);
    out.reserve(2 + text.size() * 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

std::optional<QStringList> ReadIniFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return DecodeIniBytes(file.readAll());
}

bool WriteIniFile(const QString& path, const QStringList& lines)
{
    return platform::WriteFileAtomically(path, EncodeIniLines(lines));
}

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

bool IsTrimmedSectionHeader(const QString& line)
{
    const QString trimmed = TrimBlanks(line);
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

QString EncodeIniText(const QString& value)
{
    if (value.isEmpty())
        return kEmptyText;
    QString out = value;
    out.replace(QLatin1Char('\r'), kCrToken);
    out.replace(QLatin1Char('\n'), kLfToken);
    return out;
}

QString DecodeIniText(const QString& stored)
{
    if (stored == kEmptyText)
        return QString();
    QString out = stored;
    out.replace(kCrToken, QStringLiteral("\r"));
    out.replace(kLfToken, QStringLiteral("\n"));
    return out;
}

QString FormatIniReal(double value)
{
    QString text = QString::number(value, 'g', 15);
    // The Windows build wrote exponents as "1E20" and "1E-5".
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith(QLatin1Char('-'));
        if (negative || exponent.startsWith(QLatin1Char('+')))
            exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        text = text.left(e) + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

std::optional<double> ParseIniReal(const QString& text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(TrimBlanks(text), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> ParseIniInteger(const QString& text)
{
    bool ok = false;
    const int value = TrimBlanks(text).toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace camtrove::settings
