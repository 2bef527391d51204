// Statistics of one plane line, and the function that computes them over the line's points.
#pragma once

#include "PlantTypes.h"

#include <cstddef>
#include <cstdint>

struct CLineStat {
    float fMin = kInvalidTemperature;
    float fMax = kInvalidTemperature;
    float fAvg = kInvalidTemperature;
    std::int32_t nCount = 0;
};
static_assert(sizeof(CLineStat) == 16);

// Minimum, maximum and mean of the valid points (greater than -299.0), summed in double precision.
CLineStat ComputeLineStat(const float* pPoints, std::size_t nPoints);
