// The history search, by listing and through its index: nearest images in both directions across month
// folders and a daylight-saving change, the limits of FindHistory against GetErrorInterval, loading.
#include "CHistorySearch.h"
#include "HistoryTestSupport.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

namespace {

constexpr FILETIME64 kSecond = kFileTimeTicksPerSecond;

class AHistorySearch : public ::testing::TestWithParam<CHistorySearch::eMode> {
protected:
    AHistorySearch() : m_search(m_dir.Path() + "/", GetParam()) {}

    // Plane index 0 unless told; answers the found time or 0.
    FILETIME64 Find(FILETIME64 ft, bool after, float lower = 300.0f, float upper = -300.0f, int g = 0)
    {
        FILETIME64 has = 0;
        float lowest = 0;
        float highest = 0;
        return m_search.FindHistory(g, ft, after, lower, upper, has, lowest, highest) ? has : 0;
    }
    std::pair<FILETIME64, FILETIME64> Interval(FILETIME64 ft, bool after, float lower, float upper)
    {
        FILETIME64 from = 0;
        FILETIME64 to = 0;
        if (!m_search.GetErrorInterval(0, ft, after, lower, upper, from, to))
            return {0, 0};
        return {from, to};
    }

    ScopedTimeZone m_zone;
    TempDir m_dir;
    CHistorySearch m_search;
};

} // namespace

