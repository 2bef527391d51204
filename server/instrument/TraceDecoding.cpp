// Segment arithmetic and point stretching of the trace decoding.
#include "TraceDecoding.h"

#include <cmath>
#include <cstdint>

namespace {

bool SampleNumber(double dPosition, double dStep, std::int32_t& nSample)
{
    const double dSample = dPosition / dStep + 0.499;
    // Truncation is defined only for values inside the target type.
    if (!std::isfinite(dSample) || dSample <= -2147483649.0 || dSample >= 2147483648.0)
        return false;
    nSample = static_cast<std::int32_t>(dSample);
    return true;
}

} // namespace

bool ComputeSegmentSpan(double dStart, double dEnd, double dStep, std::int32_t nMaxSamples, CSegmentSpan& span)
{
    if (!SampleNumber(dStart, dStep, span.nFirst) || !SampleNumber(dEnd, dStep, span.nLast))
        return false;
    const std::int64_t nSamples = static_cast<std::int64_t>(span.nLast) - span.nFirst;
    if (span.nFirst < 0 || nSamples < 0 || nSamples > nMaxSamples)
        return false;
    span.nSamples = static_cast<std::int32_t>(nSamples);
    return true;
}

bool StoredLine(std::int32_t nLine, std::int32_t nLines, bool bUpsideDown, std::int32_t& nStored)
{
    if (nLine < 1 || nLine > nLines)
        return false;
    const std::int32_t nIndex = nLine - 1;
    nStored = bUpsideDown ? nLines - 1 - nIndex : nIndex;
    return true;
}

void StretchPoints(const float* pSource, std::int32_t n, float* pDestination, std::int32_t w, bool bReverse)
{
    if (n <= 0 || w <= 0)
        return;
    // 64 bits: acc reaches about n * w, which can pass 2^31 for long segments.
    std::int64_t acc = (n - 1) / 2;
    std::int64_t filled = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        acc += w;
        std::int64_t limit = acc / n;
        if (limit > w)
            limit = w;
        for (std::int64_t k = filled; k < limit; ++k)
            pDestination[bReverse ? w - 1 - k : k] = pSource[i];
        if (filled < limit)
            filled = limit;
    }
}
