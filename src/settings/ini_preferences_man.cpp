#include "settings/ini_preferences_man.h"

#include "settings/ini_file.h"

#include <QFile>

namespace camtrove::settings {

namespace {

bool IsHeader(const QString& line)
{
    return line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
}

QString NameOf(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : line.left(equals);
}

// The lines of the section whose trimmed header equals header, header included.
QStringList ExtractSection(QStringList& lines, const QString& header, qsizetype* at)
{
    QStringList section;
    *at = -1;
    for (qsizetype i = 0; i < lines.size();) {
        if (TrimBlanks(lines[i]) != header) {
            ++i;
            continue;
        }
        if (*at < 0)
            *at = i;
        qsizetype end = i + 1;
        while (end < lines.size() && !IsTrimmedSectionHeader(lines[end]))
            ++end;
        section << lines.mid(i, end - i);
        lines.remove(i, end - i);
    }
    return section;
}

} // namespace

TIniPreferencesMan::TIniPreferencesMan(QString fileName, QString parameterSection)
    : m_fileName(std::move(fileName)), m_parameterSection(std::move(parameterSection))
{
    const auto lines = ReadIniFile(m_fileName);
    if (lines) {
        m_lines = *lines;
    } else {
        m_lines = QStringList{QStringLiteral("[]")};
        m_dirty = true;
    }
    OpenPath(QString());
}

TIniPreferencesMan::~TIniPreferencesMan()
{
    (void)Flush();
}

bool TIniPreferencesMan::Flush()
{
    if (!m_dirty && QFile::exists(m_fileName))
        return true;
    QStringList lines = m_lines;
    qsizetype ownAt = -1;
    const QStringList ownCopy = ExtractSection(lines, m_parameterSection, &ownAt);
    QStringList fromFile;
    if (auto onDisk = ReadIniFile(m_fileName)) {
        qsizetype ignored = -1;
        fromFile = ExtractSection(*onDisk, m_parameterSection, &ignored);
    } else {
        fromFile = ownCopy; // the file is gone: keep the section as it was read
    }
    if (ownAt < 0 || ownAt > lines.size())
        lines << fromFile;
    else
        for (qsizetype i = 0; i < fromFile.size(); ++i)
            lines.insert(ownAt + i, fromFile[i]);
    if (!WriteIniFile(m_fileName, lines))
        return false;
    m_lines = lines;
    m_dirty = false;
    return true;
}

qsizetype TIniPreferencesMan::HeaderLine() const
{
    const QString header = QLatin1Char('[') + m_path + QLatin1Char(']');
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].compare(header, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype TIniPreferencesMan::SectionEnd(qsizetype header) const
{
    qsizetype end = header + 1;
    while (end < m_lines.size() && !IsHeader(m_lines[end]))
        ++end;
    return end;
}

void TIniPreferencesMan::OpenPath(const QString& path)
{
    m_path = path;
    if (HeaderLine() < 0) {
        m_lines << QString() << QLatin1Char('[') + path + QLatin1Char(']');
        m_dirty = true;
    }
}

std::optional<qsizetype> TIniPreferencesMan::FindValueLine(const QString& name) const
{
    const qsizetype header = HeaderLine();
    if (header < 0)
        return std::nullopt;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].contains(QLatin1Char('=')) &&
            NameOf(m_lines[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

bool TIniPreferencesMan::GetValueNames(QStringList& list)
{
    const qsizetype header = HeaderLine();
    if (header < 0)
        return false;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].contains(QLatin1Char('=')))
            list << NameOf(m_lines[i]);
    }
    return true;
}

bool TIniPreferencesMan::GetKeyNames(QStringList& list)
{
    const QString prefix = QLatin1Char('[') + m_path + QLatin1Char('\\');
    for (const QString& line : m_lines) {
        if (line.startsWith(prefix, Qt::CaseInsensitive) && line.endsWith(QLatin1Char(']')))
            list << line.mid(prefix.size(), line.size() - prefix.size() - 1);
    }
    return true;
}

bool TIniPreferencesMan::OpenKey(const QString& name, bool)
{
    OpenPath(ChildPath(name));
    return true;
}

bool TIniPreferencesMan::CloseKey()
{
    OpenPath(ParentPath());
    return true;
}

bool TIniPreferencesMan::WriteString(const QString& name, const QString& value)
{
    const QString line = name + QLatin1Char('=') + (value.isEmpty() ? QString() : EncodeIniText(value));
    m_dirty = true;
    if (const auto found = FindValueLine(name)) {
        m_lines[*found] = line;
        return true;
    }
    qsizetype header = HeaderLine();
    if (header < 0) {
        OpenPath(m_path);
        header = HeaderLine();
    }
    m_lines.insert(SectionEnd(header), line);
    return true;
}

bool TIniPreferencesMan::ReadString(const QString& name, QString& value)
{
    const auto found = FindValueLine(name);
    if (!found)
        return false;
    const QString& line = m_lines[*found];
    value = DecodeIniText(line.mid(line.indexOf(QLatin1Char('=')) + 1));
    return true;
}

bool TIniPreferencesMan::DeleteValue(const QString& name)
{
    const auto found = FindValueLine(name);
    if (!found)
        return false;
    m_lines.removeAt(*found);
    m_dirty = true;
    return true;
}

bool TIniPreferencesMan::WriteBool(const QString& name, bool value)
{
    return WriteString(name, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool TIniPreferencesMan::ReadBool(const QString& name, bool& value)
{
    QString text;
    if (!ReadString(name, text) || (text != QLatin1String("True") && text != QLatin1String("False")))
        return false;
    value = text == QLatin1String("True");
    return true;
}

bool TIniPreferencesMan::WriteInteger(const QString& name, std::int32_t value)
{
    return WriteString(name, QString::number(value));
}

bool TIniPreferencesMan::ReadInteger(const QString& name, std::int32_t& value)
{
    QString text;
    if (!ReadString(name, text))
        return false;
    value = ParseIniInteger(text).value_or(0);
    return true;
}

bool TIniPreferencesMan::WriteFloat(const QString& name, double value)
{
    return WriteString(name, FormatIniReal(value));
}

bool TIniPreferencesMan::ReadFloat(const QString& name, double& value)
{
    QString text;
    const bool found = ReadString(name, text);
    value = found ? ParseIniReal(text).value_or(0.0) : 0.0;
    return found;
}

} // namespace camtrove::settings
