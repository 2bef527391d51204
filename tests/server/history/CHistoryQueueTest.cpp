// The history saving queue: quantising, the queue bound, the record pool, the SAVE loop and the states.
#include "CHistoryQueue.h"
#include "HistoryTestSupport.h"
#include "LogCapture.h"
#include "TimeSource.h"
#include "WaitUntil.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

namespace {

constexpr FILETIME64 kSecond = kFileTimeTicksPerSecond;

std::vector<std::string> StoredNames(const std::string& root)
{
    std::vector<std::string> names;
    if (!std::filesystem::exists(root))
        return names;
    for (const auto& month : std::filesystem::directory_iterator(root))
        for (const auto& file : std::filesystem::directory_iterator(month.path()))
            names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class AHistoryQueue : public ::testing::Test {
protected:
    AHistoryQueue()
    {
        m_clock = std::make_shared<ManualTimeSource>(1000, LocalTime(2024, 3, 7, 9, 5, 2));
        m_scope = std::make_unique<ScopedTimeSource>(m_clock);
        m_queue.Configure(m_strRoot, 6);
        m_queue.ResetTimes(m_clock->SystemFileTime());
    }

    // A plane of 2 lines of 4 points holding the values, the rest invalid.
    static std::unique_ptr<CPlaneInfo> Plane(const std::vector<float>& values)
    {
        auto plane = std::make_unique<CPlaneInfo>(137, 40, 2, 4, false);
        std::copy(values.begin(), values.end(), plane->m_vImage.begin());
        return plane;
    }

    // Offers the plane, writes it, and answers the stored name and cells.
    std::pair<std::string, std::string> Store(const std::vector<float>& values)
    {
        const auto plane = Plane(values);
        {
            std::lock_guard<std::mutex> guard(plane->m_mutex);
            m_queue.AddData(2, *plane);
        }
        EXPECT_TRUE(m_queue.SavePending());
        const auto names = StoredNames(m_strRoot);
        EXPECT_EQ(names.size(), 1U);
        if (names.empty())
            return {};
        const std::string bytes = ReadWholeFile(m_strRoot + "2024_03/" + names.front());
        std::filesystem::remove_all(m_strRoot + "2024_03");
        return {names.front(), bytes.substr(kImageHeaderSize)};
    }

    ScopedTimeZone m_zone;
    TempDir m_dir;
    std::string m_strRoot = m_dir.Path() + "/PostPlay/";
    std::shared_ptr<ManualTimeSource> m_clock;
    std::unique_ptr<ScopedTimeSource> m_scope;
    CHistoryQueue m_queue;
};

} // namespace

TEST_F(AHistoryQueue, QuantisesCellsBetweenTheLowestAndHighestValidValue)
{
    struct Case {
        std::vector<float> values;
        const char* name;
        std::string cells;
    };
    const Case cases[] = {
        {{20.0f}, "Plane03_d07___hms09_05_02__t200_200.prlimg", std::string("\x01\0\0\0\0\0\0\0", 8)},
        {{7.5f, 7.5f, 7.5f}, "Plane03_d07___hms09_05_02__t75_75.prlimg", std::string("\x01\x01\x01\0\0\0\0\0", 8)},
        // 5.0 gives 127.5 + 0.499, so B = 127 and the byte 128.
        {{0.0f, 5.0f, 10.0f}, "Plane03_d07___hms09_05_02__t0_100.prlimg", std::string("\x01\x80\xFF\0\0\0\0\0", 8)},
        {{-3.5f, 12.0f, -299.5f, -300.0f}, "Plane03_d07___hms09_05_02__t-34_120.prlimg",
         std::string("\x01\xFF\0\0\0\0\0\0", 8)},
        // -299.0 itself is valid here ("not below -299.0").
        {{-299.0f, 1.0f}, "Plane03_d07___hms09_05_02__t-2989_10.prlimg", std::string("\x01\xFF\0\0\0\0\0\0", 8)},
        // Not temperatures: NaN and infinity count as invalid.
        {{std::numeric_limits<float>::quiet_NaN(), 1.0f, std::numeric_limits<float>::infinity(), 2.0f}, "Plane03_d07___hms09_05_02__t10_20.prlimg",
         std::string("\0\x01\0\xFF\0\0\0\0", 8)},
    };
    for (const Case& c : cases) {
        const auto [name, cells] = Store(c.values);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(cells, c.cells) << c.name;
    }
}

TEST_F(AHistoryQueue, SkipsAnImageWithoutValidCells)
{
    LogCapture log;
    const auto plane = Plane({});
    m_clock->Advance(5000);
    m_queue.AddData(4, *plane);
    EXPECT_EQ(m_queue.PendingCount(), 0);
    EXPECT_EQ(m_queue.LastData(), m_clock->SystemFileTime());
    EXPECT_TRUE(log.Contains("CTermoSensor4Quorax::AddData4SaveLocal : Skip image for plane[4] -- no real data (all "
                             "temperature values are invalid) !!!"));
}

TEST_F(AHistoryQueue, HoldsAtMostThreeImagesPerPlaneAndOne)
{
    LogCapture log;
    const auto plane = Plane({1.0f});
    for (int i = 0; i < 19; ++i)
        m_queue.AddData(0, *plane);
    EXPECT_EQ(m_queue.PendingCount(), 19);
    EXPECT_FALSE(log.Contains("to many images"));
    m_queue.AddData(5, *plane);
    EXPECT_EQ(m_queue.PendingCount(), 19);
    EXPECT_TRUE(log.Contains(
        "CTermoSensor4Quorax::AddData4SaveLocal : Skip image for plane[5] -- to many images (19) not saved yet !!!"));

    // Written records return to the pool and are reused by later offers.
    while (m_queue.SavePending()) {
    }
    EXPECT_EQ(m_queue.PoolCount(), 19);
    m_queue.AddData(0, *plane);
    EXPECT_EQ(m_queue.PoolCount(), 18);
}

TEST_F(AHistoryQueue, WithoutARootOnlyNotesTheOffers)
{
    CHistoryQueue queue;
    queue.Configure("", 6);
    queue.ResetTimes(m_clock->SystemFileTime());
    const auto plane = Plane({1.0f});
    m_clock->Advance(40'000);
    queue.AddData(0, *plane);
    EXPECT_EQ(queue.PendingCount(), 0);
    std::atomic<bool> stop{false};
    queue.SaveLoop(stop, stop);
    // Data arrive but nothing is saved: "no file" once thirty seconds have passed.
    EXPECT_EQ(queue.GetHistoryState(true), eHistoryState_NoFile);
}

TEST_F(AHistoryQueue, ReportsItsStateFromTheLastOfferAndTheLastSave)
{
    const auto plane = Plane({1.0f});
    EXPECT_EQ(m_queue.GetHistoryState(false), eHistoryState_Init);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_Running);
    m_clock->Advance(29'999);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_Running);

    m_queue.AddData(0, *plane);
    ASSERT_TRUE(m_queue.SavePending());
    const FILETIME64 saved = m_queue.LastSave();
    EXPECT_EQ(saved, m_clock->SystemFileTime());

    // From now on every write fails: the root is a file.
    std::filesystem::remove_all(m_strRoot);
    m_dir.Write("PostPlay", "a file");
    m_clock->Advance(20'000);
    m_queue.AddData(0, *plane);
    ASSERT_TRUE(m_queue.SavePending());
    EXPECT_EQ(m_queue.LastSave(), saved);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_Running);
    m_clock->Advance(10'000);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_NoFile);
    m_clock->Advance(20'000);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_NoData);
    EXPECT_EQ(m_queue.GetHistoryState(false), eHistoryState_Init);

    // A last save in the future counts as recent.
    m_queue.ResetTimes(m_clock->SystemFileTime() + 3600 * kSecond);
    EXPECT_EQ(m_queue.GetHistoryState(true), eHistoryState_Running);
}

TEST(TheSaveLoop, WritesOfferedImagesUntilCancelled)
{
    ScopedTimeZone zone;
    TempDir dir;
    ScopedTimeSource clock(std::make_shared<ScaledTimeSource>(20.0, 1000, LocalTime(2024, 3, 7, 9, 5, 2)));
    const std::string root = dir.Path() + "/";
    CHistoryQueue queue;
    queue.Configure(root, 12);
    queue.ResetTimes(TimeSource().SystemFileTime());
    std::atomic<bool> stop{false};
    std::atomic<bool> cancel{false};
    std::thread save([&] { queue.SaveLoop(stop, cancel); });

    std::vector<std::unique_ptr<CPlaneInfo>> planes;
    for (int i = 0; i < 12; ++i) {
        planes.push_back(std::make_unique<CPlaneInfo>(137, 40, 3, 8, false));
        std::fill(planes.back()->m_vImage.begin(), planes.back()->m_vImage.end(), 10.0f + static_cast<float>(i));
    }
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 12; ++i) {
            std::lock_guard<std::mutex> guard(planes[static_cast<std::size_t>(i)]->m_mutex);
            queue.AddData(i, *planes[static_cast<std::size_t>(i)]);
        }
    EXPECT_TRUE(WaitUntil([&] { return queue.PendingCount() == 0 && queue.PoolCount() >= 12; }));
    cancel = true;
    save.join();

    const auto names = StoredNames(root);
    EXPECT_GE(names.size(), 12U);
    for (const auto& name : names)
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    EXPECT_LE(queue.PoolCount(), 36);
    EXPECT_NE(queue.GetHistoryState(true), eHistoryState_NoData);
}
