#include "settings/parameter.h"

#include <cassert>

namespace camtrove::settings {

TParameter::TParameter(QString key, TparameterList& owner) : m_key(std::move(key)), m_owner(owner) {}

TReadPreferences& TParameter::Reader() const
{
    assert(m_owner.Reader() != nullptr && "Load outside LoadAll");
    return *m_owner.Reader();
}

TWritePreferences& TParameter::Writer() const
{
    assert(m_owner.Writer() != nullptr && "Save outside SaveAll");
    return *m_owner.Writer();
}

void TIntegerParameter::Load()
{
    value = Reader().ReadInteger(Key(), DefaultValue());
}

void TIntegerParameter::Save()
{
    Writer().WriteInteger(Key(), value);
}

void TRealParameter::Load()
{
    value = Reader().ReadReal(Key(), DefaultValue());
}

void TRealParameter::Save()
{
    Writer().WriteReal(Key(), value);
}

void TWideStringParameter::Load()
{
    value = Reader().ReadWideString(Key(), DefaultValue());
    if (value.isEmpty())
        value = DefaultValue();
}

void TWideStringParameter::Save()
{
    Writer().WriteWideString(Key(), value);
}

void TBooleanParameter::Load()
{
    value = Reader().ReadBoolean(Key(), DefaultValue());
}

void TBooleanParameter::Save()
{
    Writer().WriteBoolean(Key(), value);
}

void TincrustRecParameter::Load()
{
    value = Reader().ReadIncrustRec(Key(), DefaultValue());
}

void TincrustRecParameter::Save()
{
    Writer().WriteIncrustRec(Key(), value);
}

void TOrdinalParameter::Load()
{
    value = static_cast<std::uint8_t>(Reader().ReadInteger(Key(), DefaultValue()) & 0xff);
}

void TOrdinalParameter::Save()
{
    Writer().WriteInteger(Key(), value);
}

TparameterList::TparameterList(QString signature, TStoreLocation location)
    : m_signature(std::move(signature)), m_location(std::move(location))
{
}

TparameterList::~TparameterList() = default;

TParameter* TparameterList::Find(const QString& key) const
{
    for (const auto& parameter : m_parameters) {
        if (parameter->Key() == key)
            return parameter.get();
    }
    return nullptr;
}

bool TparameterList::LoadAll()
{
    TReadPreferences reader(keyPath, storeMode, m_location);
    if (!reader.IsOpen())
        return false;
    m_reader = &reader;
    for (const auto& parameter : m_parameters)
        parameter->Load();
    m_reader = nullptr;
    return true;
}

bool TparameterList::SaveAll()
{
    keyPath = kKeyPath;
    TWritePreferences writer(keyPath, storeMode, m_location);
    m_writer = &writer;
    writer.WriteWideString(QStringLiteral("Signature"), m_signature);
    writer.WriteWideString(QStringLiteral("DerniereSauvegarde"),
                           FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss am/pm"), clock()));
    writer.WriteWideString(QStringLiteral("ExeName"), m_location.exeName);
    for (const auto& parameter : m_parameters)
        parameter->Save();
    m_writer = nullptr;
    return writer.Commit();
}

} // namespace camtrove::settings
