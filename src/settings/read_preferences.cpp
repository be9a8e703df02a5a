#include "settings/read_preferences.h"

#include "settings/ini_file.h"
#include "settings/parameter_section.h"

#include <cstring>

namespace camtrove::settings {

namespace ik = incrust_keys;

namespace {
QString Sub(const QString& key, const char16_t* subKey)
{
    return key + QLatin1Char('\\') + QString::fromUtf16(subKey);
}
QString Name(const char16_t* subKey)
{
    return QString::fromUtf16(subKey);
}
} // namespace

TReadPreferences::TReadPreferences(QString keyPath, TSavePreferences mode, const TStoreLocation& location)
    : m_keyPath(std::move(keyPath)), m_sectionHeader(QLatin1Char('[') + m_keyPath + QLatin1Char(']')),
      m_mode(mode)
{
    if (m_mode == spRegistre) {
        m_registry = std::make_unique<platform::Registry>(location.registryFolder);
        m_keyOpen = m_registry->OpenKey(m_keyPath, false);
    } else if (m_mode == spPortable) {
        const auto lines = ReadIniFile(location.IniFilePath(kTitre));
        m_open = lines.has_value();
        if (lines)
            m_lines = *lines;
    }
}

std::optional<QString> TReadPreferences::IniValue(const QString& key) const
{
    const auto line = FindParameterLine(m_lines, m_sectionHeader, key);
    if (!line)
        return std::nullopt;
    return ParameterLineValue(m_lines[*line]);
}

bool TReadPreferences::ReadBoolean(const QString& key, bool defaultValue)
{
    if (m_mode == spRegistre) {
        if (!m_keyOpen)
            return defaultValue;
        const auto value = m_registry->ReadInteger(key);
        return value ? *value != 0 : defaultValue;
    }
    if (m_mode == spPortable) {
        const auto text = IniValue(key);
        return text ? TrimBlanks(*text) != QLatin1String("0") : defaultValue;
    }
    return defaultValue;
}

std::int32_t TReadPreferences::ReadInteger(const QString& key, std::int32_t defaultValue)
{
    if (m_mode == spRegistre) {
        if (!m_keyOpen)
            return defaultValue;
        return m_registry->ReadInteger(key).value_or(defaultValue);
    }
    if (m_mode == spPortable) {
        const auto text = IniValue(key);
        return text ? ParseIniInteger(*text).value_or(0) : defaultValue;
    }
    return defaultValue;
}

double TReadPreferences::ReadReal(const QString& key, double defaultValue)
{
    if (m_mode == spRegistre) {
        if (!m_keyOpen)
            return defaultValue;
        const auto bytes = m_registry->ReadBinaryData(key);
        if (!bytes || bytes->size() != 8)
            return defaultValue;
        double value = 0;
        std::memcpy(&value, bytes->constData(), 8); // little-endian hosts only, as the file format is
        return value;
    }
    if (m_mode == spPortable) {
        const auto text = IniValue(key);
        return text ? ParseIniReal(*text).value_or(0.0) : defaultValue;
    }
    return defaultValue;
}

QString TReadPreferences::ReadWideString(const QString& key, const QString& defaultValue)
{
    if (m_mode == spRegistre) {
        if (!m_keyOpen)
            return defaultValue;
        const auto text = m_registry->ReadString(key);
        if (!text)
            return defaultValue;
        return *text == QStringLiteral("#@vide§#") ? QString() : *text;
    }
    if (m_mode == spPortable) {
        const auto text = IniValue(key);
        return text ? DecodeIniText(*text) : defaultValue;
    }
    return defaultValue;
}

template <typename Fill> bool TReadPreferences::InRegistrySubkey(const QString& key, Fill fill)
{
    const QString remembered = m_registry->CurrentPath();
    if (!m_registry->OpenKey(key, false))
        return false;
    fill();
    m_registry->CloseKey();
    m_keyOpen = m_registry->OpenKey(QLatin1Char('\\') + remembered, false);
    return true;
}

TfontRecord TReadPreferences::ReadFontFields(const QString& key, const TfontRecord& d)
{
    // In the registry key names the subkey, in the ini file the prefix of the compound keys.
    const bool ini = m_mode == spPortable;
    auto name = [&](const char16_t* sub) { return ini ? Sub(key, sub) : Name(sub); };
    TfontRecord r;
    r.FontName = ReadWideString(name(ik::FontName), d.FontName);
    r.FontSize = ReadInteger(name(ik::FontSize), d.FontSize);
    r.FontColor =
        static_cast<std::uint32_t>(ReadInteger(name(ik::FontColor), static_cast<std::int32_t>(d.FontColor)));
    r.Bold = ReadBoolean(name(ik::FontBold), d.Bold);
    r.Italic = ReadBoolean(name(ik::FontItalic), d.Italic);
    r.Underline = ReadBoolean(name(ik::FontUnderline), d.Underline);
    r.StrikeOut = ReadBoolean(name(ik::FontStrikeOut), d.StrikeOut);
    return r;
}

TfontRecord TReadPreferences::ReadFontRecord(const QString& key, const TfontRecord& defaultValue)
{
    if (m_mode == spPortable)
        return ReadFontFields(key, defaultValue);
    if (m_mode != spRegistre || !m_keyOpen)
        return defaultValue;
    TfontRecord result = defaultValue;
    (void)InRegistrySubkey(key, [&] { result = ReadFontFields(key, defaultValue); });
    return result;
}

TincrustRec TReadPreferences::ReadIncrustRec(const QString& key, const TincrustRec& d)
{
    if (m_mode == spNone || (m_mode == spRegistre && !m_keyOpen))
        return d;
    const bool ini = m_mode == spPortable;
    TincrustRec result = d;
    auto fill = [&] {
        auto name = [&](const char16_t* sub) { return ini ? Sub(key, sub) : Name(sub); };
        TincrustRec& r = result;
        r.Incrust1 = ReadWideString(name(ik::Incrust1), d.Incrust1);
        r.Incrust2 = ReadWideString(name(ik::Incrust2), d.Incrust2);
        r.FormatDate1 = ReadWideString(name(ik::FormatDate1), d.FormatDate1);
        r.FormatDate2 = ReadWideString(name(ik::FormatDate2), d.FormatDate2);
        r.DecalageHoraire = ReadReal(name(ik::DecalageHoraire), d.DecalageHoraire);
        r.FontRec = ReadFontRecord(name(ik::FontRec), d.FontRec);
        r.Autofontsize = ReadBoolean(name(ik::Autofontsize), d.Autofontsize);
        r.BorderSize = ReadInteger(name(ik::BorderSize), d.BorderSize);
        r.WhatIncrust = static_cast<std::uint8_t>(ReadInteger(name(ik::WhatIncrust), d.WhatIncrust));
        r.Alignment = static_cast<std::uint8_t>(ReadInteger(name(ik::Alignment), d.Alignment));
        r.BorderColor = static_cast<std::uint32_t>(
            ReadInteger(name(ik::BorderColor), static_cast<std::int32_t>(d.BorderColor)));
        r.Xpos = ReadInteger(name(ik::Xpos), d.Xpos);
        r.Ypos = ReadInteger(name(ik::Ypos), d.Ypos);
    };
    if (ini)
        fill();
    else
        (void)InRegistrySubkey(key, fill);
    return result;
}

} // namespace camtrove::settings
