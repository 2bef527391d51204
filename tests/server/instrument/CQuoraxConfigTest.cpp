#include "CQuoraxConfig.h"
#include "CTermoSensor4Quorax.h"
#include "LogCapture.h"
#include "TempDir.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

// The file the configuration tool writes for two channels, with its comment lines.
const char* const kToolFile =
    "Dummy=0\nPostPlay=PostPlay\nDebug=0\nRestartDevice=1\nScanTimeout=300\nIP=127.0.0.1\nPort=31850\nCntChan=2\n"
    "// \nChan0=1_2\nSeg0_0=1_1_10.000000_35.000000_LtR\nSeg0_1=1_2_40.000000_165.000000_RtL\n"
    "// \nChan1=2_1\nSeg1_0=2_1_0.000000_237.500000_LtR\n"
    "// ---------- //\nCntPlane=2\nPlane0=2_DtU\nPlane1=1_UtD\n";

CQuoraxConfig ReadLines(std::initializer_list<const char16_t*> lines)
{
    CQuoraxConfig config;
    int number = 0;
    for (const char16_t* line : lines)
        config.HandleLine(line, ++number);
    return config;
}

TEST(AQuoraxConfig, ReadsSimpleKeysByTheirBeginningWithoutRegardToCase)
{
    const auto config = ReadLines({u"ip=127.0.0.13", u"IP 127.0.0.11", u"port = 31850", u"ScanTimeout=12x",
                                   u"PostPlay= Z:/PostPlay ", u"RestartDevice=7", u"Debug=0", u"Port=31850x"});
    EXPECT_EQ(config.m_strIP, u"127.0.0.13");
    EXPECT_EQ(config.m_wPort, 31850);
    EXPECT_EQ(config.m_nScanTimeout, 12);
    EXPECT_EQ(config.m_strPostPlay, u" Z:/PostPlay ");
    EXPECT_TRUE(config.m_bRestartDevice);
    EXPECT_FALSE(config.m_bDebug);
    EXPECT_EQ(ReadLines({u"Port="}).m_wPort, 0);
    EXPECT_EQ(ReadLines({u"Port=65537"}).m_wPort, 1);
    EXPECT_EQ(ReadLines({u"IPAddress=1.2.3.4"}).m_strIP, u"1.2.3.4");
    EXPECT_EQ(ReadLines({}).m_nScanTimeout, 300);
}

TEST(AQuoraxConfig, ReadsPlaneLinesWithTheirDirection)
{
    const auto config = ReadLines({u"CntPlane=4", u"Plane3=5", u"Plane2=5_utd", u"Plane1=5_DtU", u"Plane0=x"});
    ASSERT_EQ(config.m_vPlanes.size(), 4U);
    EXPECT_FALSE(config.m_vPlanes[0]);
    EXPECT_FALSE(config.m_vPlanes[1]->m_bUpsideDown);
    EXPECT_TRUE(config.m_vPlanes[2]->m_bUpsideDown);
    EXPECT_FALSE(config.m_vPlanes[3]->m_bUpsideDown);
    EXPECT_EQ(config.m_vPlanes[3]->m_nLines, 5);
    EXPECT_EQ(config.m_vPlanes[3]->m_nDXmeter, 137);
    EXPECT_EQ(config.m_vPlanes[3]->m_nDYmeter, 24);
}

TEST(AQuoraxConfig, ReadsChannelStepsWithinTheirLimits)
{
    struct StepCase {
        const char16_t* line;
        float step;
    };
    for (const StepCase c : {StepCase{u"Chan0=7_4", 0.25f}, StepCase{u"Chan0=7_4_20", 10.0f},
                             StepCase{u"Chan0=7_4_0.01", 0.1f}, StepCase{u"Chan0=7_4_2.5", 2.5f}}) {
        const auto config = ReadLines({u"CntChan=1", c.line});
        EXPECT_EQ(config.m_vChannels[0].nChannel, 7);
        EXPECT_EQ(config.m_vChannels[0].fStep, c.step);
        EXPECT_EQ(config.m_vChannels[0].vSegments.size(), 4U);
    }
    EXPECT_EQ(ReadLines({u"CntChan=1", u"Chan0=7"}).m_vChannels[0].nChannel, 0);
    EXPECT_EQ(ReadLines({u"CntChan=1", u"Channel=7_4"}).m_vChannels[0].nChannel, 0);
}

TEST(AQuoraxConfig, ReadsSegmentsAndTheirDirection)
{
    const auto config = ReadLines({u"CntChan=1", u"Chan0=7_3", u"Seg0_1=2_3_10.5_20.5", u"Seg0_2=2_4_1_2_rtl"});
    const CSegmentInfo& forward = config.m_vChannels[0].vSegments[1];
    EXPECT_EQ(forward.nPlane, 2);
    EXPECT_EQ(forward.nLine, 3);
    EXPECT_EQ(forward.dStart, 10.5);
    EXPECT_EQ(forward.dEnd, 20.5);
    EXPECT_FALSE(forward.bRightToLeft);
    EXPECT_TRUE(config.m_vChannels[0].vSegments[2].bRightToLeft);
    EXPECT_EQ(config.m_vChannels[0].vSegments[0].nPlane, -1);
}

