// The simulated instrument over a real loopback socket: framing, answers, data blocks and faults.
#include "CInstrumentSimulator.h"
#include "TimeSource.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <bit>
#include <cstring>
#include <set>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

// A minimal peer: sends raw bytes, collects what arrives and remembers how many receives returned data.
class TestClient {
public:
    explicit TestClient(std::uint16_t wPort)
    {
        m_nSocket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(wPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bConnected = connect(m_nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TestClient() { close(m_nSocket); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool Connected() const { return m_bConnected; }
    void SendRaw(const std::string& strBytes) { ASSERT_EQ(send(m_nSocket, strBytes.data(), strBytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(strBytes.size())); }
    // A command as the server and the tool send it: the text and its zero byte.
    void Send(const std::string& strCommand) { SendRaw(strCommand + '\0'); }

    // Collects until nBytes are in; answers what came (also when less came before the time-out).
    std::string Receive(std::size_t nBytes, std::chrono::milliseconds timeout = std::chrono::milliseconds(10000))
    {
        WaitUntil([&] { return Poll() || m_strReceived.size() >= nBytes; }, timeout);
        return Take();
    }
    // Collects everything that arrives within a short real-time window.
    std::string ReceiveAll(std::chrono::milliseconds window = std::chrono::milliseconds(150))
    {
        WaitUntil([&] { return Poll(); }, window);
        return Take();
    }
    // True when the peer closed the connection.
    bool WaitForClose()
    {
        WaitUntil([&] { return Poll(); });
        return m_bClosed;
    }
    int Receives() const { return m_nReceives; }

private:
    // Drains the socket without blocking; answers true once the peer has closed.
    bool Poll()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = recv(m_nSocket, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                m_strReceived.append(buffer, static_cast<std::size_t>(n));
                ++m_nReceives;
                continue;
            }
            if (n == 0)
                m_bClosed = true;
            return m_bClosed;
        }
    }
    std::string Take()
    {
        std::string strOut;
        strOut.swap(m_strReceived);
        return strOut;
    }

    int m_nSocket = -1;
    bool m_bConnected = false;
    bool m_bClosed = false;
    int m_nReceives = 0;
    std::string m_strReceived;
};

std::string BigEndianBytes(const std::vector<float>& vValues)
{
    std::string strOut;
    for (float f : vValues) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(f);
        for (int shift = 24; shift >= 0; shift -= 8)
            strOut.push_back(static_cast<char>(bits >> shift));
    }
    return strOut;
}

class ASimulatedInstrument : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_simulator.Start(0)); }
    void TearDown() override { m_simulator.Stop(); }

    CInstrumentSimulator m_simulator{SimPlant::Small()};
};

} // namespace

TEST_F(ASimulatedInstrument, ListensOnlyOnLoopbackAtTheEphemeralPortItReports)
{
    ASSERT_NE(m_simulator.Port(), 0);
    TestClient client(m_simulator.Port());
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(WaitUntil([&] { return m_simulator.ConnectionCount() == 1; }));
}

TEST_F(ASimulatedInstrument, AnswersEachCommandOfOneCoalescedSendInOrder)
{
    m_simulator.SetTraceIndex(7);
    TestClient client(m_simulator.Port());
    client.SendRaw(":MEAS:SEQ:STAT?\n\0:READ:TRAC:IND?\n\0:READ:TRAC:STEP? 7\n\0"s);
    EXPECT_EQ(client.Receive(12), "1\r\n7\r\n0.25\r\n");
}

TEST_F(ASimulatedInstrument, WaitsForTheZeroByteOfACommandSplitOverSeveralSends)
{
    TestClient client(m_simulator.Port());
    client.SendRaw(":READ:TR");
    client.SendRaw("AC:IND?\n");
    EXPECT_EQ(client.ReceiveAll(), "");
    EXPECT_TRUE(m_simulator.ReceivedCommands().empty());
    client.SendRaw(std::string(1, '\0'));
    EXPECT_EQ(client.Receive(3), "1\r\n");
    EXPECT_EQ(m_simulator.ReceivedCommands(), std::vector<std::string>{":READ:TRAC:IND?\n"});
}

