// The broker's object on the bus: hands the adaptors the broker and keeps the list of clients that
// hold it. The first client locks the server module, the last one gone unlocks it.
#pragma once

#include "CPyrolanBrokerClassObject.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The context of the call being served lives here, on the registered object, not on its adaptors.
class CBrokerBusObject : public QObject, public QDBusContext {
    Q_OBJECT
public:
    CBrokerBusObject(CPyrolanBrokerClassObject& classObject, const QDBusConnection& connection,
                     std::function<void()> lockModule, std::function<void()> unlockModule, QObject* pParent = nullptr);
    ~CBrokerBusObject() override;

    // The broker for a call of a client; a client that was not holding it holds it from now on.
    HRESULT BrokerForCall(const QString& strClient, std::shared_ptr<CPyrolanBroker>* ppBroker);
    // One more hold of the client on the broker.
    HRESULT Acquire(const QString& strClient);
    // One hold less; a client without holds lets go.
    void Release(const QString& strClient);

    int ClientCount() const { return static_cast<int>(m_clients.size()); }

private:
    void OnClientGone(const QString& strClient);
    void AddClient(const QString& strClient, int nAcquired);
    void RemoveClient(const QString& strClient);

    CPyrolanBrokerClassObject& m_classObject;
    QDBusConnection m_connection;
    std::function<void()> m_lockModule;
    std::function<void()> m_unlockModule;
    QDBusServiceWatcher m_watcher;
    // Holding clients by unique bus name, with the number of Acquire calls not yet released.
    QMap<QString, int> m_clients;
};
