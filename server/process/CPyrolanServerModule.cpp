// The Run sequence of the server, its shutdown monitor and its lock count.
#include "CPyrolanServerModule.h"

#include "BusErrors.h"
#include "CBrokerAdaptor.h"
#include "CBrokerHistoryAdaptor.h"
#include "CLifetimeAdaptor.h"
#include "DebugPrint.h"
#include "PyrolanBusNames.h"
#include "TimeSource.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QMetaObject>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace {

// HIGH_PRIORITY_CLASS of the original platform, as a nice value.
constexpr int kHighPriorityNice = -10;
constexpr int kBusWatchMs = 500;

} // namespace

CPyrolanServerModule::CPyrolanServerModule(const QDBusConnection& connection, CPyrolanBrokerClassObject& classObject)
    : m_connection(connection), m_classObject(classObject)
{
}

CPyrolanServerModule::~CPyrolanServerModule()
{
    StopMonitor();
    RevokeClassObjects();
}

void CPyrolanServerModule::Lock() { ++m_nLocks; }

void CPyrolanServerModule::Unlock()
{
    if (--m_nLocks != 0)
        return;
    if (m_bDelayShutdown) {
        m_bActivity = true;
        SignalShutdown();
    } else {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); },
                                  Qt::QueuedConnection);
    }
}

HRESULT CPyrolanServerModule::StartMonitor()
{
    try {
        std::lock_guard<std::mutex> guard(m_mutexEvent);
        m_bEventSignalled = false;
        m_bLeaving = false;
        m_threadMonitor = std::thread(&CPyrolanServerModule::MonitorMain, this);
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

void CPyrolanServerModule::MonitorMain()
{
    std::unique_lock<std::mutex> lock(m_mutexEvent);
    m_cvEvent.wait(lock, [this] { return m_bEventSignalled || m_bLeaving; });
    if (!m_bEventSignalled)
        return;
    m_bEventSignalled = false;
    lock.unlock();
    // At once: no grace period, no second look at the lock count.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

void CPyrolanServerModule::SignalShutdown()
{
    {
        std::lock_guard<std::mutex> guard(m_mutexEvent);
        m_bEventSignalled = true;
    }
    m_cvEvent.notify_all();
}

void CPyrolanServerModule::StopMonitor()
{
    {
        std::lock_guard<std::mutex> guard(m_mutexEvent);
        m_bLeaving = true;
    }
    m_cvEvent.notify_all();
    if (m_threadMonitor.joinable())
        m_threadMonitor.join();
}

HRESULT CPyrolanServerModule::PreMessageLoop()
{
    if (!m_connection.isConnected())
        return RPC_S_SERVER_UNAVAILABLE;
    // The object is registered first, "suspended": nobody can reach it before the name is owned.
    m_pBusObject = std::make_unique<CBrokerBusObject>(
        m_classObject, m_connection, [this] { Lock(); }, [this] { Unlock(); });
    new CBrokerAdaptor(m_pBusObject.get());
    new CBrokerHistoryAdaptor(m_pBusObject.get());
    new CLifetimeAdaptor(m_pBusObject.get());
    if (!m_connection.registerObject(QString::fromLatin1(kBrokerObjectPath), m_pBusObject.get(),
                                     QDBusConnection::ExportAdaptors))
        return CO_E_OBJISREG;
    m_bObjectRegistered = true;

    if (const HRESULT hr = StartMonitor(); FAILED(hr))
        return hr;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = m_connection.interface()->registerService(
        QString::fromLatin1(kBrokerBusName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        // The monitor is let go before the object is revoked.
        SignalShutdown();
        StopMonitor();
        RevokeClassObjects();
        return reply.isValid() ? CO_E_OBJISREG : E_FAIL;
    }
    m_bNameRegistered = true;
    return S_OK;
}

HRESULT CPyrolanServerModule::RevokeClassObjects()
{
    HRESULT hr = S_OK;
    if (m_bNameRegistered) {
        m_bNameRegistered = false;
        if (m_connection.interface() == nullptr ||
            !m_connection.interface()->unregisterService(QString::fromLatin1(kBrokerBusName)).value())
            hr = E_FAIL;
    }
    if (m_bObjectRegistered) {
        m_bObjectRegistered = false;
        m_connection.unregisterObject(QString::fromLatin1(kBrokerObjectPath));
    }
    return hr;
}

HRESULT CPyrolanServerModule::Run()
{
    DebugPrint("->Run() (BEGIN)\n");
    HRESULT hr = PreMessageLoop();
    if (FAILED(hr)) {
        DebugPrint("ERROR on PreMessageLoop()\n");
        return hr;
    }

    hr = m_hook.Create();
    if (FAILED(hr)) {
        DebugPrint("ERROR on HookException.CoCreateInstance()\n");
    } else {
        hr = m_hook.Hook(0, 1, 0);
        if (FAILED(hr))
            DebugPrint("ERROR on HookException->Hook()\n");
    }

    DebugPrint("Run Step 1\n");
    errno = 0;
    if (::setpriority(PRIO_PROCESS, 0, kHighPriorityNice) != 0) {
        const int error = errno;
        DebugPrint("Run Step 1 - priority not raised (errno %d: %s), running at normal priority\n", error,
                   std::strerror(error));
    }

    DebugPrint("Run Step 2 - before loop\n");
    // Without its bus no client can reach or release the broker any more.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, [this] {
        if (!m_connection.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start(kBusWatchMs);
    QCoreApplication::exec();
    busWatch.stop();

    DebugPrint("Run Step 3 - after loop\n");
    if (m_hook.Exists()) {
        hr = m_hook.Unhook();
        m_hook.Release();
    }

    DebugPrint("Run Step 4\n");
    // The broker goes while the name is still owned: a server that the bus starts after the name is
    // free creates regions of the same names, which this broker's unlinking would otherwise remove.
    m_classObject.ReleaseInstance();
    if (SUCCEEDED(hr)) {
        hr = RevokeClassObjects();
        if (m_bDelayShutdown)
            TimeSource().Sleep(kPauseMs);
    }
    StopMonitor();
    DebugPrint("Run End\n");
    return hr;
}
