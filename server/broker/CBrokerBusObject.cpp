// Client bookkeeping of the broker's bus object.
#include "CBrokerBusObject.h"

#include <QDBusConnectionInterface>

CBrokerBusObject::CBrokerBusObject(CPyrolanBrokerClassObject& classObject, const QDBusConnection& connection,
                                   std::function<void()> lockModule, std::function<void()> unlockModule,
                                   QObject* pParent)
    : QObject(pParent),
      m_classObject(classObject),
      m_connection(connection),
      m_lockModule(std::move(lockModule)),
      m_unlockModule(std::move(unlockModule))
{
    m_watcher.setConnection(m_connection);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &CBrokerBusObject::OnClientGone);
}

CBrokerBusObject::~CBrokerBusObject() = default;

HRESULT CBrokerBusObject::BrokerForCall(const QString& strClient, std::shared_ptr<CPyrolanBroker>* ppBroker)
{
    const HRESULT hr = m_classObject.CreateInstance(ppBroker);
    if (SUCCEEDED(hr) && !m_clients.contains(strClient))
        AddClient(strClient, 0);
    return hr;
}

HRESULT CBrokerBusObject::Acquire(const QString& strClient)
{
    std::shared_ptr<CPyrolanBroker> broker;
    const HRESULT hr = m_classObject.CreateInstance(&broker);
    if (FAILED(hr))
        return hr;
    if (auto it = m_clients.find(strClient); it != m_clients.end())
        ++it.value();
    else
        AddClient(strClient, 1);
    return S_OK;
}

void CBrokerBusObject::Release(const QString& strClient)
{
    auto it = m_clients.find(strClient);
    if (it == m_clients.end())
        return;
    if (it.value() > 1)
        --it.value();
    else
        RemoveClient(strClient);
}

void CBrokerBusObject::OnClientGone(const QString& strClient)
{
    if (m_clients.contains(strClient))
        RemoveClient(strClient);
}

void CBrokerBusObject::AddClient(const QString& strClient, int nAcquired)
{
    m_clients.insert(strClient, nAcquired);
    m_watcher.addWatchedService(strClient);
    if (m_clients.size() == 1 && m_lockModule)
        m_lockModule();
    // A client that closed its connection before the watch was set would never be seen leaving.
    if (m_connection.interface() != nullptr && !m_connection.interface()->isServiceRegistered(strClient).value())
        RemoveClient(strClient);
}

void CBrokerBusObject::RemoveClient(const QString& strClient)
{
    if (m_clients.remove(strClient) == 0)
        return;
    m_watcher.removeWatchedService(strClient);
    if (m_clients.isEmpty() && m_unlockModule)
        m_unlockModule();
}
