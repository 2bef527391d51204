// The server's module: its lock count, the shutdown monitor, and the Run sequence around the main
// thread's event loop, with the broker's object on the session bus.
#pragma once

#include "CBrokerBusObject.h"
#include "CExceptionHook.h"
#include "CPyrolanBrokerClassObject.h"
#include "HResult.h"

#include <QDBusConnection>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class CPyrolanServerModule {
public:
    static constexpr std::uint32_t kTimeOutMs = 5000;
    static constexpr std::uint32_t kPauseMs = 1000;

    CPyrolanServerModule(const QDBusConnection& connection, CPyrolanBrokerClassObject& classObject);
    ~CPyrolanServerModule();
    CPyrolanServerModule(const CPyrolanServerModule&) = delete;
    CPyrolanServerModule& operator=(const CPyrolanServerModule&) = delete;

    // The Run sequence; answers the result of the last operation on the hook (or of revocation).
    HRESULT Run();

    void Lock();
    // At zero: signals the shutdown event, whose monitor ends the event loop.
    void Unlock();
    long LockCount() const { return m_nLocks.load(); }

private:
    HRESULT PreMessageLoop();
    HRESULT StartMonitor();
    void MonitorMain();
    void SignalShutdown();
    void StopMonitor();
    HRESULT RevokeClassObjects();

    QDBusConnection m_connection;
    CPyrolanBrokerClassObject& m_classObject;
    std::unique_ptr<CBrokerBusObject> m_pBusObject;
    CExceptionHook m_hook;
    bool m_bObjectRegistered = false;
    bool m_bNameRegistered = false;
    bool m_bDelayShutdown = true;
    std::atomic<bool> m_bActivity{false};
    std::atomic<long> m_nLocks{0};

    std::thread m_threadMonitor;
    std::mutex m_mutexEvent;
    std::condition_variable m_cvEvent;
    bool m_bEventSignalled = false;
    bool m_bLeaving = false;
};
