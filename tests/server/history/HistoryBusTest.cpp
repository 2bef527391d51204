// The history questions through a private bus: the server started by the bus on a configuration whose
// history folder holds images written by the SAVE loop's own writer, in a zone with daylight saving.
#include "BusFixture.h"
#include "CHistoryRegionReader.h"
#include "HistoryTestSupport.h"
#include "PlantTypes.h"
#include "PyrolanBrokerFactory.h"
#include "PyrolanBusNames.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Two planes of three lines; without segments a line has 100 + 10 points, less 2 for a multiple of 4.
constexpr std::int32_t kWidth = 108;
constexpr std::int32_t kHeight = 3;
constexpr std::int32_t kCells = kWidth * kHeight;

struct StoredImage {
    int nPlaneNumber;
    int nMonth, nDay, nHour, nMinute, nSecond;
    std::int32_t nLowest, nHighest;  // tenths of a degree
};

// Plane 1 is tank 0 plane 0. The change to summer time is on 31 March 2024 at 02:00.
const StoredImage kImageA{1, 3, 30, 10, 0, 0, -125, 873};
const StoredImage kOtherPlane{2, 3, 30, 11, 0, 0, -500, 1500};
const StoredImage kImageB{1, 3, 31, 12, 0, 0, 205, 1234};
const StoredImage kImageC{1, 4, 1, 9, 30, 15, 0, 500};

FILETIME64 TimeOf(const StoredImage& image)
{
    return LocalTime(2024, image.nMonth, image.nDay, image.nHour, image.nMinute, image.nSecond);
}

std::int32_t High(FILETIME64 ft) { return static_cast<std::int32_t>(FileTimeHigh(ft)); }
std::int32_t Low(FILETIME64 ft) { return static_cast<std::int32_t>(FileTimeLow(ft)); }

// Byte i % 256 in cell i: every byte value, 0 and 1 and 255 among them.
std::uint8_t CellByte(std::int32_t i) { return static_cast<std::uint8_t>(i % 256); }

class AServerWithAHistoryFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string root = m_dir.Path() + "/history/";
        for (const StoredImage& stored : {kImageA, kOtherPlane, kImageB, kImageC}) {
            CHistoryData data;
            data.ftTime = TimeOf(stored);
            data.nPlaneNumber = stored.nPlaneNumber;
            data.nWidth = kWidth;
            data.nHeight = kHeight;
            data.nCapacity = kCells;
            data.nLowest = stored.nLowest;
            data.nHighest = stored.nHighest;
            data.pCells = std::make_unique<std::uint8_t[]>(kCells);
            for (std::int32_t i = 0; i < kCells; ++i)
                data.pCells[static_cast<std::size_t>(i)] = CellByte(i);
            ASSERT_TRUE(WriteImageFile(data, root));
        }
        ASSERT_EQ(ReadWholeFile(root + "2024_03/Plane01_d31___hms12_00_00__t205_1234.prlimg").size(),
                  kImageHeaderSize + kCells);
        ASSERT_EQ(ReadWholeFile(root + "2024_04/Plane01_d01___hms09_30_15__t0_500.prlimg").size(),
                  kImageHeaderSize + kCells);

        // An empty address never connects: nothing is acquired, so nothing is added to the folder.
        BusFixture::Options options;
        options.strServerPath = PYROLAN_SERVER_PATH;
        options.strServerIni = m_dir.Write("PyrolanServer.ini", "CntPlane=2\nPlane0=3\nPlane1=3\nIP=\nPostPlay=" +
                                                                    root + "\n");
        // The server is started by the bus daemon, which has the test's environment and so its TZ.
        m_pBus = std::make_unique<BusFixture>(options);
        ASSERT_TRUE(m_pBus->Started()) << m_pBus->Error();
        std::shared_ptr<IPyrolanBroker> broker;
        ASSERT_EQ(CreatePyrolanBroker(kBrokerClassId, &broker, m_pBus->Connect()), S_OK) << m_pBus->ServerLog();
        ASSERT_EQ(QueryBrokerHistory(broker, &m_pHistory), S_OK);
        std::int32_t nCellsX = 0;
        std::int32_t nCellsY = 0;
        ASSERT_EQ(broker->GetPlaneInfo(0, 0, nullptr, nullptr, &nCellsX, &nCellsY), S_OK);
        ASSERT_EQ(nCellsX, kWidth);
        ASSERT_EQ(nCellsY, kHeight);
    }

    ScopedTimeZone m_zone{"Europe/Berlin"};
    TempDir m_dir;
    std::unique_ptr<BusFixture> m_pBus;
    std::shared_ptr<IPyrolanBrokerHistory> m_pHistory;
};

