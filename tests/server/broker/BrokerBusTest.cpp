// The broker through a private session bus: the shared case table through the client proxy, the
// served interfaces against the repository's XML, hostile arguments, and the server's lifetime.
#include "BrokerCaseTable.h"
#include "BusErrors.h"
#include "BusFixture.h"
#include "CPyrolanBrokerProxy.h"
#include "PlantTypes.h"
#include "PyrolanBrokerFactory.h"
#include "PyrolanBusNames.h"
#include "WaitUntil.h"

#include <QDBusMessage>
#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <limits>
#include <set>
#include <unistd.h>

namespace {

BusFixture::Options PlantOptions(eTestPlant plant, const TempDir& dir)
{
    BusFixture::Options options;
    options.strServerPath = PYROLAN_SERVER_PATH;
    options.strServerIni = WriteTestPlant(plant, dir);
    return options;
}

bool FirstPlaneRefreshed(IPyrolanBroker& broker)
{
    return WaitUntil([&] {
        float fMin = kInvalidTemperature;
        return broker.GetLineTemperature(0, 0, 0, &fMin, nullptr, nullptr) == S_OK && IsValidTemperature(fMin);
    });
}

QDBusMessage CallBroker(QDBusConnection& connection, const char* szInterface, const char* szMethod,
                        const QList<QVariant>& vArguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kBrokerBusName, kBrokerObjectPath, szInterface, szMethod);
    message.setArguments(vArguments);
    return connection.call(message, QDBus::Block, 20000);
}

// Each method of an introspection text as "interface.method(in types)(out types)".
std::set<std::string> MethodSignatures(const QByteArray& xml)
{
    std::set<std::string> methods;
    QXmlStreamReader reader(xml);
    QString interfaceName, method, in, out;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface"))
            interfaceName = reader.attributes().value("name").toString();
        else if (reader.isStartElement() && reader.name() == QLatin1String("method")) {
            method = reader.attributes().value("name").toString();
            in.clear();
            out.clear();
        } else if (reader.isStartElement() && reader.name() == QLatin1String("arg") && !method.isEmpty()) {
            const bool bOut = reader.attributes().value("direction") == QLatin1String("out");
            (bOut ? out : in) += reader.attributes().value("type").toString();
        } else if (reader.isEndElement() && reader.name() == QLatin1String("method")) {
            if (interfaceName.startsWith(QLatin1String("PyrolanServer.")))
                methods.insert((interfaceName + "." + method + "(" + in + ")(" + out + ")").toStdString());
            method.clear();
        }
    }
    return methods;
}

} // namespace

TEST(ABrokerThroughTheBus, AnswersEveryCaseOfTheTable)
{
    for (const eTestPlant plant : {eTestPlant::Dummy, eTestPlant::NoConfig, eTestPlant::SevenPlanes}) {
        TempDir dir;
        BusFixture bus(PlantOptions(plant, dir));
        ASSERT_TRUE(bus.Started()) << bus.Error();
        std::shared_ptr<IPyrolanBroker> broker;
        ASSERT_EQ(CreatePyrolanBroker(kBrokerClassId, &broker, bus.Connect()), S_OK) << bus.ServerLog();
        std::shared_ptr<IPyrolanBrokerHistory> history;
        ASSERT_EQ(QueryBrokerHistory(broker, &history), S_OK);
        if (plant == eTestPlant::Dummy) {
            ASSERT_TRUE(FirstPlaneRefreshed(*broker));
        }
        for (const BrokerCase& c : BrokerCases()) {
            if (c.plant != plant)
                continue;
            CaseOut out(bus.RegionSuffix());
            EXPECT_EQ(c.call(*broker, *history, out), c.szExpected) << c.szName;
        }
    }
}

TEST(ABrokerThroughTheBus, IsCreatedByItsClassIdentifierOrEitherProgramIdentifier)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::Dummy, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    QDBusConnection connection = bus.Connect();
    for (const char* szId : {"{5b3c9f2e-8a41-4d6b-9e27-3f1a6c0d84b2}", "5B3C9F2E-8A41-4D6B-9E27-3F1A6C0D84B2",
                             "PyrolanServer.PyrolanBroker", "PyrolanServer.PyrolanBroker.1"}) {
        std::shared_ptr<IPyrolanBroker> broker;
        EXPECT_EQ(CreatePyrolanBroker(szId, &broker, connection), S_OK) << szId;
        std::int32_t nTanks = 0;
        EXPECT_EQ(broker ? broker->get_TankNumber(&nTanks) : E_FAIL, S_OK) << szId;
    }
    std::shared_ptr<IPyrolanBroker> broker;
    EXPECT_EQ(CreatePyrolanBroker("{00000000-1111-2222-3333-444444444444}", &broker, connection), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CreatePyrolanBroker("PyrolanServer.Other", &broker, connection), CO_E_CLASSSTRING);
    EXPECT_EQ(broker, nullptr);
}

