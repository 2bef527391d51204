// Helpers of the history tests: a time zone with daylight-saving changes, local times, stored files.
#pragma once

#include "FileTime.h"
#include "HistoryImageFile.h"
#include "HistoryNames.h"
#include "TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Sets TZ for the lifetime of a test and restores the previous zone afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone = "Europe/Berlin")
    {
        if (const char* old = std::getenv("TZ")) {
            m_bHad = true;
            m_strOld = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_bHad)
            ::setenv("TZ", m_strOld.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_bHad = false;
    std::string m_strOld;
};

// UTC FILETIME of a local time of the current zone.
inline FILETIME64 LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    CalendarTime local;
    local.nYear = year;
    local.nMonth = month;
    local.nDay = day;
    local.nHour = hour;
    local.nMinute = minute;
    local.nSecond = second;
    FILETIME64 ft = 0;
    EXPECT_TRUE(LocalCalendarToFileTime(local, ft));
    return ft;
}

// The bytes of a stored image file with the given header values.
inline std::string ImageFileBytes(std::int32_t width, std::int32_t height, std::int32_t dataSize,
                                  const std::vector<std::uint8_t>& cells)
{
    std::string bytes(kImageHeaderSize, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    put(0, 0x4D42, 2);
    put(2, static_cast<std::uint32_t>(kImageHeaderSize) + static_cast<std::uint32_t>(dataSize), 4);
    put(10, static_cast<std::uint32_t>(kImageHeaderSize), 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(34, static_cast<std::uint32_t>(dataSize), 4);
    bytes.append(cells.begin(), cells.end());
    return bytes;
}

// Writes one stored image of plane p with its name from the fields, into root/folder; 4 x 2 cells.
inline std::string StoreImage(const TempDir& root, const std::string& folder, int p, int day, int hour, int minute,
                              int second, std::int32_t lowest, std::int32_t highest)
{
    HistoryFileName name;
    name.nPlane = p;
    name.nDay = day;
    name.nHour = hour;
    name.nMinute = minute;
    name.nSecond = second;
    name.nLowest = lowest;
    name.nHighest = highest;
    const std::string fileName = FormatImageFileName(name);
    root.Write(folder + "/" + fileName, ImageFileBytes(4, 2, 8, {0, 1, 128, 255, 1, 1, 1, 1}));
    return fileName;
}
