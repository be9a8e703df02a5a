#pragma once
// The component's key/value stores: a current path of key names joined by backslashes (empty at
// the root) and operations that report success or "found". Every operation catches its own errors.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace camtrove::settings {

class TPreferencesMan
{
public:
    virtual ~TPreferencesMan() = default;

    virtual bool GetValueNames(QStringList& list) = 0;
    virtual bool GetKeyNames(QStringList& list) = 0;
    virtual bool OpenKey(const QString& name, bool create) = 0;
    virtual bool CloseKey() = 0;
    virtual bool WriteString(const QString& name, const QString& value) = 0;
    virtual bool ReadString(const QString& name, QString& value) = 0;
    virtual bool DeleteValue(const QString& name) = 0;
    virtual bool WriteBool(const QString& name, bool value) = 0;
    virtual bool ReadBool(const QString& name, bool& value) = 0;
    virtual bool WriteInteger(const QString& name, std::int32_t value) = 0;
    virtual bool ReadInteger(const QString& name, std::int32_t& value) = 0;
    virtual bool WriteFloat(const QString& name, double value) = 0;
    virtual bool ReadFloat(const QString& name, double& value) = 0;

    [[nodiscard]] const QString& CurrentPath() const { return m_path; }
    // Closes keys until the root is current.
    void GoToRoot();

protected:
    [[nodiscard]] QString ChildPath(const QString& name) const;
    [[nodiscard]] QString ParentPath() const;

    QString m_path;
};

// Mode none: opening, closing and writing succeed and do nothing; nothing is ever found.
class TNonePreferencesMan final : public TPreferencesMan
{
public:
    bool GetValueNames(QStringList&) override { return false; }
    bool GetKeyNames(QStringList&) override { return false; }
    bool OpenKey(const QString&, bool) override { return true; }
    bool CloseKey() override { return true; }
    bool WriteString(const QString&, const QString&) override { return true; }
    bool ReadString(const QString&, QString&) override { return false; }
    bool DeleteValue(const QString&) override { return false; }
    bool WriteBool(const QString&, bool) override { return true; }
    bool ReadBool(const QString&, bool&) override { return false; }
    bool WriteInteger(const QString&, std::int32_t) override { return true; }
    bool ReadInteger(const QString&, std::int32_t&) override { return false; }
    bool WriteFloat(const QString&, double) override { return true; }
    bool ReadFloat(const QString&, double&) override { return false; }
};

} // namespace camtrove::settings
