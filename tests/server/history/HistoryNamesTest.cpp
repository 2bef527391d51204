// Names of month folders and image files: the stored format, scanf-style reading and the name order.
#include "HistoryNames.h"
#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

TEST(AHistoryName, IsWrittenInTheStoredFormat)
{
    EXPECT_EQ(FormatMonthFolder(2024, 3), "2024_03");
    EXPECT_EQ(FormatMonthFolder(2024, 12), "2024_12");
    EXPECT_EQ(FormatImageFileName({3, 7, 9, 5, 2, -11, 854}), "Plane03_d07___hms09_05_02__t-11_854.prlimg");
    EXPECT_EQ(FormatImageFileName({12, 31, 23, 59, 59, 0, 0}), "Plane12_d31___hms23_59_59__t0_0.prlimg");
    EXPECT_EQ(PlaneFilePrefix(1), "Plane01_d");
}

TEST(ATemperatureInTenths, AddsAlmostHalfAndCutsTowardZero)
{
    struct Case {
        double value;
        std::int32_t tenths;
    };
    for (const Case& c : {Case{-3.5, -34}, Case{12.0, 120}, Case{-1.25, -12}, Case{-1.2, -11}, Case{85.4, 854},
                          Case{20.0, 200}, Case{1e300, 2147483647}, Case{-1e300, -2147483647 - 1}})
        EXPECT_EQ(TemperatureTenths(c.value), c.tenths) << c.value;
}

TEST(AHistoryName, IsReadAsScanfReadsIt)
{
    struct Case {
        const char* name;
        bool parses;
        HistoryFileName fields;
    };
    const Case cases[] = {
        {"Plane03_d07___hms09_05_02__t-11_854.prlimg", true, {3, 7, 9, 5, 2, -11, 854}},
        {"Plane01_d7___hms1_2_3__t5_6", true, {1, 7, 1, 2, 3, 5, 6}},  // one digit fills a %02d
        {"Plane01_d07___hms09_05_02__t-11_854 copy.prlimg", true, {1, 7, 9, 5, 2, -11, 854}},
        {"Plane01_d07___hms09_05_02__t-11.prlimg", false, {}},
        {"Plane01_d07___hms09_05_02.prlimg", false, {}},
        {".Plane01_d07___hms09_05_02__t1_2.prlimg.tmp", false, {}},
        {"Plane01_d123___hms09_05_02__t1_2.prlimg", false, {}},  // the third digit is no '_'
    };
    for (const Case& c : cases) {
        HistoryFileName fields;
        ASSERT_EQ(ParseImageFileName(c.name, fields), c.parses) << c.name;
        if (c.parses) {
            EXPECT_EQ(fields.nPlane, c.fields.nPlane) << c.name;
            EXPECT_EQ(fields.nDay, c.fields.nDay) << c.name;
            EXPECT_EQ(fields.nHour, c.fields.nHour) << c.name;
            EXPECT_EQ(fields.nMinute, c.fields.nMinute) << c.name;
            EXPECT_EQ(fields.nSecond, c.fields.nSecond) << c.name;
            EXPECT_EQ(fields.nLowest, c.fields.nLowest) << c.name;
            EXPECT_EQ(fields.nHighest, c.fields.nHighest) << c.name;
        }
    }

    HistoryFolderName folder;
    EXPECT_TRUE(ParseMonthFolder("2024_03", folder));
    EXPECT_EQ(folder.nYear, 2024);
    EXPECT_EQ(folder.nMonth, 3);
    EXPECT_TRUE(ParseMonthFolder("2024_3", folder));
    EXPECT_EQ(folder.nMonth, 3);
    EXPECT_TRUE(ParseMonthFolder("2024_031", folder));
    EXPECT_EQ(folder.nMonth, 3);
    EXPECT_FALSE(ParseMonthFolder("..", folder));
    EXPECT_FALSE(ParseMonthFolder("x2024_03", folder));
    EXPECT_FALSE(ParseMonthFolder("2024-03", folder));
}

TEST(AHistoryName, MatchesItsPlanesPatternOnly)
{
    EXPECT_TRUE(MatchesPlanePattern("Plane01_d07___hms09_05_02__t1_2.prlimg", "Plane01_d"));
    EXPECT_TRUE(MatchesPlanePattern("Plane01_d.prlimg", "Plane01_d"));
    EXPECT_FALSE(MatchesPlanePattern("Plane01_d07___hms09_05_02__t1_2.prlimg", "Plane10_d"));
    EXPECT_FALSE(MatchesPlanePattern("Plane01_d07___hms09_05_02__t1_2.prlimg.tmp", "Plane01_d"));
    EXPECT_FALSE(MatchesPlanePattern("Plane01_dprlimg", "Plane01_d"));
}

TEST(NamesInTheListings, SortByUtf16CodeUnitsThenLength)
{
    EXPECT_LT(CompareNamesAsWide("Plane01_d07", "Plane01_d08"), 0);
    EXPECT_LT(CompareNamesAsWide("2024_03", "2024_03 old"), 0);
    EXPECT_EQ(CompareNamesAsWide("2024_03", "2024_03"), 0);
    // U+1F600 is the surrogate pair D83D DE00 and sorts before U+FF21, although its UTF-8 bytes are larger.
    EXPECT_LT(CompareNamesAsWide("x\xF0\x9F\x98\x80", "x\xEF\xBC\xA1"), 0);
    EXPECT_GT(CompareNamesAsWide("x\xEF\xBC\xA1", "x\xF0\x9F\x98\x80"), 0);
    EXPECT_LT(CompareNamesAsWide("x\xC3\xA9", "x\xEF\xBC\xA1"), 0);
    // Undecodable bytes keep the order strict.
    EXPECT_NE(CompareNamesAsWide("a\xFF", "a\xFE"), 0);
    EXPECT_EQ(CompareNamesAsWide("a\xFF", "a\xFE"), -CompareNamesAsWide("a\xFE", "a\xFF"));
}

TEST(AStoredImageTime, IsTheLocalTimeOfItsNamesInUtc)
{
    ScopedTimeZone zone;
    FILETIME64 before = 0;
    FILETIME64 after = 0;
    // Clocks in Berlin went from 02:00 to 03:00 on 31 March 2024.
    ASSERT_TRUE(HistoryImageTime({2024, 3}, {1, 31, 1, 59, 0, 0, 0}, before));
    ASSERT_TRUE(HistoryImageTime({2024, 3}, {1, 31, 3, 0, 0, 0, 0}, after));
    EXPECT_EQ(after - before, 60 * kFileTimeTicksPerSecond);
    CalendarTime local;
    ASSERT_TRUE(FileTimeToLocalCalendar(before, local));
    EXPECT_EQ(local.nHour, 1);

    FILETIME64 ignored = 0;
    EXPECT_FALSE(HistoryImageTime({2024, 2}, {1, 30, 10, 0, 0, 0, 0}, ignored));
    EXPECT_TRUE(HistoryImageTime({2024, 2}, {1, 29, 10, 0, 0, 0, 0}, ignored));
    EXPECT_FALSE(HistoryImageTime({2023, 2}, {1, 29, 10, 0, 0, 0, 0}, ignored));
    EXPECT_FALSE(HistoryImageTime({2024, 3}, {1, 7, 24, 0, 0, 0, 0}, ignored));
    EXPECT_FALSE(HistoryImageTime({2024, 13}, {1, 7, 10, 0, 0, 0, 0}, ignored));
    EXPECT_FALSE(HistoryImageTime({2024, 3}, {1, 0, 10, 0, 0, 0, 0}, ignored));
}