TEST_F(ASimulatedInstrument, SwitchesItsSequenceSilentlyAndRecordsEveryCommand)
{
    TestClient client(m_simulator.Port());
    client.Send(":MEAS:SEQ OFF\n");
    client.Send(":MEAS:SEQ:STAT?\n");
    EXPECT_EQ(client.Receive(3), "0\r\n");
    client.Send(":MEAS:SEQ ON\n");
    client.Send(":MEAS:SEQ:STAT?\n");
    EXPECT_EQ(client.Receive(3), "1\r\n");
    EXPECT_EQ(m_simulator.ReceivedCommands(),
              (std::vector<std::string>{":MEAS:SEQ OFF\n", ":MEAS:SEQ:STAT?\n", ":MEAS:SEQ ON\n", ":MEAS:SEQ:STAT?\n"}));
}

TEST_F(ASimulatedInstrument, KeepsAHeldSequenceStateWhateverTheServerSwitches)
{
    m_simulator.SetSequenceState(0, true);
    TestClient client(m_simulator.Port());
    client.Send(":MEAS:SEQ ON\n");
    client.Send(":MEAS:SEQ:STAT?\n");
    EXPECT_EQ(client.Receive(3), "0\r\n");
}

TEST_F(ASimulatedInstrument, AnswersTheQuestionsOfServerAndToolWithOnePacketEach)
{
    m_simulator.SetChannelListSeparator(";");
    const struct {
        const char* pszQuestion;
        const char* pszAnswer;
    } cases[] = {
        {":READ:TRAC:SIND? 3\n", "1"},  // two channels: traces 1, 3, 5 … are set 1
        {":READ:TRAC:SIND? 4\n", "2"},
        {":CONF:MEAS:SET:CHAN? 2\n", "2"},
        {":CONF:MEAS:SET:CHAN? 3\n", "0"},
        {":CONF:SEQ:SEQ?\n", "1;2"},
        {":CONF:CALC:SENS1:SEGM3:GROU?\n", "2"},
        {":CONF:CALC:SENS1:SEGM3:ID?\n", "1"},
        {":CONF:CALC:SENS2:SEGM1:START?\n", "5"},
        {":CONF:CALC:SENS2:SEGM2:END?\n", "25"},
        {":CONF:CALC:SENS1:SEGM4:GROU?\n", "0"},    // beyond the channel's segments
        {":CONF:CALC:SENS1:SEGM100:END?\n", "0"},
        {":CONF:CALC:SENS9:SEGM1:ID?\n", "0"},      // a channel the plant lacks
        {":CONF:CALC:SENS1:SEGM0:START?\n", "0"},
    };
    TestClient client(m_simulator.Port());
    for (const auto& c : cases) {
        client.Send(c.pszQuestion);
        const std::string strExpected = std::string(c.pszAnswer) + "\r\n";
        EXPECT_EQ(client.Receive(strExpected.size()), strExpected) << c.pszQuestion;
    }
    m_simulator.SetAnswerEnding(std::string(1, '\0'));
    m_simulator.SetChannelListAnswer("2,,2");
    client.Send(":CONF:SEQ:SEQ?\n");
    EXPECT_EQ(client.Receive(5), "2,,2\0"s);
}

TEST_F(ASimulatedInstrument, SendsTheTraceAsACountedBlockOfBigEndianFloats)
{
    m_simulator.SetTraceGenerator([](int nChannel, int nIndex) {
        std::vector<float> v(12, 25.0f);
        v[1] = static_cast<float>(nChannel);
        v[2] = static_cast<float>(nIndex);
        return v;
    });
    TestClient client(m_simulator.Port());
    client.Send(":READ:TRAC:THER:DATA? 4\n");
    const std::string strBlock = client.Receive(4 + 48);
    ASSERT_EQ(strBlock.size(), 4u + 48u);
    EXPECT_EQ(strBlock.substr(0, 8), "#212\x41\xC8\x00\x00"s);
    EXPECT_EQ(strBlock.substr(4), BigEndianBytes({25, 2, 4, 25, 25, 25, 25, 25, 25, 25, 25, 25}));
    EXPECT_EQ(client.ReceiveAll(), "") << "a block carries no line end";
}

