// The broker in the process: the shared case table, the checks without a sensor, the choice of
// sensor and the singleton class object.
#include "BrokerCaseTable.h"
#include "CPyrolanBroker.h"
#include "CPyrolanBrokerClassObject.h"
#include "LogCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// Points the server's file lookup and region names at the test's own for the scope.
class ScopedPlant {
public:
    ScopedPlant(eTestPlant plant, const TempDir& dir)
        : m_strSuffix("-broker-" + std::to_string(::getpid()) + "-" + std::to_string(++s_nCount))
    {
        ::setenv("PYROLAN_SERVER_INI", WriteTestPlant(plant, dir).c_str(), 1);
        ::setenv("PYROLAN_REGION_SUFFIX", m_strSuffix.c_str(), 1);
    }
    ~ScopedPlant()
    {
        ::unsetenv("PYROLAN_SERVER_INI");
        ::unsetenv("PYROLAN_REGION_SUFFIX");
    }
    ScopedPlant(const ScopedPlant&) = delete;
    ScopedPlant& operator=(const ScopedPlant&) = delete;
    const std::string& Suffix() const { return m_strSuffix; }

private:
    static inline int s_nCount = 0;
    std::string m_strSuffix;
};

// The simulated sensor refreshes plane 0 on the update thread's first turn.
bool FirstPlaneRefreshed(IPyrolanBroker& broker)
{
    return WaitUntil([&] {
        float fMin = kInvalidTemperature;
        return broker.GetLineTemperature(0, 0, 0, &fMin, nullptr, nullptr) == S_OK && IsValidTemperature(fMin);
    });
}

class AlwaysDummyConfiguration : public CTermoSensor {
public:
    HRESULT InitSensor() override { return 1; }
};

class FailingDummy : public CTermoSensor {
public:
    HRESULT InitSensor() override { return E_ACCESSDENIED; }
};

} // namespace

TEST(ABrokerInTheProcess, AnswersEveryCaseOfTheTable)
{
    for (const eTestPlant plant : {eTestPlant::Dummy, eTestPlant::NoConfig, eTestPlant::SevenPlanes}) {
        TempDir dir;
        ScopedPlant scope(plant, dir);
        CPyrolanBroker broker;
        ASSERT_EQ(broker.FinalConstruct(), S_OK);
        if (plant == eTestPlant::Dummy) {
            ASSERT_TRUE(FirstPlaneRefreshed(broker));
        }
        for (const BrokerCase& c : BrokerCases()) {
            if (c.plant != plant)
                continue;
            CaseOut out(scope.Suffix());
            EXPECT_EQ(c.call(broker, broker, out), c.szExpected) << c.szName;
        }
        broker.FinalRelease();
    }
}

TEST(ABrokerWithoutSensor, DeniesEveryMethodButChecksTheStatePointerFirst)
{
    CPyrolanBroker broker;
    std::int32_t n = 0;
    float f = 0.0f;
    std::string name;
    EXPECT_EQ(broker.get_TankNumber(nullptr), E_ACCESSDENIED);
    EXPECT_EQ(broker.get_PlaneNumber(0, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.get_LinesNumber(0, 0, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetLineTemperature(0, 0, 0, &f, &f, &f), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetPlaneTemperature(0, 0, &f, &n, &f, &n, &f, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetPlaneInfo(0, 0, &n, &n, &n, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetSharedName(&name, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.FindHistory(0, 0, 0, 0, 0, 0.0f, 0.0f, &n, &n, &f, &f), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetErrorInterval(0, 0, 0, 0, 0, 0.0f, 0.0f, &n, &n, &n, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetSharedName4History(&name, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.FillHistoryData(0, 0, 0, 0, &n, &n), E_ACCESSDENIED);
    EXPECT_EQ(broker.GetHistoryState(nullptr), E_POINTER);
    EXPECT_EQ(broker.GetHistoryState(&n), E_ACCESSDENIED);
}

TEST(ABrokerChoosingItsSensor, FailsWithTheSimulatedSensorsErrorAndLogsIt)
{
    LogCapture log;
    CPyrolanBroker::SensorFactory factory;
    factory.makeInstrument = [] { return std::make_unique<AlwaysDummyConfiguration>(); };
    factory.makeDummy = [] { return std::make_unique<FailingDummy>(); };
    CPyrolanBroker broker(factory);
    EXPECT_EQ(broker.FinalConstruct(), E_ACCESSDENIED);
    EXPECT_EQ(broker.Sensor(), nullptr);
    EXPECT_TRUE(log.Contains("CTermoSensorDummy::InitSensor UNEXPECTED ERROR 0x80070005=-2147024891 !!!\n"));
}

TEST(ABrokerChoosingItsSensor, AnswersOutOfMemoryWhenNoSensorCanBeMade)
{
    CPyrolanBroker::SensorFactory factory;
    factory.makeInstrument = [] { return std::make_unique<AlwaysDummyConfiguration>(); };
    factory.makeDummy = [] { return std::unique_ptr<CTermoSensor>(); };
    CPyrolanBroker broker(factory);
    EXPECT_EQ(broker.FinalConstruct(), E_OUTOFMEMORY);
}

TEST(TheBrokerClassObject, HandsEveryClientTheSameBrokerAndConstructsItOnce)
{
    TempDir dir;
    ScopedPlant scope(eTestPlant::Dummy, dir);
    LogCapture log;
    CPyrolanBrokerClassObject classObject;
    std::shared_ptr<CPyrolanBroker> first, second;
    ASSERT_EQ(classObject.CreateInstance(&first), S_OK);
    ASSERT_EQ(classObject.CreateInstance(&second), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(classObject.CreateInstance(nullptr), E_POINTER);
    first.reset();
    second.reset();
    classObject.ReleaseInstance();
    int nConstructed = 0;
    for (const auto& line : log.Messages())
        nConstructed += line == "CPyrolanBroker::InitSharedInfo OK\n" ? 1 : 0;
    EXPECT_EQ(nConstructed, 1);
    EXPECT_TRUE(log.Contains("CPyrolanBroker::CloseSharedInfo\n"));
}

TEST(TheBrokerClassObject, AnswersTheSameCreationFailureAgain)
{
    CPyrolanBroker::SensorFactory factory;
    factory.makeInstrument = [] { return std::unique_ptr<CTermoSensor>(); };
    CPyrolanBrokerClassObject classObject(factory);
    std::shared_ptr<CPyrolanBroker> broker;
    EXPECT_EQ(classObject.CreateInstance(&broker), E_OUTOFMEMORY);
    EXPECT_EQ(classObject.CreateInstance(&broker), E_OUTOFMEMORY);
    EXPECT_EQ(broker, nullptr);
}