TEST(ABrokerThroughTheBus, IsNotFoundWhenTheServerIsNotRegistered)
{
    TempDir dir;
    BusFixture::Options options = PlantOptions(eTestPlant::Dummy, dir);
    options.bRegister = false;
    BusFixture bus(options);
    ASSERT_TRUE(bus.Started()) << bus.Error();
    std::shared_ptr<IPyrolanBroker> broker;
    EXPECT_EQ(CreatePyrolanBroker(kBrokerProgId, &broker, bus.Connect()), REGDB_E_CLASSNOTREG);
}

TEST(TheServedInterfaces, MatchTheIntrospectionFilesOfTheRepository)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::Dummy, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    QDBusConnection connection = bus.Connect();
    const QDBusMessage reply = CallBroker(connection, "org.freedesktop.DBus.Introspectable", "Introspect", {});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const std::set<std::string> served = MethodSignatures(reply.arguments().value(0).toString().toUtf8());

    std::set<std::string> files;
    for (const char* szName : kInterfaceFileNames) {
        QFile file(QStringLiteral(PYROLAN_BUS_XML_DIR "/") + QString::fromLatin1(szName));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << szName;
        const std::set<std::string> methods = MethodSignatures(file.readAll());
        files.insert(methods.begin(), methods.end());
    }
    EXPECT_EQ(served, files);
    EXPECT_EQ(files.size(), 14U);
}

TEST(ABrokerThroughTheBus, AnswersHostileArgumentsWithTheirHResultAndKeepsServing)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::Dummy, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    QDBusConnection connection = bus.Connect();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString invalidArg = QString::fromLatin1(kErrorInvalidArg);
    const QString notFound;  // a reply that says "found = false"
    struct Hostile {
        const char* szInterface;
        const char* szMethod;
        QList<QVariant> vArguments;
        QString strExpectedError;  // empty: a normal reply is expected
    };
    const QList<QVariant> none;
    const std::vector<Hostile> cases = {
        {kBrokerInterface, "get_PlaneNumber", {INT_MIN}, invalidArg},
        {kBrokerInterface, "get_LinesNumber", {INT_MAX, INT_MIN}, invalidArg},
        {kBrokerInterface, "GetLineTemperature", {0, 0, INT_MIN}, invalidArg},
        {kBrokerInterface, "GetLineTemperature", {0, 0, INT_MAX}, invalidArg},
        {kBrokerInterface, "GetPlaneTemperature", {INT_MIN, 5}, invalidArg},
        {kBrokerInterface, "GetPlaneInfo", {0, INT_MAX}, invalidArg},
        {kBrokerHistoryInterface, "FindHistory", {0, 0, -1, -1, INT_MIN, nan, inf}, notFound},
        {kBrokerHistoryInterface, "FindHistory", {1, 5, INT_MIN, INT_MAX, 1, 1e300, -1e300}, notFound},
        {kBrokerHistoryInterface, "GetErrorInterval", {0, 0, INT_MAX, INT_MIN, -1, -inf, nan}, notFound},
        {kBrokerHistoryInterface, "GetErrorInterval", {INT_MIN, 0, 0, 0, 0, 0.0, 0.0}, invalidArg},
        {kBrokerHistoryInterface, "FillHistoryData", {1, 5, INT_MIN, INT_MAX}, notFound},
        {kBrokerHistoryInterface, "FillHistoryData", {-1, -1, 0, 0}, invalidArg},
        {kBrokerInterface, "get_PlaneNumber", {QStringLiteral("zero")}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {kBrokerInterface, "get_TankNumber", {7}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {kBrokerInterface, "GetLineTemperature", none, "org.freedesktop.DBus.Error.UnknownMethod"},
        {kBrokerHistoryInterface, "FindHistory", {0, 0, 0, 0, 0, 1, 2}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {kLifetimeInterface, "Release", {1.5}, "org.freedesktop.DBus.Error.UnknownMethod"},
    };
    for (const Hostile& c : cases) {
        const QDBusMessage reply = CallBroker(connection, c.szInterface, c.szMethod, c.vArguments);
        const std::string label = std::string(c.szMethod) + " " + std::to_string(c.vArguments.size());
        if (c.strExpectedError.isEmpty()) {
            ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << label << reply.errorMessage().toStdString();
            EXPECT_FALSE(reply.arguments().value(0).toBool()) << label;
        } else {
            ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage) << label;
            EXPECT_EQ(reply.errorName(), c.strExpectedError) << label;
        }
    }
    const QDBusMessage invalid = CallBroker(connection, kBrokerInterface, "get_PlaneNumber", {9});
    EXPECT_TRUE(invalid.errorMessage().startsWith(QLatin1String("0x80070057"))) << invalid.errorMessage().toStdString();
    const QDBusMessage tanks = CallBroker(connection, kBrokerInterface, "get_TankNumber", {});
    ASSERT_EQ(tanks.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(tanks.arguments().value(0).toInt(), 2);
}

TEST(TheServerLifetime, TwoClientsShareOneServerAndOneBrokerAndTheLastReleaseEndsIt)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::Dummy, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    std::shared_ptr<IPyrolanBroker> first, second;
    ASSERT_EQ(CreatePyrolanBroker(kBrokerClassId, &first, bus.Connect()), S_OK);
    const pid_t server = bus.ServerPid();
    ASSERT_GT(server, 0);
    ASSERT_EQ(CreatePyrolanBroker(kBrokerProgId, &second, bus.Connect()), S_OK);
    EXPECT_EQ(bus.ServerPid(), server);
    std::string firstName, secondName;
    EXPECT_EQ(first->GetSharedName(&firstName, nullptr), S_OK);
    EXPECT_EQ(second->GetSharedName(&secondName, nullptr), S_OK);
    EXPECT_EQ(firstName, secondName);

    first.reset();
    std::int32_t nTanks = 0;
    EXPECT_EQ(second->get_TankNumber(&nTanks), S_OK);
    EXPECT_FALSE(BusFixture::ProcessEnded(server));

    const auto released = std::chrono::steady_clock::now();
    second.reset();
    ASSERT_TRUE(WaitUntil([&] { return BusFixture::ProcessEnded(server); }, std::chrono::milliseconds(5000)));
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(2500));

    const std::string log = bus.ServerLog();
    std::size_t nConstructed = 0;
    for (std::size_t at = log.find("CPyrolanBroker::InitSharedInfo OK"); at != std::string::npos;
         at = log.find("CPyrolanBroker::InitSharedInfo OK", at + 1))
        ++nConstructed;
    EXPECT_EQ(nConstructed, 1U);
    EXPECT_NE(log.find("Run End"), std::string::npos);
    EXPECT_NE(log.find("CPyrolanBroker::CloseSharedInfo"), std::string::npos);
}

