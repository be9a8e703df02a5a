#include "settings/write_preferences.h"

#include "settings/ini_file.h"
#include "settings/parameter_section.h"

#include <QFile>

#include <cstring>

namespace camtrove::settings {

namespace ik = incrust_keys;

namespace {
QString Name(const char16_t* subKey)
{
    return QString::fromUtf16(subKey);
}
} // namespace

TWritePreferences::TWritePreferences(QString keyPath, TSavePreferences mode, const TStoreLocation& location)
    : m_keyPath(std::move(keyPath)), m_sectionHeader(QLatin1Char('[') + m_keyPath + QLatin1Char(']')),
      m_mode(mode), m_iniPath(location.IniFilePath(kTitre))
{
    if (m_mode == spRegistre) {
        m_registry = std::make_unique<platform::Registry>(location.registryFolder);
        m_keyOpen = m_registry->OpenKey(m_keyPath, true);
        m_failed = !m_keyOpen;
    } else if (m_mode == spPortable && QFile::exists(m_iniPath)) {
        // Writing back without the other sections would lose them: refuse the save instead.
        const auto lines = ReadIniFile(m_iniPath);
        m_failed = !lines.has_value();
        if (lines)
            m_lines = *lines;
    }
}

void TWritePreferences::Store(const QString& key, const QString& iniText,
                              const std::function<bool()>& registryWrite)
{
    if (m_mode == spRegistre) {
        if (!m_keyOpen || !registryWrite())
            m_failed = true;
    } else if (m_mode == spPortable) {
        WriteParameterLine(m_lines, m_sectionHeader, key, iniText);
    }
}

void TWritePreferences::WriteBoolean(const QString& key, bool value)
{
    Store(key, value ? QStringLiteral("1") : QStringLiteral("0"),
          [&] { return m_registry->WriteInteger(key, value ? 1 : 0); });
}

void TWritePreferences::WriteInteger(const QString& key, std::int32_t value)
{
    Store(key, QString::number(value), [&] { return m_registry->WriteInteger(key, value); });
}

void TWritePreferences::WriteReal(const QString& key, double value)
{
    Store(key, FormatIniReal(value), [&] {
        QByteArray bytes(8, '\0');
        std::memcpy(bytes.data(), &value, 8);
        return m_registry->WriteBinaryData(key, bytes);
    });
}

void TWritePreferences::WriteWideString(const QString& key, const QString& value)
{
    Store(key, EncodeIniText(value),
          [&] { return m_registry->WriteString(key, value.isEmpty() ? QStringLiteral("#@vide§#") : value); });
}

template <typename Fill> void TWritePreferences::InRegistrySubkey(const QString& key, Fill fill)
{
    if (!m_keyOpen) {
        m_failed = true;
        return;
    }
    const QString remembered = m_registry->CurrentPath();
    if (!m_registry->OpenKey(key, true)) {
        m_failed = true;
        return;
    }
    fill();
    m_registry->CloseKey();
    m_keyOpen = m_registry->OpenKey(QLatin1Char('\\') + remembered, true);
}

void TWritePreferences::WriteFontRecord(const QString& key, const TfontRecord& r)
{
    const bool ini = m_mode == spPortable;
    auto fill = [&] {
        auto name = [&](const char16_t* sub) {
            return ini ? key + QLatin1Char('\\') + Name(sub) : Name(sub);
        };
        WriteWideString(name(ik::FontName), r.FontName);
        WriteInteger(name(ik::FontSize), r.FontSize);
        WriteInteger(name(ik::FontColor), static_cast<std::int32_t>(r.FontColor));
        WriteBoolean(name(ik::FontBold), r.Bold);
        WriteBoolean(name(ik::FontItalic), r.Italic);
        WriteBoolean(name(ik::FontUnderline), r.Underline);
        WriteBoolean(name(ik::FontStrikeOut), r.StrikeOut);
    };
    if (m_mode == spRegistre)
        InRegistrySubkey(key, fill);
    else if (ini)
        fill();
}

void TWritePreferences::WriteIncrustRec(const QString& key, const TincrustRec& r)
{
    const bool ini = m_mode == spPortable;
    auto fill = [&] {
        auto name = [&](const char16_t* sub) {
            return ini ? key + QLatin1Char('\\') + Name(sub) : Name(sub);
        };
        WriteWideString(name(ik::Incrust1), r.Incrust1);
        WriteWideString(name(ik::Incrust2), r.Incrust2);
        WriteWideString(name(ik::FormatDate1), r.FormatDate1);
        WriteWideString(name(ik::FormatDate2), r.FormatDate2);
        WriteReal(name(ik::DecalageHoraire), r.DecalageHoraire);
        WriteFontRecord(name(ik::FontRec), r.FontRec);
        WriteBoolean(name(ik::Autofontsize), r.Autofontsize);
        WriteInteger(name(ik::BorderSize), r.BorderSize);
        WriteInteger(name(ik::WhatIncrust), r.WhatIncrust);
        WriteInteger(name(ik::Alignment), r.Alignment);
        WriteInteger(name(ik::BorderColor), static_cast<std::int32_t>(r.BorderColor));
        WriteInteger(name(ik::Xpos), r.Xpos);
        WriteInteger(name(ik::Ypos), r.Ypos);
    };
    if (m_mode == spRegistre)
        InRegistrySubkey(key, fill);
    else if (ini)
        fill();
}

bool TWritePreferences::Commit()
{
    if (m_mode == spPortable && !m_failed && !WriteIniFile(m_iniPath, m_lines))
        m_failed = true;
    return !m_failed;
}

} // namespace camtrove::settings