TEST_P(AHistorySearch, FindsTheNearestImageAtOrBeyondTheTimeInEitherDirection)
{
    for (int second : {0, 5, 10})
        StoreImage(m_dir, "2024_03", 1, 7, 10, 0, second, 100, 200);
    StoreImage(m_dir, "2024_03", 2, 7, 10, 0, 6, 100, 200);  // another plane
    const auto at = [](int second) { return LocalTime(2024, 3, 7, 10, 0, second); };

    EXPECT_EQ(Find(at(5), true), at(5));
    EXPECT_EQ(Find(at(5) + kSecond / 2, true), at(5));  // whole seconds: the same second matches
    EXPECT_EQ(Find(at(6), true), at(10));
    EXPECT_EQ(Find(at(6), false), at(5));
    EXPECT_EQ(Find(at(5), false), at(5));
    EXPECT_EQ(Find(at(11), true), 0U);
    EXPECT_EQ(Find(at(0) - kSecond, false), 0U);
    EXPECT_EQ(Find(at(0), true, 300.0f, -300.0f, 1), LocalTime(2024, 3, 7, 10, 0, 6));

    StoreImage(m_dir, "2024_05", 1, 2, 8, 0, 0, 100, 200);
    EXPECT_EQ(Find(at(11), true), LocalTime(2024, 5, 2, 8, 0, 0));

    FILETIME64 has = 0;
    float lowest = 0;
    float highest = 0;
    ASSERT_TRUE(m_search.FindHistory(0, at(1), true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_FLOAT_EQ(lowest, 10.0f);
    EXPECT_FLOAT_EQ(highest, 20.0f);
}

TEST_P(AHistorySearch, WalksMonthFoldersInNameOrderAndIgnoresOtherEntries)
{
    StoreImage(m_dir, "2024_01", 1, 31, 23, 0, 0, 0, 0);
    StoreImage(m_dir, "2024_01", 1, 3, 1, 0, 0, 0, 0);
    m_dir.Write("2024_02/Plane02_d01___hms00_00_00__t0_0.prlimg", "");  // February has no file of plane 1
    StoreImage(m_dir, "2024_03", 1, 4, 2, 0, 0, 0, 0);
    StoreImage(m_dir, "2024_03", 1, 1, 6, 0, 0, 0, 0);
    m_dir.Write("2024_04", "a file, not a folder");
    m_dir.Write("notes/Plane01_d01___hms00_00_00__t0_0.prlimg", "");
    m_dir.Write("2024_03/Plane01_d01___hms00_00_00__t0.prlimg", "");  // six fields only
    m_dir.Write("2024_03/.Plane01_d01___hms00_00_00__t0_0.prlimg.tmp", "");

    // Late in January with no later image that month: the oldest of the next folder that has one.
    EXPECT_EQ(Find(LocalTime(2024, 1, 31, 23, 30, 0), true), LocalTime(2024, 3, 1, 6, 0, 0));
    EXPECT_EQ(Find(LocalTime(2024, 3, 1, 5, 0, 0), false), LocalTime(2024, 1, 31, 23, 0, 0));
    EXPECT_EQ(Find(LocalTime(2024, 4, 20, 0, 0, 0), false), LocalTime(2024, 3, 4, 2, 0, 0));
    EXPECT_EQ(Find(LocalTime(2023, 12, 1, 0, 0, 0), true), LocalTime(2024, 1, 3, 1, 0, 0));

    const FILETIME64 march = LocalTime(2024, 3, 2, 0, 0, 0);
    EXPECT_EQ(m_search.ListMonthFolders(march, true), std::vector<std::string>{"2024_03"});
    EXPECT_EQ(m_search.ListMonthFolders(march, false), (std::vector<std::string>{"2024_03", "2024_02", "2024_01"}));
    EXPECT_EQ(m_search.ListPlaneFiles("2024_03", march, true, 0),
              std::vector<std::string>{"Plane01_d04___hms02_00_00__t0_0.prlimg"});
    EXPECT_EQ(m_search.ListPlaneFiles("2024_01", march, false, 0),
              (std::vector<std::string>{"Plane01_d31___hms23_00_00__t0_0.prlimg", "Plane01_d03___hms01_00_00__t0_0.prlimg"}));
}

TEST_P(AHistorySearch, AnswersUtcTimesAcrossADaylightSavingChange)
{
    // Berlin, 31 March 2024: 01:59 CET is followed one minute later by 03:00 CEST.
    StoreImage(m_dir, "2024_03", 1, 31, 1, 59, 0, 0, 0);
    StoreImage(m_dir, "2024_03", 1, 31, 3, 0, 0, 0, 0);
    const FILETIME64 first = LocalTime(2024, 3, 31, 1, 59, 0);
    EXPECT_EQ(Find(first + 30 * kSecond, true), first + 60 * kSecond);
    EXPECT_EQ(Find(first + 59 * kSecond, false), first);
    EXPECT_EQ(Interval(first, true, 5.0f, 6.0f), (std::pair(first, first + 60 * kSecond)));
}

TEST_P(AHistorySearch, TakesALimitAtEqualityWhileTheIntervalDoesNot)
{
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 500, 600);
    const FILETIME64 at = LocalTime(2024, 3, 7, 9, 0, 0);
    EXPECT_EQ(Find(at, true, 50.0f, 80.0f), LocalTime(2024, 3, 7, 10, 0, 0));
    EXPECT_EQ(Interval(at, true, 50.0f, 80.0f), (std::pair<FILETIME64, FILETIME64>(0, 0)));
    // Strictly within the limits: passed over by FindHistory.
    EXPECT_EQ(Find(at, true, 49.9f, 80.0f), 0U);
    EXPECT_EQ(Find(at, true, 49.9f, 60.0f), LocalTime(2024, 3, 7, 10, 0, 0));
    EXPECT_EQ(Interval(at, true, 50.1f, 80.0f).first, LocalTime(2024, 3, 7, 10, 0, 0));
    EXPECT_EQ(Interval(at, true, 50.0f, 59.9f).first, LocalTime(2024, 3, 7, 10, 0, 0));
}

TEST_P(AHistorySearch, FindsTheFirstRunOfImagesOutsideTheLimits)
{
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 200, 300);
    StoreImage(m_dir, "2024_03", 1, 7, 10, 1, 0, 100, 300);
    m_dir.Write("2024_03/Plane01_d07___hms10_01_30__t5.prlimg", "");  // does not parse: no end of the run
    StoreImage(m_dir, "2024_03", 1, 7, 10, 2, 0, 200, 900);
    StoreImage(m_dir, "2024_03", 1, 7, 10, 3, 0, 200, 300);
    const auto at = [](int minute) { return LocalTime(2024, 3, 7, 10, minute, 0); };

    EXPECT_EQ(Interval(at(0), true, 15.0f, 50.0f), (std::pair(at(1), at(2))));
    EXPECT_EQ(Interval(at(3), false, 15.0f, 50.0f), (std::pair(at(1), at(2))));
    EXPECT_EQ(Interval(at(3), true, 15.0f, 50.0f), (std::pair<FILETIME64, FILETIME64>(0, 0)));

    // A run that reaches the newest image ends there.
    StoreImage(m_dir, "2024_04", 1, 1, 0, 0, 0, 0, 999);
    StoreImage(m_dir, "2024_04", 1, 1, 0, 1, 0, 0, 999);
    EXPECT_EQ(Interval(at(3), true, 15.0f, 50.0f),
              (std::pair(LocalTime(2024, 4, 1, 0, 0, 0), LocalTime(2024, 4, 1, 0, 1, 0))));
}