TEST(AQuoraxConfig, IgnoresIndexLinesOutsideTheirTablesWithALogLine)
{
    LogCapture log;
    const auto config = ReadLines({u"Plane0=3", u"Seg0_0=1_1_0_10", u"CntPlane=1", u"Plane1=3", u"CntChan=1",
                                   u"Chan1=1_1", u"Chan0=1_1", u"Seg0_1=1_1_0_10", u"Seg-1_0=1_1_0_10"});
    EXPECT_FALSE(config.m_vPlanes[0]);
    EXPECT_EQ(config.m_vChannels[0].vSegments.size(), 1U);
    EXPECT_EQ(config.m_vChannels[0].vSegments[0].nPlane, -1);
    int ignored = 0;
    for (const auto& line : log.Messages())
        ignored += line.find("ignored") != std::string::npos;
    EXPECT_EQ(ignored, 6);
    EXPECT_TRUE(log.Contains("line 4 ignored (plane index outside CntPlane): 'Plane1=3'"));
}

TEST(AQuoraxConfig, LimitsCountsThatWouldExhaustMemory)
{
    LogCapture log;
    const auto config = ReadLines({u"CntPlane=99999", u"Plane11=2000000000", u"Plane12=1", u"CntChan=2000000000",
                                   u"Chan0=1_2000000000"});
    EXPECT_EQ(config.m_vPlanes.size(), 12U);
    EXPECT_EQ(config.m_vPlanes[11]->m_nLines, CQuoraxConfig::kMaxLinesPerPlane);
    EXPECT_EQ(config.m_vChannels.size(), static_cast<std::size_t>(CQuoraxConfig::kMaxChannels));
    EXPECT_EQ(config.m_vChannels[0].vSegments.size(), static_cast<std::size_t>(CQuoraxConfig::kMaxSegmentsPerChannel));
    EXPECT_TRUE(log.Contains("CntPlane=99999 limited to 12 planes"));
}

TEST(AQuoraxConfig, SizesLinesFromTheWidestSegmentOfEachPlane)
{
    struct WidthCase {
        const char16_t* segment;
        int points;
    };
    // Step 1.0: the sample count is end - start.
    for (const WidthCase c : {WidthCase{u"Seg0_0=1_1_0_50", 108}, WidthCase{u"Seg0_0=1_1_0_500", 548},
                              WidthCase{u"Seg0_0=1_1_0_950", 1000}, WidthCase{u"Seg0_0=1_1_50_0", 108},
                              WidthCase{u"Seg0_0=1_1_0_1e30", 1000}, WidthCase{u"Seg0_0=9_1_0_500", 108}}) {
        auto config = ReadLines({u"CntPlane=1", u"Plane0=2", u"CntChan=1", u"Chan0=1_1_1", c.segment});
        config.CompletePlanes();
        config.SizeLines();
        EXPECT_EQ(config.m_vPlanes[0]->m_nPointsPerLine, c.points) << std::string(c.segment, c.segment + 16);
        EXPECT_EQ(config.m_vPlanes[0]->m_nCells, 2 * c.points);
        EXPECT_EQ(config.m_vPlanes[0]->m_vImage.size(), static_cast<std::size_t>(2 * c.points));
    }
}

TEST(AQuoraxConfig, NormalisesTheHistoryFolderAndParsesTheAddress)
{
    CQuoraxConfig config;
    config.m_strPostPlay = u" Z:\\Data/PostPlay ";
    EXPECT_EQ(config.NormalisedPostPlay("/etc/plant/"), "/etc/plant/Z:/Data/PostPlay/");
    config.m_strPostPlay = u"/var/lib/pyrolan/";
    EXPECT_EQ(config.NormalisedPostPlay("/etc/plant"), "/var/lib/pyrolan/");
    config.m_strPostPlay = u"   ";
    EXPECT_EQ(config.NormalisedPostPlay("/etc"), "");

    for (const char16_t* bad : {u"", u"host.example", u"1.2.3", u"1.2.3.256", u"255.255.255.255"}) {
        config.m_strIP = bad;
        EXPECT_EQ(config.ParsedAddress(), CQuoraxConfig::kNoAddress);
    }
    config.m_strIP = u" 127.0.0.1 ";
    EXPECT_EQ(config.ParsedAddress(), htonl(0x7F000001U));
}

