// One configured stretch of a channel that forms (part of) one line of one plane.
#pragma once

#include <cstdint>

struct CSegmentInfo {
    std::int32_t nPlane = -1;  // global plane index + 1
    std::int32_t nLine = -1;   // 1-based line number within the plane
    double dStart = 0.0;       // positions along the channel, in the instrument's length unit
    double dEnd = 0.0;
    bool bRightToLeft = false;
};