TEST_F(ASimulatedInstrument, ServesTheModelTraceOfTheChannelOfEachTrace)
{
    TestClient client(m_simulator.Port());
    client.Send(":READ:TRAC:THER:DATA? 2\n");
    const std::string strBlock = client.Receive(5 + 800);
    EXPECT_EQ(strBlock.substr(0, 5), "#3200");
    EXPECT_EQ(strBlock.substr(5), BigEndianBytes(m_simulator.ModelTrace(2, 2)));
    EXPECT_EQ(m_simulator.TraceValues(2), m_simulator.ModelTrace(m_simulator.ChannelOfTrace(2), 2));
}

TEST(AnInstrumentModel, IsReproducibleFromItsSeedAndShowsColdSpotsThatComeAndGo)
{
    const CInstrumentSimulator a(SimPlant::Demo(), 7);
    const CInstrumentSimulator b(SimPlant::Demo(), 7);
    EXPECT_EQ(a.ModelTrace(3, 100), b.ModelTrace(3, 100));
    EXPECT_NE(a.ModelTrace(3, 100), a.ModelTrace(3, 101));
    ASSERT_EQ(a.ModelTrace(3, 100).size(), 2400u);
    EXPECT_TRUE(a.ModelTrace(5, 1).empty());

    // Over a simulated day: a sample is cold (far below the ~20 °C base) in some traces and not in others,
    // and the coldest place moves.
    int nColdTraces = 0;
    int nWarmTraces = 0;
    std::set<long> coldPlaces;
    for (int nIndex = 1; nIndex <= 8640; nIndex += 40) {
        const std::vector<float> v = a.ModelTrace(1, nIndex);
        const auto itMin = std::min_element(v.begin(), v.end());
        ASSERT_GT(*itMin, -50.0f);
        ASSERT_LT(*std::max_element(v.begin(), v.end()), 30.0f);
        if (*itMin < 13.0f) {
            ++nColdTraces;
            coldPlaces.insert((itMin - v.begin()) / 40);
        } else if (*itMin > 15.0f) {
            ++nWarmTraces;
        }
    }
    EXPECT_GT(nColdTraces, 5);
    EXPECT_GT(nWarmTraces, 5);
    EXPECT_GT(coldPlaces.size(), 3u);
}

TEST(AnInstrumentTraceIndex, AdvancesWithTheTimeSourceAndOnRequest)
{
    auto pTime = std::make_shared<ManualTimeSource>();
    ScopedTimeSource scope(pTime);
    CInstrumentSimulator simulator(SimPlant::Small());
    EXPECT_EQ(simulator.TraceIndex(), 1);
    simulator.SetTraceIntervalMs(1000);
    pTime->Advance(3500);
    EXPECT_EQ(simulator.TraceIndex(), 4);
    EXPECT_EQ(simulator.AdvanceTrace(), 5);
    simulator.SetTraceIndex(0);
    EXPECT_EQ(simulator.TraceIndex(), 0);
    pTime->Advance(1000);
    EXPECT_EQ(simulator.TraceIndex(), 1);
    EXPECT_EQ(simulator.ChannelOfTrace(1), 1);
    EXPECT_EQ(simulator.ChannelOfTrace(0), 2);
    EXPECT_EQ(simulator.ChannelOfTrace(-1), 1);
}

TEST_F(ASimulatedInstrument, LeavesAQuestionUnansweredOnlyWhileTheFaultLasts)
{
    m_simulator.InjectFault(eSimFault_NoAnswer, ":READ:TRAC:IND?", 2);
    TestClient client(m_simulator.Port());
    client.Send(":READ:TRAC:IND?\n");
    client.Send(":MEAS:SEQ:STAT?\n");
    client.Send(":READ:TRAC:IND?\n");
    client.Send(":READ:TRAC:IND?\n");
    EXPECT_EQ(client.Receive(6), "1\r\n1\r\n");
    EXPECT_EQ(client.ReceiveAll(), "");
}

