#include "CHistoryRegionReader.h"
#include "CLiveRegionReader.h"
#include "SharedRegionLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace {

std::string UniqueName(const char* what) { return std::string("PyrolanReaderTest-") + what + "-" + std::to_string(::getpid()); }

// A LIVE region written by the test: one record of 2 x 3 cells at 136, which a case then spoils.
class ALiveRegionReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_region.Create(m_strName, 4096));
        m_p = m_region.Data();
        StoreVersion(m_p + 4, 32, kLiveRegionVersion);
        m_p[36] = std::byte{1};
        StoreU32(m_p + 37, 136);
        std::byte* record = m_p + 136;
        StoreI32(record + 0, 48 + 24);
        StoreI32(record + 12, 5);
        StoreI32(record + 16, 68);
        StoreI32(record + 28, 3);
        StoreI32(record + 32, 2);
        StoreI32(record + 36, 6);
        for (int i = 0; i < 6; ++i)
            StoreF32(record + 40 + 4 * i, 20.0f + i);
        StoreI32(record + 68, 5);
    }
    std::byte* Record() { return m_p + 136; }

    std::string m_strName = UniqueName("live");
    CSharedMemory m_region;
    std::byte* m_p = nullptr;
};

TEST_F(ALiveRegionReader, CopiesAConsistentRecord)
{
    CLiveRegionReader reader;
    ASSERT_EQ(reader.Open(m_strName, 4096), eRegionStatus_Ok);
    EXPECT_EQ(reader.Version(), "PRLNSharedRegion_Version_2.0");
    std::vector<float> cells;
    std::int32_t counter = 0;
    ASSERT_EQ(reader.CopyTemperatures(0, cells, 10, &counter), eRegionStatus_Ok);
    EXPECT_EQ(counter, 5);
    EXPECT_EQ(cells, (std::vector<float>{20, 21, 22, 23, 24, 25}));
}

TEST_F(ALiveRegionReader, KeepsTheLastOfTenCopiesWhenHeadAndTailNeverAgree)
{
    StoreI32(Record() + 12, 6);
    CLiveRegionReader reader;
    ASSERT_EQ(reader.Open(m_strName), eRegionStatus_Ok);
    std::vector<float> cells;
    EXPECT_EQ(reader.CopyTemperatures(0, cells), eRegionStatus_Torn);
    EXPECT_EQ(cells.size(), 6U);
    EXPECT_EQ(cells[5], 25.0f);
}

struct SpoiledCase {
    const char* what;
    std::function<void(std::byte* region)> spoil;
    int record;
    eRegionStatus expected;
};

