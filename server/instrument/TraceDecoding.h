// The arithmetic of trace decoding: where a segment lies in a trace, which stored line it fills, and
// how its samples are stretched onto the line's points.
#pragma once

#include <cstdint>

// Samples first .. last - 1 of a trace with sample step dStep form the segment dStart .. dEnd.
struct CSegmentSpan {
    std::int32_t nFirst = 0;
    std::int32_t nLast = 0;
    std::int32_t nSamples = 0;  // nLast - nFirst
};

// Computes the span as dStart / dStep + 0.499 and dEnd / dStep + 0.499, truncated. False for a span
// that cannot be decoded: a step or position that gives no finite sample number inside 32 bits, a
// negative first sample, a negative sample count, or more samples than nMaxSamples.
bool ComputeSegmentSpan(double dStart, double dEnd, double dStep, std::int32_t nMaxSamples, CSegmentSpan& span);

// The stored line of the 1-based line number nLine in a plane of nLines lines (reversed when the
// plane is upside down); false when the line lies outside the plane.
bool StoredLine(std::int32_t nLine, std::int32_t nLines, bool bUpsideDown, std::int32_t& nStored);

// Nearest-sample stretching of n source entries onto w points with the error spread evenly; the
// points are written from the end backwards when bReverse. With n = 0 nothing is written.
void StretchPoints(const float* pSource, std::int32_t n, float* pDestination, std::int32_t w, bool bReverse);
