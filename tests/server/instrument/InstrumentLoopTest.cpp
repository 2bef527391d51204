#include "CInstrumentSimulator.h"
#include "LogCapture.h"
#include "QuoraxTestAccess.h"
#include "TempDir.h"
#include "TimeSource.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;

// Time runs ten times faster: a 10 s poll takes 1 s, a one-second time-out 100 ms.
constexpr double kTimeScale = 10.0;

// Samples 0.1 degree apart from 20 + the trace index: segment 0..10 of trace 1 holds 21.0 .. 24.9.
std::vector<float> Ramp(int, int nIndex)
{
    std::vector<float> v(200);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = 20.0f + static_cast<float>(nIndex) + 0.1f * static_cast<float>(i);
    return v;
}

class AQuoraxSensorOnTheSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.SetTraceGenerator(Ramp);
        ASSERT_TRUE(sim.Start());
    }
    void TearDown() override
    {
        if (sensor)
            sensor->Stop();
        sim.Stop();
    }

    void StartSensor(const std::string& strAddress, bool bRestartDevice = false, const std::string& strExtra = {})
    {
        const std::string text = "IP=" + strAddress + "\nPort=" + std::to_string(sim.Port()) +
                                 "\nRestartDevice=" + (bRestartDevice ? "1" : "0") + "\n" + strExtra +
                                 "CntChan=1\nChan0=1_2\nSeg0_0=1_1_0_10\nSeg0_1=1_2_10_20_RtL\nCntPlane=1\nPlane0=2\n";
        sensor = std::make_unique<CQuoraxTestAccess>(dir.Write("PyrolanServer.ini", text));
        ASSERT_EQ(sensor->InitSensor(), S_OK);
    }
    void StartSensor() { StartSensor("127.0.0.1"); }

    CLineStat LineStat(int nLine)
    {
        CLineStat stat;
        sensor->GetLineTemperature(0, 0, nLine, stat.fMin, stat.fMax, stat.fAvg);
        return stat;
    }
    bool LineValid(int nLine) { return LineStat(nLine).fMin > -299.0f; }
    int Count(const std::string& text) const
    {
        const auto lines = log.Lines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }
    // The READ loop holds one buffer while it waits in its receive; all others are in the lists.
    bool AllBuffersKept() { return sensor->Buffers().FreeCount() + sensor->Buffers().ReceivedCount() == 9; }

    ScopedTimeSource scoped{std::make_shared<ScaledTimeSource>(kTimeScale)};
    LogCapture log;
    TempDir dir;
    CInstrumentSimulator sim{SimPlant::Small()};
    std::unique_ptr<CQuoraxTestAccess> sensor;
};

TEST_F(AQuoraxSensorOnTheSimulator, LaysTheTraceOntoThePlaneLines)
{
    StartSensor("127.0.0.1", false, "Debug=1\n");
    ASSERT_TRUE(WaitUntil([&] { return LineValid(0) && LineValid(1); }));
    // Trace 1 carries 21.0 + 0.1 i; line 1 is samples 0..39, line 2 samples 40..79.
    const CLineStat first = LineStat(0);
    EXPECT_FLOAT_EQ(first.fMin, 21.0f);
    EXPECT_FLOAT_EQ(first.fMax, 24.9f);
    EXPECT_NEAR(first.fAvg, 22.95f, 0.1f);
    const CLineStat second = LineStat(1);
    EXPECT_FLOAT_EQ(second.fMin, 25.0f);
    EXPECT_FLOAT_EQ(second.fMax, 28.9f);
    EXPECT_TRUE(sensor->IsAcquiring());
    EXPECT_TRUE(sensor->IsDirty(0));
    EXPECT_TRUE(WaitUntil([&] { return AllBuffersKept(); }));
    // Traces alternate between the plant's two channels; trace 3 is channel 1's next one.
    sim.AdvanceTrace();
    sim.AdvanceTrace();
    EXPECT_TRUE(WaitUntil([&] { return LineStat(0).fMin == 23.0f; }));
    EXPECT_TRUE(log.Contains("+++ start SAVE loop +++"));
}

TEST_F(AQuoraxSensorOnTheSimulator, SkipsMalformedBlocksAndKeepsAllItsBuffers)
{
    sim.InjectFault(eSimFault_BadFirstByte);
    sim.InjectFault(eSimFault_BadSecondByte);
    sim.InjectFault(eSimFault_SmallCount);
    sim.InjectFault(eSimFault_HugeCount);
    sim.SetTraceIntervalMs(10000);
    StartSensor();
    const char* const messages[] = {
        "ERROR: read_data() error - wrang data format, first symbol must be # !!!",
        "ERROR: read_data() error - wrang data format, second symbol must be digit !!!",
        "ERROR: read_data() error - wrang data number = 5 !!!",
        "ERROR: read_data() error - data number = 999999999 is above the limit of 1000000 values !!!",
    };
    for (const char* message : messages)
        EXPECT_TRUE(WaitUntil([&] { return log.Contains(message); }, 30s)) << message;
    EXPECT_FALSE(LineValid(0));
    EXPECT_TRUE(WaitUntil([&] { return LineValid(0); }, 30s));
    EXPECT_EQ(sim.ConnectionCount(), 1);
    EXPECT_TRUE(WaitUntil([&] { return AllBuffersKept(); }));
}

