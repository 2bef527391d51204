// Entry of PyrolanServer: a registration switch, or the server with its event loop.
#include "ServerMain.h"

#include "CPyrolanBrokerClassObject.h"
#include "CPyrolanServerModule.h"
#include "CServerRegistration.h"
#include "ServerFilePaths.h"
#include "ServerSwitches.h"
#include "TimeSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

HRESULT HandleSwitch(eServerSwitch eSwitch)
{
    const bool bPerUser = eSwitch == eSwitchRegServerPerUser || eSwitch == eSwitchUnregServerPerUser;
    const CServerRegistration registration(bPerUser);
    if (eSwitch == eSwitchRegServer || eSwitch == eSwitchRegServerPerUser)
        return registration.Register(ServerProgramPath());
    return registration.Unregister();
}

} // namespace

int ServerMain(int argc, char** argv)
{
    ConfigureTimeSourceFromEnvironment();
    const eServerSwitch eSwitch = ScanServerSwitches(CommandLineOf(argc, argv));
    if (eSwitch != eSwitchNone)
        return HandleSwitch(eSwitch);

    QCoreApplication app(argc, argv);
    // SIGTERM and SIGINT end the event loop like the last client's release, so the regions are closed.
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        std::signal(SIGTERM, OnStopSignal);
        std::signal(SIGINT, OnStopSignal);
    }

    CPyrolanBrokerClassObject classObject;
    HRESULT hr = S_OK;
    {
        CPyrolanServerModule module(QDBusConnection::sessionBus(), classObject);
        hr = module.Run();
    }
    classObject.ReleaseInstance();
    return hr;
}
