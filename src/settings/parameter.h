#pragma once
// Persistent settings: each TParameter carries its stored key, its current value and the default
// it was created with. The TparameterList owns them in creation order and loads or saves them in
// one pass through a short-lived reader or writer of the current store mode. UI thread only.

#include "common/datetime.h"
#include "settings/incrust_rec.h"
#include "settings/read_preferences.h"
#include "settings/save_preferences.h"
#include "settings/store_location.h"
#include "settings/write_preferences.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace camtrove::settings {

class TparameterList;

class TParameter
{
public:
    TParameter(QString key, TparameterList& owner);
    virtual ~TParameter() = default;
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    [[nodiscard]] const QString& Key() const { return m_key; }
    [[nodiscard]] TparameterList& Owner() const { return m_owner; }

    // Take the value from the owner's current reader; give it to the owner's current writer.
    virtual void Load() = 0;
    virtual void Save() = 0;

protected:
    [[nodiscard]] TReadPreferences& Reader() const;
    [[nodiscard]] TWritePreferences& Writer() const;

private:
    QString m_key;
    TparameterList& m_owner;
};

template <typename T> class TTypedParameter : public TParameter
{
public:
    TTypedParameter(QString key, T defaultValue, TparameterList& owner)
        : TParameter(std::move(key), owner), value(defaultValue), m_default(std::move(defaultValue))
    {
    }
    [[nodiscard]] const T& DefaultValue() const { return m_default; }

    T value;

private:
    T m_default;
};

class TIntegerParameter final : public TTypedParameter<std::int32_t>
{
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

class TRealParameter final : public TTypedParameter<double>
{
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

class TWideStringParameter final : public TTypedParameter<QString>
{
public:
    using TTypedParameter::TTypedParameter;
    // An empty result is replaced by the default.
    void Load() override;
    void Save() override;
};

class TBooleanParameter final : public TTypedParameter<bool>
{
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

class TincrustRecParameter final : public TTypedParameter<TincrustRec>
{
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

// Stored and read like integers; the value read is held in its low byte.
class TOrdinalParameter : public TTypedParameter<std::uint8_t>
{
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

// 0 sources, 1 folders, 2 schedule, 3 grab, 4 inlay, 5 settings, 6 captured files, 7 help, 8 about.
class TframeNumberParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// 0 normal, 1 4x3, 2 16x9, 3 native.
class TAspectRatioParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// 0 permanently, 1 once, 2 on each new scene, 3 on each new day.
class TWhenIncrustParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// Capture format code 0 to 12.
class TFormatCaptureParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// 0 PAL, 1 NTSC.
class TstandardDVParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// 1 32000 Hz, 2 44100 Hz, 3 48000 Hz; any other value acts as 44100 Hz.
class TFrequenceDVParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// 0 4x3, 1 16x9.
class TRatioDVParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};
// Sort column of the shortcut table, 0 to 3.
class TRaccourcisSortParameter final : public TOrdinalParameter
{
public:
    using TOrdinalParameter::TOrdinalParameter;
};

class TparameterList
{
public:
    TparameterList(QString signature, TStoreLocation location);
    ~TparameterList();
    TparameterList(const TparameterList&) = delete;
    TparameterList& operator=(const TparameterList&) = delete;

    // Creates a parameter with its default, appended to the list, which owns it.
    template <typename P, typename D> P& Create(const QString& key, D defaultValue)
    {
        auto parameter = std::make_unique<P>(key, std::move(defaultValue), *this);
        P& ref = *parameter;
        m_parameters.push_back(std::move(parameter));
        return ref;
    }

    [[nodiscard]] std::size_t Count() const { return m_parameters.size(); }
    [[nodiscard]] TParameter& At(std::size_t index) const { return *m_parameters.at(index); }
    // Keys compare exactly.
    [[nodiscard]] TParameter* Find(const QString& key) const;

    // The reader of the current mode, then Load on every parameter in order. False when the
    // store cannot be read; the parameters then keep their defaults.
    [[nodiscard]] bool LoadAll();
    // "Signature", "DerniereSauvegarde", "ExeName", then Save on every parameter in order. False
    // when anything could not be stored; in mode 1 the file is then left as it was.
    [[nodiscard]] bool SaveAll();

    [[nodiscard]] const QString& Signature() const { return m_signature; }
    [[nodiscard]] const TStoreLocation& Location() const { return m_location; }
    [[nodiscard]] TReadPreferences* Reader() const { return m_reader; }
    [[nodiscard]] TWritePreferences* Writer() const { return m_writer; }

    QString keyPath;
    TSavePreferences storeMode = spNone; // the application's shared store mode
    std::function<TDateTime()> clock = [] { return Now(); };

private:
    QString m_signature;
    TStoreLocation m_location;
    std::vector<std::unique_ptr<TParameter>> m_parameters;
    TReadPreferences* m_reader = nullptr;
    TWritePreferences* m_writer = nullptr;
};

} // namespace camtrove::settings
