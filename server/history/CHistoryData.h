// One queued history image: the quantised cells of a plane with its time and temperature range.
#pragma once

#include "FileTime.h"

#include <cstdint>
#include <memory>

struct CHistoryData {
    FILETIME64 ftTime = 0;          // UTC time at which the record was filled
    std::int32_t nPlaneNumber = 0;  // global plane index + 1
    std::int32_t nWidth = 0;        // cells along X
    std::int32_t nHeight = 0;       // lines
    std::int32_t nCapacity = 0;     // bytes of pCells
    std::int32_t nLowest = 0;       // tenths of a degree
    std::int32_t nHighest = 0;
    std::unique_ptr<std::uint8_t[]> pCells;
};
