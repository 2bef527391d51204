// The PyrolanServer program: registration switches, a server started by hand, and the
// exception-hook plugin present and missing.
#include "BusFixture.h"
#include "PyrolanBusNames.h"
#include "WaitUntil.h"

#include <QDBusMessage>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>

namespace {

BusFixture::Options HandStarted(const TempDir& dir, const std::string& strServerPath = PYROLAN_SERVER_PATH)
{
    BusFixture::Options options;
    options.strServerPath = strServerPath;
    options.strServerIni = dir.Write("PyrolanServer.ini", "Dummy=1\n");
    options.bRegister = false;
    return options;
}

std::vector<std::string> FilesUnder(const std::string& strFolder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(strFolder, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        files.push_back(it->path().string().substr(strFolder.size()));
    return files;
}

bool CallLifetime(QDBusConnection& connection, const char* szMethod)
{
    const QDBusMessage message =
        QDBusMessage::createMethodCall(kBrokerBusName, kBrokerObjectPath, kLifetimeInterface, szMethod);
    return connection.call(message, QDBus::Block, 20000).type() == QDBusMessage::ReplyMessage;
}

} // namespace

TEST(TheRegistrationSwitches, WriteTheActivationAndInterfaceFilesAndRemoveThemWithoutTrace)
{
    TempDir dir;
    BusFixture bus(HandStarted(dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    const std::string home = bus.XdgDataHome();
    ASSERT_TRUE(FilesUnder(home).empty());

    EXPECT_EQ(BusFixture::WaitForExit(bus.Spawn(PYROLAN_SERVER_PATH, {"/regserverperuser"}), 20000), 0);
    const std::string service = ReadWholeFile(home + "/dbus-1/services/PyrolanServer.PyrolanBroker.service");
    EXPECT_NE(service.find("[D-BUS Service]\nName=PyrolanServer.PyrolanBroker\n"), std::string::npos) << service;
    EXPECT_NE(service.find("\nExec=\"" PYROLAN_SERVER_PATH "\"\n"), std::string::npos) << service;
    for (const char* szName : kInterfaceFileNames)
        EXPECT_EQ(ReadWholeFile(home + "/dbus-1/interfaces/" + szName),
                  ReadWholeFile(std::string(PYROLAN_BUS_XML_DIR "/") + szName))
            << szName;

    EXPECT_EQ(BusFixture::WaitForExit(bus.Spawn(PYROLAN_SERVER_PATH, {"-UNREGSERVERPERUSER"}), 20000), 0);
    EXPECT_TRUE(FilesUnder(home).empty());
    // Unregistering what is not registered is no error.
    EXPECT_EQ(BusFixture::WaitForExit(bus.Spawn(PYROLAN_SERVER_PATH, {"-UnregServerPerUser"}), 20000), 0);
}

TEST(TheRegistrationSwitches, PerformOnlyTheFirstSwitchOfTheCommandLine)
{
    TempDir dir;
    BusFixture bus(HandStarted(dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    EXPECT_EQ(BusFixture::WaitForExit(
                  bus.Spawn(PYROLAN_SERVER_PATH, {"-UnregServerPerUser", "-RegServerPerUser"}), 20000),
              0);
    EXPECT_TRUE(FilesUnder(bus.XdgDataHome()).empty());
    EXPECT_EQ(BusFixture::WaitForExit(
                  bus.Spawn(PYROLAN_SERVER_PATH, {"-RegServerPerUser", "-UnregServerPerUser"}), 20000),
              0);
    EXPECT_FALSE(FilesUnder(bus.XdgDataHome()).empty());
}

TEST(AServerStartedByHand, TakesALongerWordForNoSwitchAndRunsUntilAFirstClientCameAndWent)
{
    TempDir dir;
    BusFixture bus(HandStarted(dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    const pid_t server = bus.Spawn(PYROLAN_SERVER_PATH, {"-RegServerX"});
    ASSERT_TRUE(WaitUntil([&] { return bus.ServerPid() == server; })) << bus.ServerLog();
    EXPECT_NE(bus.ServerLog().find("Run Step 2 - before loop\n"), std::string::npos);
    EXPECT_EQ(BusFixture::WaitForExit(server, 200), -1);

    QDBusConnection client = bus.Connect();
    ASSERT_TRUE(CallLifetime(client, "Acquire"));
    ASSERT_TRUE(CallLifetime(client, "Release"));
    EXPECT_EQ(BusFixture::WaitForExit(server, 5000), 0) << bus.ServerLog();
    const std::string log = bus.ServerLog();
    EXPECT_EQ(log.find("ERROR on HookException"), std::string::npos);
    for (const char* szLine : {": ->Run() (BEGIN)\n", ": Run Step 1\n", ": Run Step 3 - after loop\n", ": Run Step 4\n",
                               ": Run End\n"})
        EXPECT_NE(log.find(szLine), std::string::npos) << szLine;
}

TEST(AServerWithoutItsExceptionHook, LogsTheMissingComponentAndExitsWithItsCode)
{
    TempDir dir;
    // A copy of the program alone in a folder has no plugin beside it.
    const std::string lonely = dir.File("PyrolanServer");
    std::filesystem::copy_file(PYROLAN_SERVER_PATH, lonely);
    BusFixture bus(HandStarted(dir, lonely));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    const pid_t server = bus.Spawn(lonely, {});
    ASSERT_TRUE(WaitUntil([&] { return bus.ServerPid() == server; })) << bus.ServerLog();
    EXPECT_NE(bus.ServerLog().find(": ERROR on HookException.CoCreateInstance()\n"), std::string::npos);

    QDBusConnection client = bus.Connect();
    ASSERT_TRUE(CallLifetime(client, "Acquire"));
    const auto released = std::chrono::steady_clock::now();
    ASSERT_TRUE(CallLifetime(client, "Release"));
    // REGDB_E_CLASSNOTREG 0x80040154 as an exit status keeps its low byte; the pause is skipped.
    EXPECT_EQ(BusFixture::WaitForExit(server, 5000), 0x54) << bus.ServerLog();
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(900));
}

TEST(AServerWithItsExceptionHook, LogsABacktraceOnAFatalSignal)
{
    TempDir dir;
    BusFixture bus(HandStarted(dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    const pid_t server = bus.Spawn(PYROLAN_SERVER_PATH, {});
    ASSERT_TRUE(WaitUntil([&] { return bus.ServerPid() == server; })) << bus.ServerLog();
    ::kill(server, SIGSEGV);
    EXPECT_EQ(BusFixture::WaitForExit(server, 10000), 128 + SIGSEGV);
    const std::string log = bus.ServerLog();
    EXPECT_NE(log.find(": PyrolanExceptionHook: fatal SIGSEGV (11)"), std::string::npos) << log;
    EXPECT_NE(log.find(": PyrolanExceptionHook: #0 "), std::string::npos) << log;
    EXPECT_NE(log.find(": PyrolanExceptionHook: end of backtrace\n"), std::string::npos) << log;
}