TEST_F(ALiveRegionReader, AnswersAnErrorForEveryOffsetOrSizeThatDoesNotFitTheRegion)
{
    const SpoiledCase cases[] = {
        {"record beyond the count", [](std::byte*) {}, 1, eRegionStatus_NoSuchRecord},
        {"negative record", [](std::byte*) {}, -1, eRegionStatus_NoSuchRecord},
        {"record beyond the table", [](std::byte* p) { p[36] = std::byte{200}; }, 24, eRegionStatus_NoSuchRecord},
        {"offset beyond the region", [](std::byte* p) { StoreU32(p + 37, 0xFFFFFFF0U); }, 0, eRegionStatus_OutsideRegion},
        {"offset at the last bytes", [](std::byte* p) { StoreU32(p + 37, 4072); }, 0, eRegionStatus_OutsideRegion},
        {"misaligned offset", [](std::byte* p) { StoreU32(p + 37, 138); }, 0, eRegionStatus_OutsideRegion},
        {"offset inside the header", [](std::byte* p) { StoreU32(p + 37, 0); }, 0, eRegionStatus_OutsideRegion},
        {"cell count beyond the region",
         [](std::byte* p) {
             StoreI32(p + 136 + 36, 100'000);
             StoreI32(p + 136 + 28, 1000);
             StoreI32(p + 136 + 32, 100);
             StoreI32(p + 136 + 0, 400'048);
             StoreI32(p + 136 + 16, 400'044);
         },
         0, eRegionStatus_OutsideRegion},
        {"huge cell count",
         [](std::byte* p) {
             StoreI32(p + 136 + 36, 0x7FFFFFFF);
             StoreI32(p + 136 + 28, 0x7FFFFFFF);
             StoreI32(p + 136 + 32, 1);
         },
         0, eRegionStatus_Inconsistent},
        {"negative cell count", [](std::byte* p) { StoreI32(p + 136 + 36, -6); }, 0, eRegionStatus_Inconsistent},
        {"cells disagree with width x height", [](std::byte* p) { StoreI32(p + 136 + 28, 4); }, 0,
         eRegionStatus_Inconsistent},
        {"record size disagrees", [](std::byte* p) { StoreI32(p + 136 + 0, 4000); }, 0, eRegionStatus_Inconsistent},
        {"tail offset elsewhere", [](std::byte* p) { StoreI32(p + 136 + 16, 3000); }, 0, eRegionStatus_Inconsistent},
    };
    for (const SpoiledCase& c : cases) {
        m_region.Close();
        SetUp();
        c.spoil(m_p);
        CLiveRegionReader reader;
        ASSERT_EQ(reader.Open(m_strName), eRegionStatus_Ok);
        std::vector<float> cells{1.0f};
        EXPECT_EQ(reader.CopyTemperatures(c.record, cells), c.expected) << c.what;
        EXPECT_EQ(cells, std::vector<float>{1.0f}) << c.what << ": nothing copied";
        LiveRecordInfo info;
        EXPECT_EQ(reader.ReadRecordInfo(c.record, info), c.expected) << c.what;
    }
}

TEST_F(ALiveRegionReader, RefusesARegionSmallerThanAnnouncedOrThanItsHeader)
{
    CLiveRegionReader reader;
    EXPECT_EQ(reader.Open(m_strName, 8192), eRegionStatus_SmallerThanAnnounced);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.ErrorString(), "the region is smaller than its announced size (8192 bytes)");
    std::vector<float> cells;
    EXPECT_EQ(reader.CopyTemperatures(0, cells), eRegionStatus_NotOpen);
    EXPECT_EQ(reader.TickCount(), 0U);

    const std::string tiny = UniqueName("tiny");
    CSharedMemory small;
    ASSERT_TRUE(small.Create(tiny, 100));
    EXPECT_EQ(reader.Open(tiny), eRegionStatus_TooSmall);

    EXPECT_EQ(reader.Open(UniqueName("absent")), eRegionStatus_OpenFailed);
    EXPECT_NE(reader.ErrorString().find("No such file"), std::string::npos) << reader.ErrorString();
}

class AHistoryRegionReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_region.Create(m_strName, 4096));
        m_p = m_region.Data();
        StoreVersion(m_p, 32, kHistoryRegionVersion);
        StoreI32(m_p + 32, 4096);
        StoreI32(m_p + 60, 2);
        StoreI32(m_p + 64, 2);
        StoreI32(m_p + 68, 4);
        for (int i = 0; i < 4; ++i)
            StoreF32(m_p + 72 + 4 * i, 1.5f * i);
    }
    std::string m_strName = UniqueName("history");
    CSharedMemory m_region;
    std::byte* m_p = nullptr;
};

TEST_F(AHistoryRegionReader, CopiesTheImageOnlyWhenItsCountsFitTheRegion)
{
    CHistoryRegionReader reader;
    ASSERT_EQ(reader.Open(m_strName, 4096), eRegionStatus_Ok);
    HistoryRegionInfo info;
    std::vector<float> cells;
    ASSERT_EQ(reader.CopyImage(info, cells), eRegionStatus_Ok);
    EXPECT_EQ(info.strVersion, "PRLNSharedHistory_Version_2.0");
    EXPECT_EQ(cells, (std::vector<float>{0.0f, 1.5f, 3.0f, 4.5f}));

    struct Case {
        std::int32_t dx, dy, cells;
        eRegionStatus expected;
    };
    for (const Case c : {Case{1007, 1, 1007, eRegionStatus_OutsideRegion}, Case{1, 1008, 1008, eRegionStatus_OutsideRegion},
                         Case{2, 2, -4, eRegionStatus_Inconsistent}, Case{3, 2, 4, eRegionStatus_Inconsistent},
                         Case{65536, 65536, 0, eRegionStatus_Inconsistent},
                         Case{0x7FFFFFFF, 1, 0x7FFFFFFF, eRegionStatus_OutsideRegion}}) {
        StoreI32(m_p + 60, c.dx);
        StoreI32(m_p + 64, c.dy);
        StoreI32(m_p + 68, c.cells);
        std::vector<float> untouched{9.0f};
        EXPECT_EQ(reader.CopyImage(info, untouched), c.expected) << c.dx << "x" << c.dy << "=" << c.cells;
        EXPECT_EQ(untouched, std::vector<float>{9.0f});
    }
    StoreI32(m_p + 60, 1006);
    StoreI32(m_p + 64, 1);
    StoreI32(m_p + 68, 1006);
    EXPECT_EQ(reader.CopyImage(info, cells), eRegionStatus_Ok) << "72 + 4 x 1006 is the whole region";
}

TEST_F(AHistoryRegionReader, RefusesARegionSmallerThanAnnounced)
{
    CHistoryRegionReader reader;
    EXPECT_EQ(reader.Open(m_strName, 1'000'076), eRegionStatus_SmallerThanAnnounced);
    HistoryRegionInfo info;
    EXPECT_EQ(reader.ReadHeader(info), eRegionStatus_NotOpen);
}

}  // namespace
