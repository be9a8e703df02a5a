#include "platform/registry_text.h"

#include <QStringList>

namespace camtrove::platform {

namespace {

QString Quote(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (u == u'"')
            out += QStringLiteral("\\\"");
        else if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7f ||
                 c.isSurrogate()) // surrogates are escaped so a lone one survives UTF-8
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString Hex(const QByteArray& bytes)
{
    QStringList parts;
    for (const char b : bytes)
        parts << QStringLiteral("%1").arg(unsigned(static_cast<unsigned char>(b)), 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(','));
}

QByteArray Utf16Bytes(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// The text a REG_SZ's bytes stand for, when they are exactly that text padded with zero bytes.
std::optional<QString> TextOfStringBytes(const QByteArray& data)
{
    QString text(data.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(data[2 * i]);
        const auto hi = static_cast<unsigned char>(data[2 * i + 1]);
        text[i] = QChar(char16_t(lo | (hi << 8)));
    }
    while (!text.isEmpty() && text.back().unicode() == 0)
        text.chop(1);
    QByteArray rebuilt = Utf16Bytes(text);
    if (rebuilt.size() > data.size())
        return std::nullopt;
    rebuilt.append(data.size() - rebuilt.size(), '\0');
    if (rebuilt != data)
        return std::nullopt;
    return text;
}

QString ValueText(const RegValue& value)
{
    if (value.type == REG_DWORD && value.data.size() == 4) {
        quint32 number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        return QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    if (value.type == REG_BINARY)
        return QStringLiteral("hex:") + Hex(value.data);
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        if (const auto text = TextOfStringBytes(value.data)) {
            QString head = value.type == REG_SZ ? QStringLiteral("sz") : QStringLiteral("expand_sz");
            if (value.data.size() != text->size() * 2 + 2)
                head += QStringLiteral("(%1)").arg(value.data.size());
            return head + QLatin1Char(':') + Quote(*text);
        }
    }
    return QStringLiteral("hex(%1):").arg(value.type) + Hex(value.data);
}

void WriteKey(const RegKey& key, const QString& path, QString& out)
{
    out += QLatin1Char('[') + path + QStringLiteral("]\n");
    for (const RegValue& value : key.values)
        out += Quote(value.name) + QLatin1Char('=') + ValueText(value) + QLatin1Char('\n');
    for (const auto& subkey : key.subkeys)
        WriteKey(*subkey, path.isEmpty() ? subkey->name : path + QLatin1Char('\\') + subkey->name, out);
}

// Reads a quoted text at pos; pos ends after the closing quote.
std::optional<QString> Unquote(const QString& line, qsizetype& pos)
{
    if (pos >= line.size() || line[pos] != QLatin1Char('"'))
        return std::nullopt;
    QString out;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == QLatin1Char('"'))
            return out;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (pos >= line.size())
            return std::nullopt;
        const QChar e = line[pos++];
        switch (e.unicode()) {
        case u'\\':
            out += QLatin1Char('\\');
            break;
        case u'"':
            out += QLatin1Char('"');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u't':
            out += QLatin1Char('\t');
            break;
        case u'u': {
            bool ok = false;
            const uint code = line.mid(pos, 4).toUInt(&ok, 16);
            if (!ok || line.mid(pos, 4).size() != 4)
                return std::nullopt;
            out += QChar(char16_t(code));
            pos += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> ParseHex(const QString& text)
{
    QByteArray bytes;
    if (text.isEmpty())
        return bytes;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const uint b = part.toUInt(&ok, 16);
        if (!ok || part.size() != 2 || b > 0xff)
            return std::nullopt;
        bytes.append(char(b));
    }
    return bytes;
}

std::optional<RegValue> ParseValueData(const QString& data)
{
    RegValue value;
    if (data.startsWith(QLatin1String("dword:"))) {
        const QString digits = data.mid(6);
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() != 8)
            return std::nullopt;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data.append(char((number >> (8 * i)) & 0xff));
        return value;
    }
    if (data.startsWith(QLatin1String("hex:"))) {
        const auto bytes = ParseHex(data.mid(4));
        if (!bytes)
            return std::nullopt;
        value.type = REG_BINARY;
        value.data = *bytes;
        return value;
    }
    if (data.startsWith(QLatin1String("hex("))) {
        const qsizetype close = data.indexOf(QStringLiteral("):"));
        bool ok = false;
        const uint type = data.mid(4, close - 4).toUInt(&ok);
        if (close < 0 || !ok)
            return std::nullopt;
        const auto bytes = ParseHex(data.mid(close + 2));
        if (!bytes)
            return std::nullopt;
        value.type = type;
        value.data = *bytes;
        return value;
    }
    qsizetype pos = 0;
    if (data.startsWith(QLatin1String("sz"))) {
        value.type = REG_SZ;
        pos = 2;
    } else if (data.startsWith(QLatin1String("expand_sz"))) {
        value.type = REG_EXPAND_SZ;
        pos = 9;
    } else {
        return std::nullopt;
    }
    std::optional<qsizetype> byteCount;
    if (pos < data.size() && data[pos] == QLatin1Char('(')) {
        const qsizetype close = data.indexOf(QLatin1Char(')'), pos);
        bool ok = false;
        const qsizetype count = data.mid(pos + 1, close - pos - 1).toLongLong(&ok);
        if (close < 0 || !ok || count < 0)
            return std::nullopt;
        byteCount = count;
        pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != QLatin1Char(':'))
        return std::nullopt;
    ++pos;
    const auto text = Unquote(data, pos);
    if (!text || pos != data.size())
        return std::nullopt;
    value.data = Utf16Bytes(*text);
    const qsizetype size = byteCount.value_or(value.data.size() + 2);
    if (size < value.data.size())
        return std::nullopt;
    value.data.append(size - value.data.size(), '\0');
    return value;
}

} // namespace

QByteArray SerializeRegistry(const RegKey& root, const QString& rootName)
{
    QString out = QStringLiteral("; Camtrove registry store: %1\n").arg(rootName);
    if (!root.values.empty())
        WriteKey(root, QString(), out);
    else
        for (const auto& subkey : root.subkeys)
            WriteKey(*subkey, subkey->name, out);
    return out.toUtf8();
}

std::optional<RegistryParseError> ParseRegistry(const QByteArray& text, RegKey& root)
{
    root.values.clear();
    root.subkeys.clear();
    QString decoded = QString::fromUtf8(text);
    if (decoded.toUtf8() != text)
        return RegistryParseError{0, QStringLiteral("the file is not valid UTF-8")};
    const QStringList lines = decoded.split(QLatin1Char('\n'));
    RegKey* current = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int number = i + 1;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString path = line.mid(1, line.size() - 2);
            current = &root;
            if (!path.isEmpty()) {
                const QStringList names = path.split(QLatin1Char('\\'));
                for (const QString& name : names) {
                    if (!IsValidKeyName(name))
                        return RegistryParseError{number, QStringLiteral("bad key name in \"%1\"").arg(path)};
                    current = &current->AddSubkey(name);
                }
            }
            continue;
        }
        if (current == nullptr)
            return RegistryParseError{number, QStringLiteral("a value before any key")};
        qsizetype pos = 0;
        const auto name = Unquote(line, pos);
        if (!name || pos >= line.size() || line[pos] != QLatin1Char('='))
            return RegistryParseError{number, QStringLiteral("expected \"name\"=data")};
        const auto value = ParseValueData(line.mid(pos + 1));
        if (!value)
            return RegistryParseError{number, QStringLiteral("unreadable value data")};
        current->SetValue(*name, value->type, value->data);
    }
    return std::nullopt;
}

} // namespace camtrove::platform
