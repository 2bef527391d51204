// Line statistics over valid points.
#include "CLineStat.h"

CLineStat ComputeLineStat(const float* pPoints, std::size_t nPoints)
{
    std::int32_t count = 0;
    double sum = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    for (std::size_t i = 0; i < nPoints; ++i) {
        const float v = pPoints[i];
        if (!IsValidTemperature(v))
            continue;
        if (count == 0) {
            sum = minimum = maximum = v;
        } else {
            sum += v;
            if (v < minimum)
                minimum = v;
            if (v > maximum)
                maximum = v;
        }
        ++count;
    }
    if (count == 0)
        return CLineStat{};
    return CLineStat{static_cast<float>(minimum), static_cast<float>(maximum), static_cast<float>(sum / count), count};
}
