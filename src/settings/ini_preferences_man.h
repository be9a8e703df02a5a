#pragma once
// The component's store in the ini file: a path is the section "[path]" (the root is "[]"),
// headers and value names found without letter case. The lines reach the file at Flush() (and
// when the store is destroyed). The parameter list writes its own section of the same file during
// a save; Flush() takes that section from the file as it stands and writes every other section
// from memory, so neither writer undoes the other.

#include "settings/preferences_man.h"

#include <optional>

namespace camtrove::settings {

class TIniPreferencesMan final : public TPreferencesMan
{
public:
    // parameterSection is the parameter list's header, "[\Software\Dorn Vesk\Camtrove]".
    TIniPreferencesMan(QString fileName, QString parameterSection);
    ~TIniPreferencesMan() override;

    [[nodiscard]] bool Flush();
    [[nodiscard]] const QStringList& Lines() const { return m_lines; }

    bool GetValueNames(QStringList& list) override;
    bool GetKeyNames(QStringList& list) override;
    // Appends an empty line and the header when the section is missing, even for reading.
    bool OpenKey(const QString& name, bool create) override;
    bool CloseKey() override;
    bool WriteString(const QString& name, const QString& value) override;
    bool ReadString(const QString& name, QString& value) override;
    bool DeleteValue(const QString& name) override;
    // "True" or "False"; reading accepts exactly those.
    bool WriteBool(const QString& name, bool value) override;
    bool ReadBool(const QString& name, bool& value) override;
    // A found text that does not parse reads as 0.
    bool WriteInteger(const QString& name, std::int32_t value) override;
    bool ReadInteger(const QString& name, std::int32_t& value) override;
    bool WriteFloat(const QString& name, double value) override;
    bool ReadFloat(const QString& name, double& value) override;

private:
    void OpenPath(const QString& path);
    [[nodiscard]] qsizetype HeaderLine() const; // of the current path, -1 when missing
    [[nodiscard]] qsizetype SectionEnd(qsizetype header) const;
    [[nodiscard]] std::optional<qsizetype> FindValueLine(const QString& name) const;

    QString m_fileName;
    QString m_parameterSection;
    QStringList m_lines;
    bool m_dirty = false;
};

} // namespace camtrove::settings
