// FILETIME values (100 ns since 1601-01-01 UTC) and their conversion to and from local calendar time.
#pragma once

#include <cstdint>

using FILETIME64 = std::uint64_t;

inline constexpr FILETIME64 kFileTimeTicksPerSecond = 10'000'000ULL;
// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kFileTimeEpochOffsetSeconds = 11'644'473'600LL;

// Calendar time split into its parts, as local time of the configured zone (TZ).
struct CalendarTime {
    int nYear = 0;
    int nMonth = 0;       // 1..12
    int nDayOfWeek = 0;   // 0 = Sunday
    int nDay = 0;         // 1..31
    int nHour = 0;
    int nMinute = 0;
    int nSecond = 0;
    int nMilliseconds = 0;
};

inline constexpr std::uint32_t FileTimeHigh(FILETIME64 ft) { return static_cast<std::uint32_t>(ft >> 32); }
inline constexpr std::uint32_t FileTimeLow(FILETIME64 ft) { return static_cast<std::uint32_t>(ft); }
inline constexpr FILETIME64 MakeFileTime(std::uint32_t high, std::uint32_t low)
{
    return (static_cast<FILETIME64>(high) << 32) | low;
}

FILETIME64 FileTimeFromUnixNanoseconds(std::int64_t nanoseconds);

// UTC FILETIME to local calendar time (localtime_r, honouring TZ). False when out of range.
bool FileTimeToLocalCalendar(FILETIME64 ft, CalendarTime& local);
// Local calendar time (day of week ignored) back to a UTC FILETIME (mktime). False when invalid.
bool LocalCalendarToFileTime(const CalendarTime& local, FILETIME64& ft);