TEST_F(ASimulatedInstrument, StopsAnsweringForGoodWithAnEndlessFault)
{
    m_simulator.InjectFault(eSimFault_NoAnswer, ":CONF:CALC:SENS1:SEGM", -1);
    TestClient client(m_simulator.Port());
    for (int i = 0; i < 3; ++i)
        client.Send(":CONF:CALC:SENS1:SEGM1:GROU?\n");
    EXPECT_EQ(client.ReceiveAll(), "");
    m_simulator.ClearFaults();
    client.Send(":CONF:CALC:SENS1:SEGM1:GROU?\n");
    EXPECT_EQ(client.Receive(3), "1\r\n");
}

TEST(AnInstrumentWithSlowAnswers, SendsALateAnswerAfterItsDelayInTimeSourceTime)
{
    ScopedTimeSource scope(std::make_shared<ScaledTimeSource>(10.0));
    CInstrumentSimulator simulator(SimPlant::Small());
    ASSERT_TRUE(simulator.Start());
    simulator.InjectFault(eSimFault_LateAnswer, ":MEAS:SEQ:STAT?", 1, 1500);
    TestClient client(simulator.Port());
    const std::uint32_t dwSent = TimeSource().TickCount();
    client.Send(":MEAS:SEQ:STAT?\n");
    EXPECT_EQ(client.Receive(3), "1\r\n");
    EXPECT_GE(TimeSource().TickCount() - dwSent, 1500u);
}

TEST(AnInstrumentWithSlowAnswers, SplitsAnAnswerIntoTwoPackets)
{
    ScopedTimeSource scope(std::make_shared<ScaledTimeSource>(10.0));
    CInstrumentSimulator simulator(SimPlant::Small());
    ASSERT_TRUE(simulator.Start());
    simulator.InjectFault(eSimFault_SplitAnswer, ":CONF:SEQ:SEQ?", 1, 2000);
    TestClient client(simulator.Port());
    client.Send(":CONF:SEQ:SEQ?\n");
    EXPECT_EQ(client.Receive(1), "1,");
    EXPECT_EQ(client.Receive(3), "2\r\n");
}

TEST(AnInstrumentWithSlowAnswers, SpreadsADataBlockOverManyPacketsWithTheSameBytes)
{
    ScopedTimeSource scope(std::make_shared<ScaledTimeSource>(10.0));
    CInstrumentSimulator simulator(SimPlant::Small());
    ASSERT_TRUE(simulator.Start());
    simulator.SetDataChunkSize(100, 100);
    TestClient client(simulator.Port());
    client.Send(":READ:TRAC:THER:DATA? 1\n");
    const std::string strBlock = client.Receive(805);
    EXPECT_EQ(strBlock, "#3200" + BigEndianBytes(simulator.ModelTrace(1, 1)));
    EXPECT_GE(client.Receives(), 4);
}

