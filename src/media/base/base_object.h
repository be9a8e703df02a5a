#pragma once
// The roots of the frame's class tree: TBCBaseObject carries the object name used in traces,
// TBCUnknown adds the reference count and the interface query that subclasses extend through
// NonDelegatingQueryInterface.

#include "media/core/unknown.h"

#include <QString>

namespace camtrove::media {

class TBCBaseObject
{
public:
    explicit TBCBaseObject(QString objectName) : m_objectName(std::move(objectName)) {}
    virtual ~TBCBaseObject() = default;
    TBCBaseObject(const TBCBaseObject&) = delete;
    TBCBaseObject& operator=(const TBCBaseObject&) = delete;

    [[nodiscard]] const QString& ObjectName() const { return m_objectName; }

private:
    QString m_objectName;
};

class TBCUnknown : public TBCBaseObject, public RefCounted
{
public:
    explicit TBCUnknown(QString objectName) : TBCBaseObject(std::move(objectName)) {}

    HRESULT QueryInterface(const GUID& iid, void** object) final
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return NonDelegatingQueryInterface(iid, object);
    }
    [[nodiscard]] virtual HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object)
    {
        if (iid == IID_IUnknown)
            return GetInterface(static_cast<IUnknown*>(this), object);
        return E_NOINTERFACE;
    }

protected:
    template <class I> static HRESULT GetInterface(I* itf, void** object)
    {
        *object = itf;
        itf->AddRef();
        return S_OK;
    }
};

} // namespace camtrove::media