TEST(TheServerLifetime, EndsWhenItsLastClientIsKilled)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::Dummy, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    int output = -1;
    const pid_t client = bus.Spawn(PYROLAN_CLIENT_PATH, {"--seconds", "600", "--interval-ms", "100000"}, &output);
    ASSERT_GT(client, 0);
    // The client prints the plant once it holds the broker.
    std::string text;
    ASSERT_TRUE(WaitUntil([&] {
        char buffer[256];
        const ssize_t n = ::read(output, buffer, sizeof(buffer));
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return text.find("tank 1 plane 5") != std::string::npos;
    }, std::chrono::milliseconds(20000))) << text << bus.ServerLog();
    ::close(output);
    const pid_t server = bus.ServerPid();
    ASSERT_GT(server, 0);

    const auto killed = std::chrono::steady_clock::now();
    ::kill(client, SIGKILL);
    EXPECT_EQ(BusFixture::WaitForExit(client, 5000), 128 + SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return BusFixture::ProcessEnded(server); }, std::chrono::milliseconds(5000)));
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::milliseconds(2500));
}

TEST(TheServerLifetime, IsHeldByAFirstCallUntilTheClientsConnectionCloses)
{
    TempDir dir;
    BusFixture bus(PlantOptions(eTestPlant::NoConfig, dir));
    ASSERT_TRUE(bus.Started()) << bus.Error();
    QDBusConnection connection = bus.Connect();
    ASSERT_EQ(CallBroker(connection, kBrokerInterface, "get_TankNumber", {}).type(), QDBusMessage::ReplyMessage);
    const pid_t server = bus.ServerPid();
    ASSERT_GT(server, 0);
    // Unbalanced releases of another client change nothing.
    QDBusConnection other = bus.Connect();
    ASSERT_EQ(CallBroker(other, kLifetimeInterface, "Release", {}).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(BusFixture::ProcessEnded(server));
    bus.Disconnect(connection);
    EXPECT_TRUE(WaitUntil([&] { return BusFixture::ProcessEnded(server); }, std::chrono::milliseconds(5000)));
}
