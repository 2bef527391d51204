#include "FileTime.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

TEST(FileTime, ConvertsBetweenUtcAndLocalTimeAcrossADaylightSavingChange)
{
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    // 2024-03-31 00:30 UTC is 01:30 CET; 01:30 UTC is 03:30 CEST.
    const FILETIME64 before = FileTimeFromUnixNanoseconds(1711845000LL * 1'000'000'000LL);
    const FILETIME64 after = before + 3600ULL * kFileTimeTicksPerSecond;
    CalendarTime local;
    ASSERT_TRUE(FileTimeToLocalCalendar(before, local));
    EXPECT_EQ(local.nHour, 1);
    EXPECT_EQ(local.nDay, 31);
    EXPECT_EQ(local.nDayOfWeek, 0);
    ASSERT_TRUE(FileTimeToLocalCalendar(after, local));
    EXPECT_EQ(local.nHour, 3);
    FILETIME64 back = 0;
    ASSERT_TRUE(LocalCalendarToFileTime(local, back));
    EXPECT_EQ(back, after);
}

TEST(FileTime, SplitsIntoHighAndLowHalvesAndKeepsMilliseconds)
{
    const FILETIME64 ft = 0x01DA1234ABCD5678ULL;
    EXPECT_EQ(MakeFileTime(FileTimeHigh(ft), FileTimeLow(ft)), ft);
    CalendarTime local;
    ASSERT_TRUE(FileTimeToLocalCalendar(FileTimeFromUnixNanoseconds(1'700'000'000'123'000'000LL), local));
    EXPECT_EQ(local.nMilliseconds, 123);
}

TEST(FileTime, RejectsImpossibleCalendarTimes)
{
    FILETIME64 ft = 0;
    EXPECT_FALSE(LocalCalendarToFileTime(CalendarTime{2024, 13, 0, 1, 0, 0, 0, 0}, ft));
    EXPECT_FALSE(LocalCalendarToFileTime(CalendarTime{2024, 1, 0, 1, 24, 0, 0, 0}, ft));
}

} // namespace
