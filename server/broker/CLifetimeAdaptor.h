// Interface PyrolanServer.Lifetime of the broker's bus object: a client's Acquire and Release.
#pragma once

#include "CBrokerBusObject.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

class CLifetimeAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "PyrolanServer.Lifetime")
public:
    explicit CLifetimeAdaptor(CBrokerBusObject* pObject);

public slots:
    // Creates the broker on first use; its creation failure is the answer.
    void Acquire();
    void Release();

private:
    CBrokerBusObject* m_pObject;
};