TEST_F(AQuoraxSensorOnTheSimulator, ReconnectsAfterItsPauseWhenTheInstrumentClosesTheConnection)
{
    StartSensor();
    ASSERT_TRUE(WaitUntil([&] { return LineValid(0); }));
    sim.CloseConnections();
    ASSERT_TRUE(WaitUntil([&] { return log.Contains("PyrolanServer::DeviceLoop ERROR on step 12.\n"); }, 30s));
    EXPECT_TRUE(WaitUntil([&] { return sim.ConnectionCount() == 2 && sensor->IsAcquiring(); }, 30s));
    EXPECT_TRUE(log.Contains("MainLoop #5\n"));
    EXPECT_TRUE(WaitUntil([&] { return AllBuffersKept(); }));
}

TEST_F(AQuoraxSensorOnTheSimulator, EndsPromptlyWhenStoppedDuringABlockCollection)
{
    // 805 bytes in pieces of 16, 500 ms apart: the block would take 25 s.
    sim.SetDataChunkSize(16, 500);
    StartSensor();
    ASSERT_TRUE(WaitUntil([&] {
        const auto commands = sim.ReceivedCommands();
        return !commands.empty() && commands.back().starts_with(":READ:TRAC:THER:DATA?");
    }));
    const auto start = std::chrono::steady_clock::now();
    sensor->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(log.Contains("PyrolanServer::DeviceLoop ERROR on step 21.\n"));
    EXPECT_TRUE(log.Contains("--- end SAVE loop ---"));
    sensor.reset();
}

TEST_F(AQuoraxSensorOnTheSimulator, ExpiresLinesThatNoLongerGetData)
{
    // One plane and ScanTimeout 1: a line is stale one second after its data; the next poll clears it.
    StartSensor("127.0.0.1", false, "ScanTimeout=1\n");
    ASSERT_TRUE(WaitUntil([&] { return LineValid(0); }));
    EXPECT_TRUE(WaitUntil([&] { return !LineValid(0) && !LineValid(1); }, 30s));
    EXPECT_TRUE(sensor->IsDirty(0));
    EXPECT_EQ(sensor->LineTicks()[0][0], 0U);
}

TEST_F(AQuoraxSensorOnTheSimulator, RestartsTheMeasurementSequenceFirstWhenAskedTo)
{
    StartSensor("127.0.0.1", true);
    ASSERT_TRUE(WaitUntil([&] { return sim.ReceivedCommands().size() >= 3; }));
    const auto commands = sim.ReceivedCommands();
    EXPECT_EQ(commands[0], ":MEAS:SEQ OFF\n");
    EXPECT_EQ(commands[1], ":MEAS:SEQ ON\n");
    EXPECT_EQ(commands[2], ":MEAS:SEQ:STAT?\n");
}

TEST_F(AQuoraxSensorOnTheSimulator, FailsTheSequenceCheckAfterTenAttempts)
{
    sim.SetSequenceState(0, true);
    StartSensor();
    ASSERT_TRUE(WaitUntil([&] { return log.Contains("PyrolanServer::DeviceLoop ERROR on step 3.\n"); }, 30s));
    const auto commands = sim.ReceivedCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), ":MEAS:SEQ:STAT?\n"), 10);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), ":MEAS:SEQ ON\n"), 10);
}

TEST_F(AQuoraxSensorOnTheSimulator, NeverConnectsToTheAddressOfAnEmptyIpButKeepsRetrying)
{
    StartSensor("");
    EXPECT_TRUE(WaitUntil([&] { return Count("ERROR: connect() error") >= 3; }));
    EXPECT_TRUE(log.Contains("MainLoop 255.255.255.255:"));
    EXPECT_EQ(sim.ConnectionCount(), 0);
}

TEST_F(AQuoraxSensorOnTheSimulator, TakesTheFirstPartOfASplitAnswerAndDiscardsTheRestAsStale)
{
    sim.InjectFault(eSimFault_SplitAnswer, ":READ:TRAC:IND?", 1, 5);
    StartSensor();
    ASSERT_TRUE(WaitUntil([&] { return LineValid(0); }, 30s));
    EXPECT_TRUE(WaitUntil([&] { return AllBuffersKept(); }));
}

} // namespace
