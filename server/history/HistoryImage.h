// One stored history image as loaded for FillHistoryData.
#pragma once

#include "FileTime.h"

#include <cstdint>
#include <vector>

struct HistoryImage {
    FILETIME64 ftTime = 0;        // UTC, whole seconds
    std::int32_t nPlaneNumber = 0;  // global plane index + 1
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::int32_t nDataSize = 0;
    std::int32_t nLowest = 0;     // tenths of a degree, from the file name
    std::int32_t nHighest = 0;
    std::vector<std::uint8_t> vCells;  // empty when reading failed
};
