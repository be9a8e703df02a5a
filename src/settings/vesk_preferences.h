#pragma once
// The preferences component of the main window: decides and switches the store mode, deletes the
// stores no longer in use, asks at quit how to save when no store is in use, writes its own root
// values, and gives the script actions and window rectangles a key/value interface over the store
// of the current mode. The main window calls FirstShow() when it is first shown and CloseQuery()
// from its close event. UI thread only.

#include "common/datetime.h"
#include "settings/preferences_man.h"
#include "settings/save_preferences.h"
#include "settings/store_location.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace camtrove::settings {

struct TRect
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

class TVeskPreferences
{
public:
    explicit TVeskPreferences(TStoreLocation location);
    ~TVeskPreferences(); // an ini store writes its file
    TVeskPreferences(const TVeskPreferences&) = delete;
    TVeskPreferences& operator=(const TVeskPreferences&) = delete;

    QString titre = kTitre;
    QString version; // written under "Version" at every save
    std::function<void(TSavePreferences aMode)> OnChangeMode;
    std::function<void(TVeskPreferences& gp)> OnLoadPrefs;
    std::function<void(TVeskPreferences& gp)> OnSavePrefs;
    std::function<TDateTime()> clock = [] { return Now(); };

    [[nodiscard]] TSavePreferences Mode() const { return m_mode; }
    [[nodiscard]] TPreferencesMan& Store() { return *m_store; }
    [[nodiscard]] QString IniFileName() const;
    [[nodiscard]] QString RegistryKey() const; // "Software\Dorn Vesk\" + titre
    [[nodiscard]] const TStoreLocation& Location() const { return m_location; }

    // The ini file; else the registry key; else none.
    [[nodiscard]] TSavePreferences DetectMode() const;
    // Applies mode when it differs from the current one.
    void SetMode(TSavePreferences mode);
    // Makes mode current: replaces the store object, fires OnChangeMode, deletes the ini file
    // unless portable and the registry store unless registry.
    void ApplyMode(TSavePreferences mode);

    // The first show of the owner window: detect and apply the mode, run the owner's own show
    // handler, fire OnLoadPrefs. Runs once.
    void FirstShow(const std::function<void()>& ownerShow);
    // The owner's close query: its own handler first, the dialog when no store is in use, then
    // the save. False keeps the window open (the owner refused, or the dialog was dismissed).
    [[nodiscard]] bool CloseQuery(SaveModePrompt& prompt, const std::function<bool()>& ownerCloseQuery = {});
    // The save of the quit: "Version", "Last saving", "ExeName" at the store's root, then
    // OnSavePrefs. Nothing in mode none. False when a root value could not be written.
    [[nodiscard]] bool SavePreferences();
    // Writes an ini store's lines to its file now. True in the other modes.
    [[nodiscard]] bool FlushStore();
    [[nodiscard]] bool Hooked() const { return m_hooked; }

    [[nodiscard]] bool ReadBool(const QString& name, bool defaultValue);
    [[nodiscard]] std::int32_t ReadInteger(const QString& name, std::int32_t defaultValue);
    [[nodiscard]] QString ReadString(const QString& name, const QString& defaultValue);
    // The default unless "Top", "Left", "Right" and "Bottom" are all found under key name.
    [[nodiscard]] TRect ReadRect(const QString& name, const TRect& defaultValue);
    bool WriteBool(const QString& name, bool value);
    bool WriteInteger(const QString& name, std::int32_t value);
    bool WriteString(const QString& name, const QString& value);
    bool WriteRect(const QString& name, const TRect& value);

private:
    void DeleteRegistryStore();

    TStoreLocation m_location;
    TSavePreferences m_mode = spNone;
    std::unique_ptr<TPreferencesMan> m_store;
    bool m_shown = false;
    bool m_hooked = true;
};

} // namespace camtrove::settings
