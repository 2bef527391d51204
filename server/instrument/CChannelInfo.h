// One configured instrument channel with its segments.
#pragma once

#include "CSegmentInfo.h"

#include <cstdint>
#include <vector>

struct CChannelInfo {
    std::int32_t nChannel = 0;  // the instrument's channel number
    float fStep = 0.25f;        // sizes the lines only; decoding uses the step the instrument reports
    std::vector<CSegmentInfo> vSegments;
};
