#include "CBrokerRegions.h"
#include "CHistoryRegionReader.h"
#include "CLiveRegionReader.h"
#include "LogCapture.h"
#include "RegionTestSupport.h"
#include "TimeSource.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

struct PlanCase {
    std::vector<std::int64_t> cells;
    std::vector<std::int64_t> starts;
    std::vector<std::int64_t> sizes;
    std::int64_t live;
    std::int64_t history;
};

TEST(ARegionPlan, PlacesRecordsFrom136AndSizesBothRegions)
{
    const PlanCase cases[] = {
        {{}, {}, {}, 4096, 1'000'076},
        {{1000, 500}, {136, 4184}, {4048, 2048}, 8192, 1'000'076},
        {{300'000}, {136}, {1'200'048}, 1'204'224, 1'200'076},
        {{0, 0}, {136, 184}, {48, 48}, 4096, 1'000'076},
        {{1003}, {136}, {4060}, 8192, 1'000'076},
    };
    for (const PlanCase& c : cases) {
        std::vector<LiveRecordLayout> planes;
        for (const std::int64_t cells : c.cells) {
            LiveRecordLayout plane;
            plane.nTermogrammCount4DX = static_cast<std::int32_t>(cells);
            plane.nTermogrammCount4DY = 1;
            planes.push_back(plane);
        }
        const RegionPlan plan = PlanRegions(planes);
        ASSERT_EQ(plan.vRecords.size(), c.cells.size());
        for (std::size_t k = 0; k < c.cells.size(); ++k) {
            EXPECT_EQ(plan.vRecords[k].nRecordStart, c.starts[k]);
            EXPECT_EQ(plan.vRecords[k].nRecordSize, c.sizes[k]);
        }
        EXPECT_EQ(plan.nLiveSize, c.live);
        EXPECT_EQ(plan.nHistorySize, c.history);
    }
}

class TheBrokerRegions : public ::testing::Test {
protected:
    std::shared_ptr<ManualTimeSource> m_clock = std::make_shared<ManualTimeSource>(7000);
    ScopedTimeSource m_scope{m_clock};
    ScopedRegionSuffix m_suffix;
    LogCapture m_log;
};

std::uint32_t U32(const std::byte* region, std::size_t offset) { return LoadU32(region + offset); }

void ExpectVersion(const std::byte* field, const char* text)
{
    const std::string_view expected(text);
    for (std::size_t i = 0; i < 32; ++i) {
        const char c = i < expected.size() ? expected[i] : '\0';
        EXPECT_EQ(static_cast<char>(field[i]), c) << "byte " << i << " of " << text;
    }
}

TEST_F(TheBrokerRegions, LayOutBothRegionsFieldByFieldForPlanesOfThousandAndFiveHundredCells)
{
    LayoutSensor sensor({{25, 40}, {25, 20}});
    CBrokerRegions regions;
    ASSERT_EQ(regions.InitSharedInfo(&sensor), S_OK);
    EXPECT_EQ(m_log.Messages().back(), "CPyrolanBroker::InitSharedInfo OK\n");
    EXPECT_EQ(regions.LiveSize(), 8192);
    EXPECT_EQ(regions.HistorySize(), 1'000'076);

    CLiveRegionReader live;
    ASSERT_EQ(live.Open(LiveRegionName(), regions.LiveSize()), eRegionStatus_Ok) << live.ErrorString();
    ASSERT_EQ(live.MappedSize(), 8192U);
    const std::byte* region = regions.LiveView();
    EXPECT_EQ(U32(region, 0), 7000U) << "tick at creation";
    ExpectVersion(region + 4, "PRLNSharedRegion_Version_2.0");
    EXPECT_EQ(std::to_integer<int>(region[36]), 2);
    EXPECT_EQ(U32(region, 37), 136U);
    EXPECT_EQ(U32(region, 41), 4184U);
    for (std::size_t k = 2; k < 24; ++k)
        EXPECT_EQ(U32(region, 37 + 4 * k), 0U) << k;

    struct Expected {
        std::uint32_t start;
        std::int32_t size, plane, dx, dy, count4dx, count4dy, cells;
    };
    for (const Expected e : {Expected{136, 4048, 0, 137, 40, 40, 25, 1000}, Expected{4184, 2048, 1, 40, 24, 20, 25, 500}}) {
        const std::byte* record = region + e.start;
        EXPECT_EQ(LoadI32(record + 0), e.size);
        EXPECT_EQ(LoadI32(record + 4), 0);
        EXPECT_EQ(LoadI32(record + 8), e.plane);
        EXPECT_EQ(LoadI32(record + 12), 1);
        EXPECT_EQ(LoadI32(record + 16), e.size - 4);
        EXPECT_EQ(LoadI32(record + 20), e.dx);
        EXPECT_EQ(LoadI32(record + 24), e.dy);
        EXPECT_EQ(LoadI32(record + 28), e.count4dx);
        EXPECT_EQ(LoadI32(record + 32), e.count4dy);
        EXPECT_EQ(LoadI32(record + 36), e.cells);
        for (std::int32_t i = 0; i < e.cells; ++i)
            ASSERT_EQ(LoadF32(record + 40 + 4 * i), 0.0f);
        EXPECT_EQ(LoadI32(record + 40 + 4 * e.cells), 0) << "spare";
        EXPECT_EQ(LoadI32(record + e.size - 4), 1) << "tail";

        LiveRecordInfo info;
        ASSERT_EQ(live.ReadRecordInfo(e.plane, info), eRegionStatus_Ok);
        EXPECT_EQ(info.nOffset, e.start);
        EXPECT_EQ(info.nTailOffset, e.size - 4);
    }

    CHistoryRegionReader history;
    ASSERT_EQ(history.Open(HistoryRegionName(), regions.HistorySize()), eRegionStatus_Ok) << history.ErrorString();
    const std::byte* header = regions.HistoryView();
    ExpectVersion(header, "PRLNSharedHistory_Version_2.0");
    EXPECT_EQ(LoadI32(header + 32), 1'000'076);
    for (std::size_t offset = 36; offset < 72; offset += 4)
        EXPECT_EQ(U32(header, offset), 0U) << offset;
}

TEST_F(TheBrokerRegions, HoldOnlyTheHeaderWithoutPlanesAndPublishNothing)
{
    LayoutSensor sensor({});
    CBrokerRegions regions;
    ASSERT_EQ(regions.InitSharedInfo(&sensor), S_OK);
    EXPECT_EQ(regions.LiveSize(), 4096);
    EXPECT_EQ(regions.HistorySize(), 1'000'076);
    EXPECT_EQ(std::to_integer<int>(regions.LiveView()[36]), 0);
    m_clock->Advance(100);
    regions.PublishDirtyPlanes(sensor);
    EXPECT_EQ(U32(regions.LiveView(), 0), 7000U);
}

TEST_F(TheBrokerRegions, SizeTheHistoryRegionForTheLargestPlane)
{
    LayoutSensor sensor({{10, 10}, {300, 1000}});
    CBrokerRegions regions;
    ASSERT_EQ(regions.InitSharedInfo(&sensor), S_OK);
    EXPECT_EQ(regions.HistorySize(), 1'200'076);
}

TEST_F(TheBrokerRegions, PublishOnlyDirtyPlanesBetweenHeadAndTailAndRenewTheTick)
{
    LayoutSensor sensor({{2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {1, 4}});
    CBrokerRegions regions;
    ASSERT_EQ(regions.InitSharedInfo(&sensor), S_OK);
    sensor.Fill(6, 21.5f);
    m_clock->Advance(250);
    regions.PublishDirtyPlanes(sensor);

    CLiveRegionReader live;
    ASSERT_EQ(live.Open(LiveRegionName()), eRegionStatus_Ok);
    EXPECT_EQ(live.TickCount(), 7250U);
    EXPECT_FALSE(sensor.IsDirty(6));
    std::vector<float> cells;
    std::int32_t counter = 0;
    ASSERT_EQ(live.CopyTemperatures(6, cells, 10, &counter), eRegionStatus_Ok);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(cells, std::vector<float>(4, 21.5f));
    LiveRecordInfo info;
    ASSERT_EQ(live.ReadRecordInfo(6, info), eRegionStatus_Ok);
    EXPECT_EQ(info.nTankIndex, 1);
    EXPECT_EQ(info.nPlaneIndex, 0);
    EXPECT_EQ(LoadI32(regions.LiveView() + info.nOffset + 12), 2);
    EXPECT_EQ(LoadI32(regions.LiveView() + info.nOffset + info.nTailOffset), 2);

    ASSERT_EQ(live.CopyTemperatures(0, cells, 10, &counter), eRegionStatus_Ok);
    EXPECT_EQ(counter, 1) << "a clean plane is left alone";
    EXPECT_EQ(cells, std::vector<float>(6, 0.0f));

    m_clock->Advance(100);
    regions.PublishDirtyPlanes(sensor);
    EXPECT_EQ(live.TickCount(), 7250U) << "nothing changed, nothing published";
}

TEST_F(TheBrokerRegions, AreReadableByEveryoneWritableByTheOwnerAndRemovedOnClose)
{
    LayoutSensor sensor({{1, 1}});
    const mode_t previous = ::umask(077);
    CBrokerRegions regions;
    const HRESULT hr = regions.InitSharedInfo(&sensor);
    ::umask(previous);
    ASSERT_EQ(hr, S_OK);
    for (const std::string& name : {LiveRegionName(), HistoryRegionName()}) {
        struct stat status {};
        ASSERT_EQ(::stat(("/dev/shm/" + name).c_str(), &status), 0) << name;
        EXPECT_EQ(status.st_mode & 07777, 0644U) << name;
    }
    regions.CloseSharedInfo();
    EXPECT_EQ(m_log.Messages().back(), "CPyrolanBroker::CloseSharedInfo\n");
    EXPECT_EQ(regions.LiveSize(), 0);
    EXPECT_EQ(regions.HistorySize(), 0);
    for (const std::string& name : {LiveRegionName(), HistoryRegionName()}) {
        struct stat status {};
        EXPECT_NE(::stat(("/dev/shm/" + name).c_str(), &status), 0) << name;
    }
}

TEST_F(TheBrokerRegions, ReplaceAStaleRegionWithoutCuttingShortItsReaders)
{
    LayoutSensor large({{100, 100}});
    LayoutSensor small({{1, 1}});
    auto stale = std::make_unique<CBrokerRegions>();
    ASSERT_EQ(stale->InitSharedInfo(&large), S_OK);
    CLiveRegionReader reader;
    ASSERT_EQ(reader.Open(LiveRegionName()), eRegionStatus_Ok);

    CBrokerRegions fresh;
    ASSERT_EQ(fresh.InitSharedInfo(&small), S_OK);
    EXPECT_EQ(fresh.LiveSize(), 4096);
    std::vector<float> cells;
    EXPECT_EQ(reader.CopyTemperatures(0, cells), eRegionStatus_Ok) << "the old reader keeps its whole region";
    EXPECT_EQ(cells.size(), 10'000U);
}

TEST_F(TheBrokerRegions, AnswerAccessDeniedWithoutSensor)
{
    CBrokerRegions regions;
    EXPECT_EQ(regions.InitSharedInfo(nullptr), E_ACCESSDENIED);
    EXPECT_EQ(m_log.Messages().back(), "CPyrolanBroker::InitSharedInfo ERROR #1 - NULL == m_pSensor !!!\n");
    EXPECT_EQ(regions.LiveSize(), 0);
}

TEST_F(TheBrokerRegions, LogTheFailingStepAndKeepBothSizesZero)
{
    LayoutSensor sensor({{1, 1}});
    {
        ScopedRegionSuffix slash("/no/such/folder");
        CBrokerRegions regions;
        EXPECT_EQ(regions.InitSharedInfo(&sensor), HResultFromErrno(EINVAL));
        EXPECT_EQ(m_log.Messages().back(),
                  "CPyrolanBroker::InitSharedInfo ERROR #2 - CreateFileMappingA(LIVE,size=4096) ERROR = 0x16/22.\n");
        EXPECT_EQ(regions.LiveSize(), 0);
        EXPECT_EQ(regions.HistorySize(), 0);
    }
    {
        // The LIVE name just fits a file name; the HISTORY name is one character longer.
        ScopedRegionSuffix longName(std::string(255 - sizeof(kLiveRegionBaseName) + 1, 'x'));
        CBrokerRegions regions;
        EXPECT_EQ(regions.InitSharedInfo(&sensor), HResultFromErrno(ENAMETOOLONG));
        EXPECT_EQ(m_log.Messages().back(),
                  "CPyrolanBroker::InitSharedInfo ERROR #4 - CreateFileMappingA(HISTORY,size=1000076) ERROR = 0x24/36.\n");
        EXPECT_EQ(regions.LiveSize(), 0);
        EXPECT_EQ(regions.HistorySize(), 0);
        EXPECT_NE(regions.LiveView(), nullptr) << "the LIVE region stays until CloseSharedInfo";
        regions.PublishDirtyPlanes(sensor);
        regions.CloseSharedInfo();
        EXPECT_EQ(regions.LiveView(), nullptr);
    }
}

class TheHistoryCopy : public TheBrokerRegions {
protected:
    void SetUp() override { ASSERT_EQ(m_regions.InitSharedInfo(&m_sensor), S_OK); }
    LayoutSensor m_sensor{{{2, 2}}};
    CBrokerRegions m_regions;
};

TEST_F(TheHistoryCopy, DecodesBytesBetweenTheLowestAndHighestTemperature)
{
    HistoryImage image;
    image.ftTime = MakeFileTime(0x01D9ABCD, 0x12345678);
    image.nWidth = 2;
    image.nHeight = 3;
    image.nDataSize = 6;
    image.nLowest = 125;
    image.nHighest = 625;
    image.vCells = {1, 255, 128, 0, 2, 254};
    ASSERT_EQ(m_regions.FillHistoryRegion(1, 4, image), S_OK);

    CHistoryRegionReader reader;
    ASSERT_EQ(reader.Open(HistoryRegionName(), m_regions.HistorySize()), eRegionStatus_Ok);
    HistoryRegionInfo info;
    std::vector<float> cells;
    ASSERT_EQ(reader.CopyImage(info, cells), eRegionStatus_Ok);
    EXPECT_EQ(info.strVersion, "PRLNSharedHistory_Version_2.0");
    EXPECT_EQ(info.nRegionSize, 1'000'076);
    EXPECT_EQ(info.nTankIndex, 1);
    EXPECT_EQ(info.nPlaneIndex, 4);
    EXPECT_EQ(info.ftHasH, 0x01D9ABCDU);
    EXPECT_EQ(info.ftHasL, 0x12345678U);
    EXPECT_EQ(info.fMinTemperature, 12.5f);
    EXPECT_EQ(info.fMaxTemperature, 62.5f);
    EXPECT_EQ(info.nTermogrammCount4DX, 2);
    EXPECT_EQ(info.nTermogrammCount4DY, 3);
    EXPECT_EQ(info.nCellCount, 6);
    const double step = static_cast<double>(62.5f - 12.5f) / 254.0;
    EXPECT_EQ(cells, (std::vector<float>{12.5f, 62.5f, 37.5f, -300.0f, static_cast<float>(step + 12.5f),
                                         static_cast<float>(253 * step + 12.5f)}));
}

TEST_F(TheHistoryCopy, RefusesAnImageLargerThanTheRegionAndLeavesTheRegionUnchanged)
{
    HistoryImage fits;
    fits.nWidth = 1000;
    fits.nHeight = 250;
    fits.nDataSize = 250'000;  // 76 + 4 x 250,000 = the region exactly
    fits.nLowest = 10;
    fits.nHighest = 20;
    fits.vCells.assign(250'000, 1);
    ASSERT_EQ(m_regions.FillHistoryRegion(0, 0, fits), S_OK);

    HistoryImage tooLarge = fits;
    tooLarge.nDataSize = 250'001;
    tooLarge.vCells.assign(250'001, 255);
    tooLarge.nLowest = 500;
    EXPECT_EQ(m_regions.FillHistoryRegion(1, 1, tooLarge), E_INVALIDARG);
    HistoryImage shortOfBytes = fits;
    shortOfBytes.vCells.resize(10);
    EXPECT_EQ(m_regions.FillHistoryRegion(1, 1, shortOfBytes), E_INVALIDARG);
    HistoryImage negative = fits;
    negative.nDataSize = -1;
    EXPECT_EQ(m_regions.FillHistoryRegion(1, 1, negative), E_INVALIDARG);

    const std::byte* header = m_regions.HistoryView();
    EXPECT_EQ(LoadI32(header + 36), 0);
    EXPECT_EQ(LoadF32(header + 52), 1.0f);
    EXPECT_EQ(LoadI32(header + 68), 250'000);
    EXPECT_EQ(LoadF32(header + 72 + 4 * 249'999), 1.0f);
}

TEST(TheBrokerRegionsWithoutRegions, AnswerAccessDeniedForAHistoryCopy)
{
    CBrokerRegions regions;
    HistoryImage image;
    EXPECT_EQ(regions.FillHistoryRegion(0, 0, image), E_ACCESSDENIED);
}

}  // namespace