std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string bytes = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (char c : ascii) {
        if (c == '\n')
            bytes += bigEndian ? std::string("\0\r\0\n", 4) : std::string("\r\0\n\0", 4);
        else
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

class ASensorConfigFile : public ::testing::TestWithParam<int> {};

TEST_P(ASensorConfigFile, ReadsTheToolsFileTheSameInEveryEncoding)
{
    TempDir dir;
    std::string bytes;
    switch (GetParam()) {
    case 0: bytes = kToolFile; break;
    case 1: bytes = std::string("\xEF\xBB\xBF") + kToolFile; break;
    case 2: bytes = Utf16(kToolFile, false); break;
    default: bytes = Utf16(kToolFile, true); break;
    }
    const std::string path = dir.Write("PyrolanServer.ini", bytes);
    LogCapture log;
    CTermoSensor4Quorax sensor(path);
    ASSERT_EQ(sensor.InitSensor(), S_OK);
    EXPECT_EQ(sensor.GetTankCount(), 1);
    EXPECT_EQ(sensor.GetPlaneCount(0), 2);
    EXPECT_EQ(sensor.GetLineCount(0, 0), 2);
    EXPECT_EQ(sensor.GetLineCount(0, 1), 1);
    // Widest segment of plane 1: (165 - 40) / 0.25 = 500 samples; of plane 2: 950 samples.
    EXPECT_EQ(sensor.GetPointsPerLine(0, 0), 548);
    EXPECT_EQ(sensor.GetPointsPerLine(0, 1), 1000);
    ASSERT_EQ(sensor.GetChannels().size(), 2U);
    EXPECT_EQ(sensor.GetChannels()[0].fStep, 0.25f);
    EXPECT_TRUE(sensor.GetChannels()[0].vSegments[1].bRightToLeft);
    EXPECT_EQ(sensor.GetPostPlay(), dir.Path() + "/PostPlay/");
    EXPECT_EQ(sensor.GetMainLoopArgs().dwAddress, htonl(0x7F000001U));
    EXPECT_EQ(sensor.GetMainLoopArgs().wPort, 31850);
    EXPECT_TRUE(sensor.GetMainLoopArgs().bRestartDevice);
    EXPECT_EQ(sensor.GetMainLoopArgs().nScanTimeout, 300);
    // The main loop started by InitSensor logs on its own thread; only the start-up lines are compared.
    std::vector<std::string> messages;
    for (const auto& message : log.Messages())
        if (message.starts_with("InitSensor"))
            messages.push_back(message);
    ASSERT_GE(messages.size(), 5U);
    EXPECT_EQ(messages.front(), "InitSensor #1\n");
    EXPECT_EQ(messages.back(), "InitSensor #9\n");
    EXPECT_TRUE(log.Contains("InitSensor #5  PostPlay='" + dir.Path() + "/PostPlay/'\n"));
    sensor.Stop();
}

INSTANTIATE_TEST_SUITE_P(Encodings, ASensorConfigFile, ::testing::Values(0, 1, 2, 3));

TEST(AQuoraxSensor, AsksForTheSimulatedSensorOnANonZeroDummyLine)
{
    TempDir dir;
    CTermoSensor4Quorax dummy(dir.Write("a.ini", std::string("Dummy=1\n") + kToolFile));
    EXPECT_EQ(dummy.InitSensor(), 1);
    CTermoSensor4Quorax real(dir.Write("b.ini", std::string("Dummy=0\n") + kToolFile));
    EXPECT_EQ(real.InitSensor(), S_OK);
    real.Stop();
}

TEST(AQuoraxSensor, AnswersFileNotFoundWithoutPlanesForAMissingFile)
{
    CTermoSensor4Quorax sensor("/nonexistent/PyrolanServer.ini");
    EXPECT_EQ(sensor.InitSensor(), HRESULT_FILE_NOT_FOUND);
    EXPECT_EQ(sensor.GetTankCount(), 1);
    EXPECT_EQ(sensor.GetPlaneCount(0), 0);
    sensor.Stop();
}

TEST(AQuoraxSensor, KeepsAPlaneEntryWithoutPlaneLineAsAPlaneWithoutLines)
{
    TempDir dir;
    CTermoSensor4Quorax sensor(dir.Write("c.ini", "CntPlane=3\nPlane2=4\n"));
    ASSERT_EQ(sensor.InitSensor(), S_OK);
    EXPECT_EQ(sensor.GetPlaneCount(0), 3);
    EXPECT_EQ(sensor.GetLineCount(0, 0), 0);
    EXPECT_EQ(sensor.GetLineCount(0, 2), 4);
    float mn = 0, mx = 0, avg = 0;
    std::int32_t a = 0, b = 0, empty = 0;
    sensor.GetPlaneTemperature(0, 1, mn, a, mx, b, avg, empty);
    EXPECT_EQ(mn, -300.0f);
    EXPECT_EQ(empty, 65535);
    sensor.Stop();
}

} // namespace