TEST(AnInstrumentWithSlowAnswers, StopsPromptlyDuringALongLateAnswer)
{
    CInstrumentSimulator simulator(SimPlant::Small());
    ASSERT_TRUE(simulator.Start());
    simulator.InjectFault(eSimFault_LateAnswer, {}, 1, 3600000);
    TestClient client(simulator.Port());
    client.Send(":MEAS:SEQ:STAT?\n");
    ASSERT_TRUE(WaitUntil([&] { return simulator.ReceivedCommands().size() == 1; }));
    simulator.Stop();
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(ASimulatedInstrument, MalformsOnlyTheDataBlocksAskedFor)
{
    const std::string strFiveValues = BigEndianBytes(std::vector<float>(5, 25.0f));
    const struct {
        eSimFault fault;
        std::string strHeader;
        std::size_t nDataBytes;
    } cases[] = {
        {eSimFault_BadFirstByte, "X3200", 800},
        {eSimFault_BadSecondByte, "#X200", 800},
        {eSimFault_SmallCount, "#15", 20},
        {eSimFault_HugeCount, "#9999999999", 40},
    };
    m_simulator.SetTraceGenerator([](int, int) { return std::vector<float>(200, 25.0f); });
    TestClient client(m_simulator.Port());
    for (const auto& c : cases) {
        m_simulator.InjectFault(c.fault);
        client.Send(":MEAS:SEQ:STAT?\n");
        EXPECT_EQ(client.Receive(3), "1\r\n") << "a text question takes no block fault";
        client.Send(":READ:TRAC:THER:DATA? 1\n");
        const std::string strBlock = client.Receive(c.strHeader.size() + c.nDataBytes);
        EXPECT_EQ(strBlock.substr(0, c.strHeader.size()), c.strHeader);
        EXPECT_EQ(strBlock.size(), c.strHeader.size() + c.nDataBytes);
        EXPECT_EQ(strBlock.substr(c.strHeader.size(), 20), strFiveValues);
        client.Send(":READ:TRAC:THER:DATA? 1\n");
        EXPECT_EQ(client.Receive(805).substr(0, 5), "#3200") << "the fault lasts one block";
    }
}

TEST_F(ASimulatedInstrument, ClosesTheConnectionInsteadOfAnsweringAndAcceptsTheNext)
{
    m_simulator.InjectFault(eSimFault_Close, ":READ:TRAC:IND?");
    {
        TestClient client(m_simulator.Port());
        client.Send(":MEAS:SEQ:STAT?\n");
        EXPECT_EQ(client.Receive(3), "1\r\n");
        client.Send(":READ:TRAC:IND?\n");
        EXPECT_TRUE(client.WaitForClose());
    }
    EXPECT_TRUE(WaitUntil([&] { return m_simulator.OpenConnections() == 0; }));
    TestClient again(m_simulator.Port());
    again.Send(":READ:TRAC:IND?\n");
    EXPECT_EQ(again.Receive(3), "1\r\n");
    EXPECT_EQ(m_simulator.ConnectionCount(), 2);
}

TEST_F(ASimulatedInstrument, DropsEveryOpenConnectionOnRequest)
{
    TestClient first(m_simulator.Port());
    TestClient second(m_simulator.Port());
    ASSERT_TRUE(WaitUntil([&] { return m_simulator.OpenConnections() == 2; }));
    m_simulator.CloseConnections();
    EXPECT_TRUE(first.WaitForClose());
    EXPECT_TRUE(second.WaitForClose());
}

TEST_F(ASimulatedInstrument, DiscardsAnEndlessCommandAndStaysUsable)
{
    TestClient client(m_simulator.Port());
    client.Send(std::string(200000, 'A') + ":MEAS:SEQ:STAT?\n");
    client.Send(":READ:TRAC:IND?\n");
    EXPECT_EQ(client.Receive(3), "1\r\n");
    EXPECT_EQ(client.ReceiveAll(), "") << "the overlong command is not answered";
    EXPECT_EQ(m_simulator.ReceivedCommands(), std::vector<std::string>{":READ:TRAC:IND?\n"});
}

TEST(ASimulatedPlant, WritesTheConfigurationTheToolWouldWrite)
{
    SimPlant plant = SimPlant::Small();
    plant.vChannels[1].vSegments.push_back({3, 1, 1.0, 1.0005});  // too short: not kept
    const std::string strExpected =
        "Dummy=0\nPostPlay=/var/hist\nDebug=0\nRestartDevice=1\nScanTimeout=300\nIP=127.0.0.1\nPort=4242\n"
        "CntChan=2\n"
        "// \nChan0=1_3\n"
        "Seg0_0=1_1_0.000000_10.000000_LtR\nSeg0_1=1_2_10.000000_20.000000_RtL\nSeg0_2=2_1_20.000000_30.000000_LtR\n"
        "// \nChan1=2_2\n"
        "Seg1_0=1_3_5.000000_15.000000_LtR\nSeg1_1=2_2_15.000000_25.000000_RtL\n"
        "// ---------- //\nCntPlane=2\nPlane0=3_DtU\nPlane1=2_UtD\n";
    EXPECT_EQ(plant.ConfigText("127.0.0.1", 4242, "/var/hist"), strExpected);
}
