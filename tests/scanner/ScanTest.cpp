#include "AnswerValue.h"
#include "CInstrumentSimulator.h"
#include "CScanner.h"
#include "ConfigurationWriter.h"
#include "HeadlessScan.h"
#include "TempDir.h"
#include "TimeSource.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace {

// Records what the scan shows; a message box can run a nested tick as the dialog's event loop would.
class CRecordingView : public IScanView {
public:
    void SetStatusText(const std::string& strText) override { m_vStatus.push_back(strText); }
    void ShowMessage(const std::string& strText, eScanMessage eIcon) override
    {
        m_vMessages.push_back(strText);
        m_vIcons.push_back(eIcon);
        if (m_pNested != nullptr) {
            m_bBusyInBox = IsScanTimerBusy();
            m_pNested->OnScanTimer();
            m_pNested->OnScanTimer();
        }
    }
    void StartScanTimer() override { m_bTimer = true; }
    void StopScanTimer() override { m_bTimer = false; }
    void EnableAllControls() override { m_bEnabled = true; }

    std::vector<std::string> m_vStatus;
    std::vector<std::string> m_vMessages;
    std::vector<eScanMessage> m_vIcons;
    bool m_bTimer = false;
    bool m_bEnabled = false;
    CScanner* m_pNested = nullptr;
    bool m_bBusyInBox = false;
};

class AScan : public ::testing::Test {
protected:
    explicit AScan(SimPlant plant = SimPlant::Small()) : m_sim(std::move(plant)) {}

    void SetUp() override
    {
        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_scanner.AllocateBuffers());
    }

    // Presses Scan and runs the timer until it stops; the ticks follow each other without the period.
    bool RunScan()
    {
        if (!m_scanner.Scan(u"127.0.0.1", m_sim.Port()))
            return false;
        for (int nTicks = 0; m_view.m_bTimer && nTicks < 10000; ++nTicks)
            m_scanner.OnScanTimer();
        return !m_view.m_bTimer;
    }

    std::vector<ScanSegment> Segments(std::size_t nChannel) const { return m_scanner.Channels().at(nChannel).vSegments; }

    CInstrumentSimulator m_sim;
    CRecordingView m_view;
    CScanner m_scanner{m_view};
};

TEST_F(AScan, FindsThePlantsSegmentsAndWritesTheFileTheInstrumentDescribes)
{
    ASSERT_TRUE(RunScan());
    EXPECT_TRUE(m_view.m_vMessages.empty());
    EXPECT_TRUE(m_view.m_bEnabled);
    EXPECT_FALSE(m_scanner.IsConnected());
    EXPECT_EQ(m_scanner.ValidSegments(), 5);
    EXPECT_EQ(m_scanner.Link().Pool().FreeCount() + m_scanner.Link().Pool().ReceivedCount(), 10U);

    const auto& status = m_view.m_vStatus;
    ASSERT_GE(status.size(), 4U);
    EXPECT_EQ(status[2], "Obtain chanel list");  // after the two texts of the StopScan that starts a scan
    EXPECT_EQ(status[3], "Scan channel 1 [1/2]  segment 1/100\r\nDetected 0 valid segments");
    EXPECT_NE(std::find(status.begin(), status.end(), "Scan channel 2 [2/2]  segment 100/100\r\nDetected 5 valid segments"),
              status.end());
    EXPECT_EQ(status.back(), "Scan finished successfully\r\nDetected 5 valid segments");

    TempDir dir;
    const std::string path = dir.File("PyrolanServer.ini");
    std::string strError;
    ASSERT_TRUE(m_scanner.Save(path, strError)) << strError;
    EXPECT_EQ(ReadWholeFile(path), m_sim.Plant().ConfigText("127.0.0.1", m_sim.Port(), "PostPlay"));
}

TEST_F(AScan, ReadsAnswersEndedByAZeroByte)
{
    m_sim.SetAnswerEnding(std::string(1, '\0'));
    ASSERT_TRUE(RunScan());
    EXPECT_TRUE(m_view.m_vMessages.empty());
    EXPECT_EQ(m_scanner.ValidSegments(), 5);
}

struct SequenceCase {
    const char* name;
    const char* answer;
    std::vector<std::int32_t> channels;  // empty: the scan fails with code 6
    friend void PrintTo(const SequenceCase& value, std::ostream* os) { *os << value.name; }
};

