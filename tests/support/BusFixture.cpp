// Private dbus-daemon, registration and clean-up for integration tests.
#include "BusFixture.h"

#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::atomic<int> g_nFixtures{0};

// Qt's bus connections need an application object; tests have none of their own.
void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "pyrolan-tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

bool ReadLine(int fd, std::string& line, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
    return false;
}

} // namespace

BusFixture::BusFixture(Options options) : m_options(std::move(options))
{
    EnsureApplication();
    m_strXdgDataHome = m_dir.File("xdg");
    m_strLogPath = m_dir.File("server.log");
    m_strSuffix = "-bus-" + std::to_string(::getpid()) + "-" + std::to_string(++g_nFixtures);
    std::filesystem::create_directories(m_strXdgDataHome);
    if (m_options.bRegister) {
        const pid_t pid = Spawn(m_options.strServerPath, {"-RegServerPerUser"});
        const int status = pid > 0 ? WaitForExit(pid, 20000) : -1;
        if (status != 0) {
            m_strError = "registration answered " + std::to_string(status);
            return;
        }
    }
    m_bStarted = StartDaemon();
}

BusFixture::~BusFixture()
{
    for (const QString& name : m_vConnections)
        QDBusConnection::disconnectFromBus(name);
    for (const pid_t pid : m_vSpawned)
        StopProcess(pid);
    if (m_bStarted) {
        const pid_t server = ServerPid();
        if (server > 0) {
            ::kill(server, SIGTERM);
            if (!WaitUntil([&] { return ProcessEnded(server); }, std::chrono::milliseconds(10000)))
                ::kill(server, SIGKILL);
            WaitUntil([&] { return ProcessEnded(server); }, std::chrono::milliseconds(5000));
        }
    }
    if (m_daemonPid > 0) {
        ::kill(m_daemonPid, SIGTERM);
        if (WaitForExit(m_daemonPid, 5000) < 0) {
            ::kill(m_daemonPid, SIGKILL);
            WaitForExit(m_daemonPid, 5000);
        }
    }
    // A server that was killed leaves its regions behind.
    std::error_code ignored;
    std::filesystem::remove("/dev/shm/PRLNSharedRegion2" + m_strSuffix, ignored);
    std::filesystem::remove("/dev/shm/PRLNSharedHistory2" + m_strSuffix, ignored);
}

std::vector<std::string> BusFixture::Environment() const
{
    std::vector<std::string> env;
    const std::vector<std::string> names = {"XDG_DATA_HOME", "PYROLAN_SERVER_INI", "PYROLAN_REGION_SUFFIX",
                                            "PYROLAN_TIME_SCALE", "DBUS_SESSION_BUS_ADDRESS",
                                            "DBUS_SESSION_BUS_PID", "DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"};
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string entry(*p);
        bool bOurs = false;
        for (const auto& name : names)
            bOurs = bOurs || entry.rfind(name + "=", 0) == 0;
        if (!bOurs)
            env.push_back(entry);
    }
    env.push_back("XDG_DATA_HOME=" + m_strXdgDataHome);
    env.push_back("PYROLAN_REGION_SUFFIX=" + m_strSuffix);
    if (!m_options.strServerIni.empty())
        env.push_back("PYROLAN_SERVER_INI=" + m_options.strServerIni);
    if (!m_options.strTimeScale.empty())
        env.push_back("PYROLAN_TIME_SCALE=" + m_options.strTimeScale);
    if (!m_strAddress.empty())
        env.push_back("DBUS_SESSION_BUS_ADDRESS=" + m_strAddress);
    return env;
}

pid_t BusFixture::Spawn(const std::string& strProgram, const std::vector<std::string>& vArguments, int* pOutput)
{
    int outPipe[2] = {-1, -1};
    if (pOutput != nullptr && ::pipe2(outPipe, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (pOutput != nullptr)
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_strLogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    std::vector<std::string> argvText = {strProgram};
    argvText.insert(argvText.end(), vArguments.begin(), vArguments.end());
    std::vector<char*> argv;
    for (auto& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText = Environment();
    std::vector<char*> envp;
    for (auto& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pOutput != nullptr) {
        ::close(outPipe[1]);
        if (error != 0)
            ::close(outPipe[0]);
        else
            *pOutput = outPipe[0];
    }
    if (error != 0)
        return -1;
    m_vSpawned.push_back(pid);
    return pid;
}

int BusFixture::WaitForExit(pid_t pid, int nTimeoutMs)
{
    int status = 0;
    pid_t done = 0;
    WaitUntil([&] { return (done = ::waitpid(pid, &status, WNOHANG)) != 0; }, std::chrono::milliseconds(nTimeoutMs));
    if (done != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

bool BusFixture::ProcessEnded(pid_t pid)
{
    const std::string text = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    if (text.empty())
        return true;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

void BusFixture::StopProcess(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0)
        return;
    ::kill(pid, SIGTERM);
    if (WaitForExit(pid, 5000) < 0) {
        ::kill(pid, SIGKILL);
        WaitForExit(pid, 5000);
    }
}

bool BusFixture::StartDaemon()
{
    const std::string config = m_dir.Write(
        "bus.conf",
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:dir=" + m_dir.Path() + "</listen>\n"
        "  <servicedir>" + m_strXdgDataHome + "/dbus-1/services</servicedir>\n"
        "  <policy context=\"default\">\n"
        "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n"
        "    <allow own=\"*\"/>\n"
        "  </policy>\n"
        "</busconfig>\n");
    int out = -1;
    m_daemonPid = Spawn("/usr/bin/dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address=1"}, &out);
    m_vSpawned.pop_back();
    if (m_daemonPid <= 0) {
        m_strError = "dbus-daemon could not be started";
        return false;
    }
    std::string line;
    const bool bRead = ReadLine(out, line, 10000);
    ::close(out);
    if (!bRead || line.empty()) {
        m_strError = "dbus-daemon printed no address";
        return false;
    }
    m_strAddress = line;
    return true;
}

QDBusConnection BusFixture::Connect()
{
    static std::atomic<int> s_nConnections{0};
    const QString name = QStringLiteral("pyrolan-test-%1").arg(++s_nConnections);
    m_vConnections.push_back(name);
    return QDBusConnection::connectToBus(QString::fromStdString(m_strAddress), name);
}

void BusFixture::Disconnect(QDBusConnection& connection)
{
    const QString name = connection.name();
    connection = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(name);
}

std::string BusFixture::ServerLog() const { return ReadWholeFile(m_strLogPath); }

pid_t BusFixture::ServerPid()
{
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(m_strAddress),
                                                               QStringLiteral("pyrolan-test-pid"));
    pid_t pid = 0;
    if (connection.isConnected() && connection.interface() != nullptr) {
        const QDBusReply<uint> reply =
            connection.interface()->servicePid(QStringLiteral("PyrolanServer.PyrolanBroker"));
        if (reply.isValid())
            pid = static_cast<pid_t>(reply.value());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("pyrolan-test-pid"));
    return pid;
}
