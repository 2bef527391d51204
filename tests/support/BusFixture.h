// A private session bus for integration tests: a dbus-daemon whose service folder lies in a
// temporary XDG_DATA_HOME, the server registered there by its own RegServerPerUser switch and
// started by the bus on the first call, exactly as in use. Stops everything it started.
#pragma once

#include "TempDir.h"

#include <QDBusConnection>

#include <string>
#include <sys/types.h>
#include <vector>

class BusFixture {
public:
    struct Options {
        std::string strServerPath;   // the PyrolanServer program
        std::string strServerIni;    // PYROLAN_SERVER_INI for the server; empty: none
        std::string strTimeScale;    // PYROLAN_TIME_SCALE for the server; empty: real time
        bool bRegister = true;       // register the server before the bus starts
    };

    explicit BusFixture(Options options);
    ~BusFixture();
    BusFixture(const BusFixture&) = delete;
    BusFixture& operator=(const BusFixture&) = delete;

    // False when the bus could not be started or the server not registered; Error() says why.
    bool Started() const { return m_bStarted; }
    const std::string& Error() const { return m_strError; }

    const std::string& Address() const { return m_strAddress; }
    const std::string& XdgDataHome() const { return m_strXdgDataHome; }
    const std::string& RegionSuffix() const { return m_strSuffix; }
    const TempDir& Dir() const { return m_dir; }

    // A new client connection of this process to the bus, with its own unique name.
    QDBusConnection Connect();
    // Closes a connection made by Connect, as a client leaving would.
    void Disconnect(QDBusConnection& connection);
    // Everything the server wrote to its log (standard error of the bus and its activated programs).
    std::string ServerLog() const;
    // The process that owns the broker's bus name; 0 when none.
    pid_t ServerPid();
    // Environment for programs started on this bus: the test's own with the fixture's variables.
    std::vector<std::string> Environment() const;

    // Starts a program with the fixture's environment, its standard output into a pipe (*pOutput,
    // when given), its standard error into the server log. Answers its process id, or -1.
    pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& vArguments, int* pOutput = nullptr);
    // Waits for a program started by Spawn; answers its exit status, 128 + signal, or -1 on time-out.
    static int WaitForExit(pid_t pid, int nTimeoutMs);
    // True when the process no longer runs (gone, or a zombie waiting for its parent).
    static bool ProcessEnded(pid_t pid);

private:
    bool StartDaemon();
    void StopProcess(pid_t pid);

    Options m_options;
    TempDir m_dir;
    std::string m_strXdgDataHome;
    std::string m_strSuffix;
    std::string m_strLogPath;
    std::string m_strAddress;
    std::string m_strError;
    pid_t m_daemonPid = -1;
    std::vector<pid_t> m_vSpawned;
    std::vector<QString> m_vConnections;
    bool m_bStarted = false;
};