class ASequenceAnswer : public AScan, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(ASequenceAnswer, GivesTheChannelTableInTheListedOrder)
{
    m_sim.SetChannelListAnswer(GetParam().answer);
    RunScan();
    std::vector<std::int32_t> channels;
    for (const auto& channel : m_scanner.Channels())
        channels.push_back(channel.nChannel);
    EXPECT_EQ(channels, GetParam().channels);
    if (GetParam().channels.empty())
        EXPECT_EQ(m_view.m_vMessages, std::vector<std::string>{"ERROR on step 1/0/0 #6!"});
    else
        EXPECT_TRUE(m_view.m_vMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Separators, ASequenceAnswer,
    ::testing::Values(SequenceCase{"CommaThenSemicolon", "1,2;3", {1, 2, 3}}, SequenceCase{"TwoCommas", "2,,2", {2, 2}},
                      SequenceCase{"MixedRunsAndBlanks", ";; 3 ,;-1,0, 1x", {3, 1}}, SequenceCase{"ZeroOnly", "0", {}},
                      SequenceCase{"LettersOnly", "abc", {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(AScan, StopsAtOnceWhenTheMeasurementSequenceIsNotRunning)
{
    m_sim.SetSequenceState(0, true);
    RunScan();
    EXPECT_EQ(m_view.m_vMessages, std::vector<std::string>{"ERROR on step 1/0/0 #3!"});
    EXPECT_EQ(m_view.m_vIcons, std::vector<eScanMessage>{eScanMessage_Warning});
    EXPECT_FALSE(m_view.m_bEnabled);
    EXPECT_FALSE(m_scanner.IsConnected());
    EXPECT_EQ(m_view.m_vStatus.back(), " ");
}

TEST_F(AScan, ShowsOneErrorBoxWhateverTicksFallWhileItIsOpen)
{
    m_sim.SetSequenceState(0, true);
    m_view.m_pNested = &m_scanner;
    RunScan();
    EXPECT_TRUE(m_view.m_bBusyInBox);
    EXPECT_FALSE(IsScanTimerBusy());
    EXPECT_EQ(m_view.m_vMessages, std::vector<std::string>{"ERROR on step 1/0/0 #3!"});
    EXPECT_EQ(m_sim.ReceivedCommands(), std::vector<std::string>{":MEAS:SEQ:STAT?\n"});
}

class AScanOfAnOddPlant : public AScan {
protected:
    static SimPlant Plant()
    {
        const double inf = std::numeric_limits<double>::infinity();
        SimPlant plant;
        plant.vChannels.push_back({4,
                                   {{1, 1, 10.0, 20.0},
                                    {0, 1, 0.0, 5.0},       // no group
                                    {1, 0, 0.0, 5.0},       // no ID
                                    {1, 2, 30.0, 30.0005},  // not longer than 0.001
                                    {2, 1, 10.0, 15.0},     // same start as the first: placed before it
                                    {1, 3, 5.0, 8.0},
                                    {13, 1, 40.0, 50.0},    // beyond the twelve planes
                                    {1, 1001, 40.0, 50.0},  // beyond the server's lines per plane
                                    {1, 4, 0.0, inf},       // no position the file can carry
                                    {2, 2, 1e39, 2e39}},
                                   200});
        return plant;
    }
    AScanOfAnOddPlant() : AScan(Plant()) {}
};

TEST_F(AScanOfAnOddPlant, KeepsValidSegmentsByStartAndPlacesALaterEqualStartFirst)
{
    ASSERT_TRUE(RunScan());
    const auto vSegments = Segments(0);
    ASSERT_EQ(vSegments.size(), 3U);
    EXPECT_EQ(vSegments[0].nGroup, 1);
    EXPECT_EQ(vSegments[0].nId, 3);
    EXPECT_EQ(vSegments[1].nGroup, 2);
    EXPECT_EQ(vSegments[1].nId, 1);
    EXPECT_EQ(vSegments[2].nGroup, 1);
    EXPECT_EQ(vSegments[2].nId, 1);
    EXPECT_EQ(m_scanner.ValidSegments(), 3);
}

struct SilenceCase {
    const char* question;
    int code;
    friend void PrintTo(const SilenceCase& value, std::ostream* os) { *os << value.question; }
};

class AnInstrumentThatFallsSilent : public AScan, public ::testing::WithParamInterface<SilenceCase> {
protected:
    // FindAnswer's second passes in a tenth of it; the answers that do come are still prompt.
    ScopedTimeSource m_time{std::make_shared<ScaledTimeSource>(10.0)};
};

TEST_P(AnInstrumentThatFallsSilent, FailsTheStepWithTheCodeOfTheUnansweredQuestion)
{
    m_sim.InjectFault(eSimFault_NoAnswer, std::string(":CONF:CALC:SENS1:SEGM6:") + GetParam().question, -1);
    RunScan();
    EXPECT_EQ(m_view.m_vMessages, std::vector<std::string>{"ERROR on step 3/0/5 #" + std::to_string(GetParam().code) + "!"});
    EXPECT_EQ(m_view.m_vStatus.back(), " ");
    EXPECT_FALSE(m_scanner.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Questions, AnInstrumentThatFallsSilent,
                         ::testing::Values(SilenceCase{"GROU?", 12}, SilenceCase{"ID?", 14}, SilenceCase{"START?", 16},
                                           SilenceCase{"END?", 18}),
                         [](const auto& testInfo) { return std::to_string(testInfo.param.code); });

class AScanOfAClosingInstrument : public AScan {
protected:
    ScopedTimeSource m_time{std::make_shared<ScaledTimeSource>(10.0)};
};

TEST_F(AScanOfAClosingInstrument, FailsAtTheQuestionThatFindsNoAnswerAndEndsItsReceiveThread)
{
    m_sim.InjectFault(eSimFault_Close, ":CONF:CALC:SENS1:SEGM3:GROU?");
    RunScan();
    EXPECT_EQ(m_view.m_vMessages, std::vector<std::string>{"ERROR on step 3/0/2 #12!"});
    EXPECT_FALSE(m_scanner.IsConnected());
    EXPECT_EQ(m_scanner.Link().Pool().FreeCount() + m_scanner.Link().Pool().ReceivedCount(), 10U);
}

TEST_F(AScan, ThatCannotConnectKeepsTheEarlierTableButSavesTheNewAddressAndPort)
{
    ASSERT_TRUE(RunScan());
    const std::uint16_t wClosedPort = m_sim.Port();
    m_sim.Stop();

    EXPECT_FALSE(m_scanner.Scan(u"127.0.0.1", wClosedPort));
    EXPECT_FALSE(m_scanner.Scan(u"localhost", 31850));
    ASSERT_EQ(m_view.m_vMessages.size(), 2U);
    EXPECT_EQ(m_view.m_vMessages[0], "Can't connect socket, ERROR = 111.");
    EXPECT_EQ(m_view.m_vMessages[1].rfind("Can't connect socket, ERROR = ", 0), 0U);  // names are not resolved
    EXPECT_FALSE(m_view.m_bTimer);
    EXPECT_EQ(m_view.m_vStatus.back(), " ");
    EXPECT_EQ(m_scanner.ValidSegments(), 5);

    TempDir dir;
    std::string strError;
    ASSERT_TRUE(m_scanner.Save(dir.File("f.ini"), strError));
    const std::string text = ReadWholeFile(dir.File("f.ini"));
    EXPECT_NE(text.find("IP=localhost\nPort=31850\nCntChan=2\n"), std::string::npos);
    EXPECT_NE(text.find("CntPlane=2\n"), std::string::npos);
}

class AHeadlessScan : public ::testing::Test {
protected:
    // The 10 ms timer between steps passes ten times faster.
    ScopedTimeSource m_time{std::make_shared<ScaledTimeSource>(10.0)};
    CInstrumentSimulator m_sim{SimPlant::Small()};
    TempDir m_dir;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(AHeadlessScan, PrintsTheStatusTextsAndWritesTheFile)
{
    ASSERT_TRUE(m_sim.Start());
    const std::string path = m_dir.File("PyrolanServer.ini");
    EXPECT_EQ(RunHeadlessScan("127.0.0.1:" + std::to_string(m_sim.Port()), path, m_out, m_err), 0);
    EXPECT_EQ(m_err.str(), "");
    EXPECT_NE(m_out.str().find("Obtain chanel list\nScan channel 1 [1/2]  segment 1/100\nDetected 0 valid segments\n"),
              std::string::npos);
    const std::string strEnd = "Scan finished successfully\nDetected 5 valid segments\n";
    EXPECT_EQ(m_out.str().substr(m_out.str().size() - strEnd.size()), strEnd);
    EXPECT_EQ(ReadWholeFile(path), m_sim.Plant().ConfigText("127.0.0.1", m_sim.Port(), "PostPlay"));
}

TEST_F(AHeadlessScan, EndsWithTheDialogsMessageAndExitCodeOneOnFailures)
{
    ASSERT_TRUE(m_sim.Start());
    const std::string strTarget = "127.0.0.1:" + std::to_string(m_sim.Port());
    EXPECT_EQ(RunHeadlessScan(strTarget, m_dir.File("no/folder/f.ini"), m_out, m_err), 1);
    EXPECT_EQ(m_err.str(), FileErrorText(m_dir.File("no/folder/f.ini"), ENOENT, true) + "\n");

    m_err.str("");
    m_sim.SetSequenceState(0, true);
    EXPECT_EQ(RunHeadlessScan(strTarget, m_dir.File("f.ini"), m_out, m_err), 1);
    EXPECT_EQ(m_err.str(), "ERROR on step 1/0/0 #3!\n");

    m_err.str("");
    const std::uint16_t wClosedPort = m_sim.Port();
    m_sim.Stop();
    EXPECT_EQ(RunHeadlessScan("127.0.0.1:" + std::to_string(wClosedPort), m_dir.File("f.ini"), m_out, m_err), 1);
    EXPECT_EQ(m_err.str(), "Can't connect socket, ERROR = 111.\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("f.ini")));

    EXPECT_EQ(RunHeadlessScan("127.0.0.1", m_dir.File("f.ini"), m_out, m_err), 2);
}

TEST(AnAnswerValue, IsReadAsTheCLibraryReadsNumbers)
{
    EXPECT_EQ(AnswerInteger("12"), 12);
    EXPECT_EQ(AnswerInteger("  -7x"), -7);
    EXPECT_EQ(AnswerInteger("1.5"), 1);
    EXPECT_EQ(AnswerInteger("abc"), 0);
    EXPECT_EQ(AnswerInteger("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_DOUBLE_EQ(AnswerReal(" 12.5e1xyz"), 125.0);
    EXPECT_DOUBLE_EQ(AnswerReal("+3"), 3.0);
    EXPECT_DOUBLE_EQ(AnswerReal("none"), 0.0);
}

} // namespace
