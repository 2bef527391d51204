// The scan's results: the segments the instrument defines on each channel of its sequence.
#pragma once

#include <cstdint>
#include <vector>

struct ScanSegment {
    std::int32_t nGroup = 0;  // plane number, 1-based
    std::int32_t nId = 0;     // line number within the plane, 1-based
    double dStart = 0.0;
    double dEnd = 0.0;
};

struct ScanChannel {
    std::int32_t nChannel = 0;
    std::vector<ScanSegment> vSegments;  // by ascending start
};

// The server shows no more planes and lines than these; a segment beyond them is not kept, so an
// instrument's odd answer cannot blow up the plane table or the file.
constexpr std::int32_t kMaxScanGroup = 12;
constexpr std::int32_t kMaxScanId = 1000;
