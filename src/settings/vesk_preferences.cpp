#include "settings/vesk_preferences.h"

#include "platform/registry.h"
#include "settings/ini_preferences_man.h"
#include "settings/reg_preferences_man.h"

#include <QCoreApplication>
#include <QFile>

namespace camtrove::settings {

TVeskPreferences::TVeskPreferences(TStoreLocation location)
    : m_location(std::move(location)), m_store(std::make_unique<TNonePreferencesMan>())
{
}

TVeskPreferences::~TVeskPreferences()
{
    (void)FlushStore();
}

QString TVeskPreferences::IniFileName() const
{
    return m_location.IniFilePath(titre);
}

QString TVeskPreferences::RegistryKey() const
{
    return QStringLiteral("Software\\Dorn Vesk\\") + titre;
}

TSavePreferences TVeskPreferences::DetectMode() const
{
    if (QFile::exists(IniFileName()))
        return spPortable;
    platform::Registry registry(m_location.registryFolder);
    if (registry.OpenKey(QLatin1Char('\\') + RegistryKey(), false))
        return spRegistre;
    return spNone;
}

void TVeskPreferences::SetMode(TSavePreferences mode)
{
    if (mode != m_mode)
        ApplyMode(mode);
}

void TVeskPreferences::ApplyMode(TSavePreferences mode)
{
    m_mode = mode;
    m_store.reset(); // an ini store writes its file as it goes
    switch (mode) {
    case spRegistre:
        m_store = std::make_unique<TRegPreferencesMan>(m_location.registryFolder, RegistryKey(), true);
        break;
    case spPortable:
        m_store = std::make_unique<TIniPreferencesMan>(IniFileName(),
                                                       QLatin1Char('[') + kKeyPath + QLatin1Char(']'));
        break;
    case spNone:
        m_store = std::make_unique<TNonePreferencesMan>();
        break;
    }
    if (OnChangeMode)
        OnChangeMode(mode);
    if (mode != spPortable && QFile::exists(IniFileName()))
        QFile::remove(IniFileName());
    if (mode != spRegistre)
        DeleteRegistryStore();
}

void TVeskPreferences::DeleteRegistryStore()
{
    platform::Registry registry(m_location.registryFolder);
    if (!registry.OpenKey(QStringLiteral("\\Software\\Dorn Vesk"), false))
        return;
    (void)registry.DeleteKey(titre);
    // The maker's key stays while another of its programs keeps a key there.
    if (registry.GetKeyNames().isEmpty()) {
        registry.CloseKey();
        (void)registry.DeleteKey(QStringLiteral("\\Software\\Dorn Vesk"));
    }
}

void TVeskPreferences::FirstShow(const std::function<void()>& ownerShow)
{
    if (m_shown)
        return;
    m_shown = true;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
    ApplyMode(DetectMode());
    if (ownerShow)
        ownerShow();
    if (OnLoadPrefs)
        OnLoadPrefs(*this);
}

bool TVeskPreferences::CloseQuery(SaveModePrompt& prompt, const std::function<bool()>& ownerCloseQuery)
{
    if (ownerCloseQuery && !ownerCloseQuery())
        return false;
    if (!m_hooked)
        return true;
    if (m_mode == spNone) {
        const auto chosen = prompt.AskSaveMode(QStringLiteral("Saving the preferences of %1").arg(titre));
        if (!chosen)
            return false;
        ApplyMode(*chosen);
    }
    (void)SavePreferences();
    m_hooked = false;
    return true;
}

bool TVeskPreferences::SavePreferences()
{
    if (m_mode == spNone)
        return true;
    m_store->GoToRoot();
    bool ok = m_store->WriteString(QStringLiteral("Version"), version);
    ok = m_store->WriteString(QStringLiteral("Last saving"),
                              FormatDateTime(QStringLiteral("yyyy/mm/dd hh:mm:ss"), clock())) &&
         ok;
    ok = m_store->WriteString(QStringLiteral("ExeName"), m_location.exeName) && ok;
    if (OnSavePrefs)
        OnSavePrefs(*this);
    return ok;
}

bool TVeskPreferences::FlushStore()
{
    auto* ini = dynamic_cast<TIniPreferencesMan*>(m_store.get());
    return ini == nullptr || ini->Flush();
}

bool TVeskPreferences::ReadBool(const QString& name, bool defaultValue)
{
    bool value = defaultValue;
    if (m_mode == spNone || !m_store->ReadBool(name, value))
        return defaultValue;
    return value;
}

std::int32_t TVeskPreferences::ReadInteger(const QString& name, std::int32_t defaultValue)
{
    std::int32_t value = defaultValue;
    if (m_mode == spNone || !m_store->ReadInteger(name, value))
        return defaultValue;
    return value;
}

QString TVeskPreferences::ReadString(const QString& name, const QString& defaultValue)
{
    QString value;
    if (m_mode == spNone || !m_store->ReadString(name, value))
        return defaultValue;
    return value;
}

TRect TVeskPreferences::ReadRect(const QString& name, const TRect& defaultValue)
{
    if (m_mode == spNone || !m_store->OpenKey(name, false))
        return defaultValue;
    TRect rect;
    const bool all = m_store->ReadInteger(QStringLiteral("Top"), rect.Top) &
                     m_store->ReadInteger(QStringLiteral("Left"), rect.Left) &
                     m_store->ReadInteger(QStringLiteral("Right"), rect.Right) &
                     m_store->ReadInteger(QStringLiteral("Bottom"), rect.Bottom);
    m_store->CloseKey();
    return all ? rect : defaultValue;
}

bool TVeskPreferences::WriteBool(const QString& name, bool value)
{
    return m_mode != spNone && m_store->WriteBool(name, value);
}

bool TVeskPreferences::WriteInteger(const QString& name, std::int32_t value)
{
    return m_mode != spNone && m_store->WriteInteger(name, value);
}

bool TVeskPreferences::WriteString(const QString& name, const QString& value)
{
    return m_mode != spNone && m_store->WriteString(name, value);
}

bool TVeskPreferences::WriteRect(const QString& name, const TRect& value)
{
    if (m_mode == spNone || !m_store->OpenKey(name, true))
        return false;
    const bool ok = m_store->WriteInteger(QStringLiteral("Left"), value.Left) &&
                    m_store->WriteInteger(QStringLiteral("Top"), value.Top) &&
                    m_store->WriteInteger(QStringLiteral("Right"), value.Right) &&
                    m_store->WriteInteger(QStringLiteral("Bottom"), value.Bottom);
    m_store->CloseKey();
    return ok;
}

} // namespace camtrove::settings
