#include "CEncodedTextFile.h"
#include "CQuoraxConfig.h"
#include "ConfigurationWriter.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::vector<ScanChannel> LargeTable()
{
    std::vector<ScanChannel> vChannels;
    for (int c = 0; c < 4; ++c) {
        ScanChannel channel{c + 1, {}};
        for (int s = 0; s < 100; ++s)
            channel.vSegments.push_back({c * 3 + s / 34 + 1, s % 34 + 1, 5.0 + 10.0 * s, 14.5 + 10.0 * s});
        vChannels.push_back(channel);
    }
    return vChannels;
}

TEST(AConfigurationWriter, WritesTheFileByteForByte)
{
    // Groups 1 and 3 only: plane 1 stands in the table with 0 lines. A channel without segments still
    // counts. Directions go by position in the channel and in the plane table.
    const std::vector<ScanChannel> vChannels{
        {7, {{1, 2, 12.3, 20.0}, {3, 1, 20.0, 1234.567}, {1, 4, 1234.567, 1300.25}, {3, 5, 1300.25, 1400.0}}},
        {9, {}},
        {2, {{1, 1, 0.0, 0.5}}},
    };
    TempDir dir;
    const std::string path = dir.Write("PyrolanServer.ini", "an older file that is replaced\n");
    std::string strError;
    ASSERT_TRUE(WriteConfiguration(path, vChannels, u"192.168.0.\u00E4 ", 31850, strError)) << strError;
    EXPECT_EQ(strError, "");
    EXPECT_EQ(ReadWholeFile(path), "Dummy=0\n"
                                   "PostPlay=PostPlay\n"
                                   "Debug=0\n"
                                   "RestartDevice=1\n"
                                   "ScanTimeout=300\n"
                                   "IP=192.168.0.\xC3\xA4 \n"
                                   "Port=31850\n"
                                   "CntChan=3\n"
                                   "// \n"
                                   "Chan0=7_4\n"
                                   "Seg0_0=1_2_12.300000_20.000000_LtR\n"
                                   "Seg0_1=3_1_20.000000_1234.567017_RtL\n"
                                   "Seg0_2=1_4_1234.567017_1300.250000_LtR\n"
                                   "Seg0_3=3_5_1300.250000_1400.000000_RtL\n"
                                   "// \n"
                                   "Chan1=9_0\n"
                                   "// \n"
                                   "Chan2=2_1\n"
                                   "Seg2_0=1_1_0.000000_0.500000_LtR\n"
                                   "// ---------- //\n"
                                   "CntPlane=3\n"
                                   "Plane0=4_DtU\n"
                                   "Plane1=0_UtD\n"
                                   "Plane2=5_DtU\n");
}

TEST(AConfigurationWriter, WritesNoPlaneLineWhenNoSegmentWasKept)
{
    TempDir dir;
    const std::string path = dir.File("out.ini");
    std::string strError;
    ASSERT_TRUE(WriteConfiguration(path, {{3, {}}}, u"127.0.0.1", -5, strError));
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("Port=-5\nCntChan=1\n// \nChan0=3_0\n// ---------- //\nCntPlane=0\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 11), "CntPlane=0\n");
}

TEST(AConfigurationWriter, PrintsPositionsRoundedToSinglePrecisionWithSixDecimals)
{
    EXPECT_EQ(FormatPosition(12.3), "12.300000");
    EXPECT_EQ(FormatPosition(1234.567), "1234.567017");
    EXPECT_EQ(FormatPosition(0.0), "0.000000");
    EXPECT_EQ(FormatPosition(-0.1), "-0.100000");
    EXPECT_EQ(FormatPosition(16777217.0), "16777216.000000");
}

TEST(AConfigurationWriter, WritesAFileLargerThanItsBufferThatTheServerReadsCompletely)
{
    const std::vector<ScanChannel> vChannels = LargeTable();
    TempDir dir;
    const std::string path = dir.File("PyrolanServer.ini");
    std::string strError;
    ASSERT_TRUE(WriteConfiguration(path, vChannels, u"127.0.0.23", 4000, strError)) << strError;
    ASSERT_GT(std::filesystem::file_size(path), 10 * CEncodedTextFile::kBufferSize);

    CQuoraxConfig config;
    ASSERT_EQ(config.Read(path), CQuoraxConfig::eReadOk);
    EXPECT_EQ(config.m_strIP, u"127.0.0.23");
    EXPECT_EQ(config.m_wPort, 4000);
    EXPECT_TRUE(config.m_bRestartDevice);
    EXPECT_FALSE(config.m_bDebug);
    EXPECT_EQ(config.m_strPostPlay, u"PostPlay");
    ASSERT_EQ(config.m_vChannels.size(), 4U);
    for (std::size_t c = 0; c < 4; ++c) {
        ASSERT_EQ(config.m_vChannels[c].vSegments.size(), 100U);
        EXPECT_EQ(config.m_vChannels[c].nChannel, vChannels[c].nChannel);
        EXPECT_FLOAT_EQ(config.m_vChannels[c].fStep, 0.25F);
        for (std::size_t s = 0; s < 100; ++s) {
            const auto& read = config.m_vChannels[c].vSegments[s];
            const auto& written = vChannels[c].vSegments[s];
            EXPECT_EQ(read.nPlane, written.nGroup);
            EXPECT_EQ(read.nLine, written.nId);
            EXPECT_FLOAT_EQ(static_cast<float>(read.dStart), static_cast<float>(written.dStart));
            EXPECT_FLOAT_EQ(static_cast<float>(read.dEnd), static_cast<float>(written.dEnd));
            EXPECT_EQ(read.bRightToLeft, s % 2 == 1);
        }
    }
    ASSERT_EQ(config.m_vPlanes.size(), 12U);
    for (std::size_t p = 0; p < 12; ++p) {
        ASSERT_NE(config.m_vPlanes[p], nullptr);
        EXPECT_EQ(config.m_vPlanes[p]->m_nLines, p % 3 == 2 ? 32 : 34) << p;
        EXPECT_EQ(config.m_vPlanes[p]->m_bUpsideDown, p % 2 == 1) << p;
    }
}

TEST(AConfigurationWriter, ThatCannotCreateTheFileReportsOneErrorNamingItAndCreatesNothing)
{
    TempDir dir;
    for (const auto& vChannels : {std::vector<ScanChannel>{}, LargeTable()}) {
        const std::string path = dir.File("no/such/folder/PyrolanServer.ini");
        std::string strError;
        EXPECT_FALSE(WriteConfiguration(path, vChannels, u"127.0.0.1", 31850, strError));
        EXPECT_EQ(strError, FileErrorText(path, ENOENT, true));
        EXPECT_NE(strError.find("'" + path + "'"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
    }
}

TEST(AConfigurationWriter, EndsAtAFailedWriteWithTheWritingError)
{
    for (const auto& vChannels : {std::vector<ScanChannel>{}, LargeTable()}) {
        std::string strError;
        EXPECT_FALSE(WriteConfiguration("/dev/full", vChannels, u"127.0.0.1", 31850, strError));
        EXPECT_EQ(strError, FileErrorText("/dev/full", ENOSPC, false));
    }
}

} // namespace
