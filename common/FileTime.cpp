// FILETIME conversions through the C library's local-time functions.
#include "FileTime.h"

#include <ctime>

FILETIME64 FileTimeFromUnixNanoseconds(std::int64_t nanoseconds)
{
    const std::int64_t seconds = nanoseconds / 1'000'000'000LL;
    const std::int64_t rest = nanoseconds % 1'000'000'000LL;
    return static_cast<FILETIME64>(seconds + kFileTimeEpochOffsetSeconds) * kFileTimeTicksPerSecond +
           static_cast<FILETIME64>(rest / 100);
}

bool FileTimeToLocalCalendar(FILETIME64 ft, CalendarTime& local)
{
    const std::int64_t seconds = static_cast<std::int64_t>(ft / kFileTimeTicksPerSecond) - kFileTimeEpochOffsetSeconds;
    const time_t unixSeconds = static_cast<time_t>(seconds);
    std::tm parts{};
    if (localtime_r(&unixSeconds, &parts) == nullptr)
        return false;
    local.nYear = parts.tm_year + 1900;
    local.nMonth = parts.tm_mon + 1;
    local.nDayOfWeek = parts.tm_wday;
    local.nDay = parts.tm_mday;
    local.nHour = parts.tm_hour;
    local.nMinute = parts.tm_min;
    local.nSecond = parts.tm_sec;
    local.nMilliseconds = static_cast<int>((ft % kFileTimeTicksPerSecond) / 10'000);
    return true;
}

bool LocalCalendarToFileTime(const CalendarTime& local, FILETIME64& ft)
{
    if (local.nMonth < 1 || local.nMonth > 12 || local.nDay < 1 || local.nDay > 31 || local.nHour < 0 ||
        local.nHour > 23 || local.nMinute < 0 || local.nMinute > 59 || local.nSecond < 0 || local.nSecond > 59 ||
        local.nMilliseconds < 0 || local.nMilliseconds > 999 || local.nYear < 1601 || local.nYear > 30827)
        return false;
    std::tm parts{};
    parts.tm_year = local.nYear - 1900;
    parts.tm_mon = local.nMonth - 1;
    parts.tm_mday = local.nDay;
    parts.tm_hour = local.nHour;
    parts.tm_min = local.nMinute;
    parts.tm_sec = local.nSecond;
    parts.tm_isdst = -1;
    const time_t unixSeconds = mktime(&parts);
    if (unixSeconds == static_cast<time_t>(-1) && !(parts.tm_year == 69 && parts.tm_mon == 11 && parts.tm_mday == 31))
        return false;
    const std::int64_t seconds = static_cast<std::int64_t>(unixSeconds) + kFileTimeEpochOffsetSeconds;
    if (seconds < 0)
        return false;
    ft = static_cast<FILETIME64>(seconds) * kFileTimeTicksPerSecond +
         static_cast<FILETIME64>(local.nMilliseconds) * 10'000ULL;
    return true;
}