TEST_P(AHistorySearch, LoadsTheFirstImageAtOrAfterTheTime)
{
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 125, 625);
    StoreImage(m_dir, "2024_03", 1, 7, 10, 1, 0, -34, 120);
    HistoryImage image;
    ASSERT_TRUE(m_search.FillHistoryData(0, LocalTime(2024, 3, 7, 10, 0, 30), image));
    EXPECT_EQ(image.ftTime, LocalTime(2024, 3, 7, 10, 1, 0));
    EXPECT_EQ(image.nPlaneNumber, 1);
    EXPECT_EQ(image.nLowest, -34);
    EXPECT_EQ(image.nHighest, 120);
    EXPECT_EQ(image.nWidth, 4);
    EXPECT_EQ(image.nHeight, 2);
    EXPECT_EQ(image.nDataSize, 8);
    EXPECT_EQ(image.vCells, (std::vector<std::uint8_t>{0, 1, 128, 255, 1, 1, 1, 1}));

    HistoryImage none;
    EXPECT_FALSE(m_search.FillHistoryData(0, LocalTime(2024, 3, 7, 10, 1, 1), none));
    EXPECT_FALSE(m_search.FillHistoryData(3, LocalTime(2024, 3, 7, 9, 0, 0), none));

    // A file that cannot be read is not replaced by the next one.
    LogCapture log;
    m_dir.Write("2024_03/Plane01_d07___hms09_00_00__t0_0.prlimg", ImageFileBytes(4, 2, 800, {}));
    EXPECT_FALSE(m_search.FillHistoryData(0, LocalTime(2024, 3, 7, 8, 0, 0), none));
    EXPECT_TRUE(none.vCells.empty());
    EXPECT_TRUE(log.Contains("Can't read image data from image file !!!"));
}

TEST_P(AHistorySearch, FindsNothingWithoutARootOrForAnInvalidPlane)
{
    CHistorySearch missing(m_dir.Path() + "/missing/", GetParam());
    CHistorySearch none("", GetParam());
    StoreImage(m_dir, "2024_03", 1, 7, 10, 0, 0, 0, 0);
    FILETIME64 has = 0;
    float lowest = 0;
    float highest = 0;
    const FILETIME64 at = LocalTime(2024, 3, 1, 0, 0, 0);
    EXPECT_FALSE(missing.FindHistory(0, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_FALSE(none.FindHistory(0, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_FALSE(m_search.FindHistory(-1, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_TRUE(m_search.FindHistory(0, at, true, 300.0f, -300.0f, has, lowest, highest));
}

INSTANTIATE_TEST_SUITE_P(ListingAndIndex, AHistorySearch,
                         ::testing::Values(CHistorySearch::eListing, CHistorySearch::eIndexed),
                         [](const ::testing::TestParamInfo<CHistorySearch::eMode>& param) {
                             return param.param == CHistorySearch::eListing ? "Listing" : "Index";
                         });
