// Names of history month folders and image files: writing, reading them back, and their sort order.
#pragma once

#include "FileTime.h"

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view kImageFileExtension = ".prlimg";

// The seven fields of an image file name.
struct HistoryFileName {
    std::int32_t nPlane = 0;
    std::int32_t nDay = 0;
    std::int32_t nHour = 0;
    std::int32_t nMinute = 0;
    std::int32_t nSecond = 0;
    std::int32_t nLowest = 0;
    std::int32_t nHighest = 0;
};

struct HistoryFolderName {
    std::int32_t nYear = 0;
    std::int32_t nMonth = 0;
};

// "%d_%02d".
std::string FormatMonthFolder(int nYear, int nMonth);
// "Plane%02d_d%02d___hms%02d_%02d_%02d__t%d_%d" followed by ".prlimg".
std::string FormatImageFileName(const HistoryFileName& name);
// The fixed front of a plane's file pattern, "Plane%02d_d".
std::string PlaneFilePrefix(int nPlaneNumber);

// Parse as scanf does with "%d_%02d"; true when both fields were read (text after them is ignored).
bool ParseMonthFolder(std::string_view name, HistoryFolderName& folder);
// Parse as scanf does with the file name pattern; true when all seven fields were read.
bool ParseImageFileName(std::string_view name, HistoryFileName& file);
// The listing pattern prefix + "*" + ".prlimg".
bool MatchesPlanePattern(std::string_view name, std::string_view prefix);

// A moment within a month as compared by the search.
inline std::int64_t SecondsInMonth(std::int64_t nDay, std::int64_t nHour, std::int64_t nMinute, std::int64_t nSecond)
{
    return nDay * 86400 + nHour * 3600 + nMinute * 60 + nSecond;
}

// Integer part of value x 10 + 0.499 in double precision, truncated toward zero; saturates at the 32-bit
// limits, NaN gives 0.
std::int32_t TemperatureTenths(double value);

// UTC time of a stored image from its folder and file name; false when the fields are no local time
// (a day beyond the month's end, an hour of 24 and the like).
bool HistoryImageTime(const HistoryFolderName& folder, const HistoryFileName& file, FILETIME64& ft);

// Name order of the listings: by UTF-16 code units of the names (UTF-8 on disk), then by length.
// Negative, zero or positive like strcmp.
int CompareNamesAsWide(std::string_view a, std::string_view b);