TEST_F(AServerWithAHistoryFolder, FindsTheNearestImageOfThePlaneInEitherDirection)
{
    struct Case {
        const char* szName;
        FILETIME64 ftNeed;
        std::int32_t bAfter;
        float fMinLimit, fMaxLimit;
        HRESULT expected;
        const StoredImage* pFound;
    };
    constexpr float kNone[2] = {300.0f, -300.0f};
    const FILETIME64 second = kFileTimeTicksPerSecond;
    const std::vector<Case> cases = {
        {"after a time before the first", LocalTime(2024, 3, 30, 9, 0, 0), 1, kNone[0], kNone[1], S_OK, &kImageA},
        {"after its own time", TimeOf(kImageA), 1, kNone[0], kNone[1], S_OK, &kImageA},
        {"after it, past the other plane's image and the change to summer time", TimeOf(kImageA) + second, 1,
         kNone[0], kNone[1], S_OK, &kImageB},
        {"after, into the next month folder", TimeOf(kImageB) + second, 1, kNone[0], kNone[1], S_OK, &kImageC},
        {"before, back into the previous month folder", LocalTime(2024, 4, 1, 9, 0, 0), 0, kNone[0], kNone[1],
         S_OK, &kImageB},
        {"before a time past the newest", LocalTime(2024, 4, 20, 0, 0, 0), 0, kNone[0], kNone[1], S_OK, &kImageC},
        {"after, passing over an image within the limits", LocalTime(2024, 3, 30, 9, 0, 0), 1, -20.0f, 100.0f, S_OK,
         &kImageB},
        {"after the newest", TimeOf(kImageC) + second, 1, kNone[0], kNone[1], S_FALSE, nullptr},
        {"before the oldest", TimeOf(kImageA) - second, 0, kNone[0], kNone[1], S_FALSE, nullptr},
    };
    for (const Case& c : cases) {
        std::int32_t ftHasH = 77;
        std::int32_t ftHasL = 77;
        float fMinHas = 7.5f;
        float fMaxHas = 7.5f;
        EXPECT_EQ(m_pHistory->FindHistory(0, 0, High(c.ftNeed), Low(c.ftNeed), c.bAfter, c.fMinLimit, c.fMaxLimit,
                                          &ftHasH, &ftHasL, &fMinHas, &fMaxHas),
                  c.expected)
            << c.szName << "\n" << m_pBus->ServerLog();
        if (c.pFound == nullptr)
            continue;
        const FILETIME64 expected = TimeOf(*c.pFound);
        EXPECT_EQ(ftHasH, High(expected)) << c.szName;
        EXPECT_EQ(ftHasL, Low(expected)) << c.szName;
        EXPECT_FLOAT_EQ(fMinHas, static_cast<float>(c.pFound->nLowest) / 10.0f) << c.szName;
        EXPECT_FLOAT_EQ(fMaxHas, static_cast<float>(c.pFound->nHighest) / 10.0f) << c.szName;
    }
}

TEST_F(AServerWithAHistoryFolder, FillsTheHistoryRegionWithTheFirstImageAtOrAfterTheTime)
{
    std::string strName;
    std::int32_t nSize = 0;
    ASSERT_EQ(m_pHistory->GetSharedName4History(&strName, &nSize), S_OK);
    CHistoryRegionReader reader;
    ASSERT_EQ(reader.Open(strName, nSize), eRegionStatus_Ok) << reader.ErrorString();

    // Half past one in winter time on the day of the change; the image is at noon in summer time.
    const FILETIME64 ftNeed = LocalTime(2024, 3, 31, 1, 30, 0);
    std::int32_t ftHasH = 0;
    std::int32_t ftHasL = 0;
    ASSERT_EQ(m_pHistory->FillHistoryData(0, 0, High(ftNeed), Low(ftNeed), &ftHasH, &ftHasL), S_OK)
        << m_pBus->ServerLog();
    EXPECT_EQ(ftHasH, High(TimeOf(kImageB)));
    EXPECT_EQ(ftHasL, Low(TimeOf(kImageB)));

    HistoryRegionInfo info;
    std::vector<float> vTemperatures;
    ASSERT_EQ(reader.CopyImage(info, vTemperatures), eRegionStatus_Ok);
    EXPECT_EQ(info.nTankIndex, 0);
    EXPECT_EQ(info.nPlaneIndex, 0);
    EXPECT_EQ(info.Time(), TimeOf(kImageB));
    const float fLowest = static_cast<float>(kImageB.nLowest * 0.1);
    const float fHighest = static_cast<float>(kImageB.nHighest * 0.1);
    EXPECT_EQ(info.fMinTemperature, fLowest);
    EXPECT_EQ(info.fMaxTemperature, fHighest);
    EXPECT_EQ(info.nTermogrammCount4DX, kWidth);
    EXPECT_EQ(info.nTermogrammCount4DY, kHeight);
    EXPECT_EQ(info.nCellCount, kCells);
    ASSERT_EQ(vTemperatures.size(), static_cast<std::size_t>(kCells));
    const float fStep = (fHighest - fLowest) / 254.0f;
    for (std::int32_t i = 0; i < kCells; ++i) {
        const std::uint8_t b = CellByte(i);
        const float t = vTemperatures[static_cast<std::size_t>(i)];
        if (b == 0)
            EXPECT_EQ(t, kInvalidTemperature) << i;
        else if (b == 1)
            EXPECT_EQ(t, fLowest) << i;
        else if (b == 255)
            EXPECT_FLOAT_EQ(t, fHighest) << i;
        else
            EXPECT_NEAR(t, fLowest + static_cast<float>(b - 1) * fStep, 1e-3f) << i << " byte " << int{b};
    }

    // Nothing at or after a time past the newest image; the region keeps the image it holds.
    const FILETIME64 ftLate = TimeOf(kImageC) + kFileTimeTicksPerSecond;
    EXPECT_EQ(m_pHistory->FillHistoryData(0, 0, High(ftLate), Low(ftLate), &ftHasH, &ftHasL), S_FALSE);
    ASSERT_EQ(reader.ReadHeader(info), eRegionStatus_Ok);
    EXPECT_EQ(info.Time(), TimeOf(kImageB));
}

} // namespace
