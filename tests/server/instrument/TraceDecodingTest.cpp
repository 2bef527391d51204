#include "CDataBlockCollector.h"
#include "CLineStat.h"
#include "TraceDecoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<float> Ramp(int n)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<float>(i);
    return v;
}

std::vector<float> Stretch(const std::vector<float>& src, int w, bool reverse)
{
    std::vector<float> dst(static_cast<std::size_t>(w), -1.0f);
    StretchPoints(src.data(), static_cast<int>(src.size()), dst.data(), w, reverse);
    return dst;
}

TEST(StretchPoints, LaysSourcesOntoTheLineByTheTable)
{
    struct Case {
        int n;
        int w;
        bool reverse;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {1, 4, false, {0, 0, 0, 0}},
        {2, 4, false, {0, 0, 1, 1}},
        {3, 4, false, {0, 1, 1, 2}},
        {4, 2, false, {1, 3}},
        {5, 3, false, {0, 2, 4}},
        {3, 4, true, {2, 1, 1, 0}},
        {4, 4, true, {3, 2, 1, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Stretch(Ramp(c.n), c.w, c.reverse), c.expected) << c.n << " onto " << c.w;
}

TEST(StretchPoints, TakesTheFirstFallingSampleOrRepeatsEachSample)
{
    // 200 samples onto 108 points: the first and last sample are kept, each point advances by one or
    // two samples.
    const auto squeezed = Stretch(Ramp(200), 108, false);
    EXPECT_EQ(squeezed[0], 0.0f);
    EXPECT_EQ(squeezed[1], 2.0f);
    EXPECT_EQ(squeezed[107], 199.0f);
    for (std::size_t k = 1; k < 108; ++k) {
        const float stepped = squeezed[k] - squeezed[k - 1];
        EXPECT_TRUE(stepped == 1.0f || stepped == 2.0f) << k;
    }
    const auto doubled = Stretch(Ramp(54), 108, false);
    for (int k = 0; k < 108; ++k)
        EXPECT_EQ(doubled[static_cast<std::size_t>(k)], static_cast<float>(k / 2));
    const auto reversed = Stretch(Ramp(54), 108, true);
    EXPECT_EQ(reversed[0], doubled[107]);
    EXPECT_EQ(reversed[107], doubled[0]);
}

TEST(StretchPoints, LeavesTheLineAsItWasWithoutSamples)
{
    EXPECT_EQ(Stretch({}, 3, false), (std::vector<float>{-1, -1, -1}));
}

TEST(ComputeSegmentSpan, CutsSegmentsOutOfTheTraceByTheTable)
{
    struct Case {
        double start, end, step;
        bool ok;
        int first, last, samples;
    };
    const Case cases[] = {
        {10.0, 35.0, 0.25, true, 40, 140, 100},
        {0.0, 0.0, 0.25, true, 0, 0, 0},
        {10.1, 10.2, 0.25, true, 40, 41, 1},
        {35.0, 10.0, 0.25, false, 0, 0, 0},       // end before start
        {-5.0, 10.0, 0.25, false, 0, 0, 0},       // first sample negative
        {10.0, 35.0, 0.0, false, 0, 0, 0},        // no step
        {10.0, 35.0, 1e-300, false, 0, 0, 0},     // beyond 32 bits
        {0.0, 1e9, 0.25, false, 0, 0, 0},         // more samples than any block holds
    };
    for (const Case& c : cases) {
        CSegmentSpan span;
        ASSERT_EQ(ComputeSegmentSpan(c.start, c.end, c.step, CDataBlockCollector::kMaxValues, span), c.ok)
            << c.start << ".." << c.end << " step " << c.step;
        if (!c.ok)
            continue;
        EXPECT_EQ(span.nFirst, c.first);
        EXPECT_EQ(span.nLast, c.last);
        EXPECT_EQ(span.nSamples, c.samples);
    }
}

TEST(StoredLine, MapsLineNumbersAndRefusesLinesOutsideThePlane)
{
    std::int32_t stored = -1;
    EXPECT_TRUE(StoredLine(1, 5, false, stored));
    EXPECT_EQ(stored, 0);
    EXPECT_TRUE(StoredLine(1, 5, true, stored));
    EXPECT_EQ(stored, 4);
    EXPECT_TRUE(StoredLine(5, 5, true, stored));
    EXPECT_EQ(stored, 0);
    EXPECT_FALSE(StoredLine(0, 5, false, stored));
    EXPECT_FALSE(StoredLine(6, 5, true, stored));
    EXPECT_FALSE(StoredLine(1, 0, false, stored));
}

TEST(ComputeLineStat, SummarisesValidPointsByTheTable)
{
    struct Case {
        std::vector<float> points;
        CLineStat expected;
    };
    const Case cases[] = {
        {{-300.0f, 25.5f, -300.0f}, {25.5f, 25.5f, 25.5f, 1}},
        {{-300.0f, -299.0f}, {-300.0f, -300.0f, -300.0f, 0}},
        {{}, {-300.0f, -300.0f, -300.0f, 0}},
        {{-298.0f, 2.0f, 10.0f}, {-298.0f, 10.0f, -95.333336f, 3}},
        {{1.0f, 2.0f, 3.0f, 4.0f}, {1.0f, 4.0f, 2.5f, 4}},
    };
    for (const Case& c : cases) {
        const CLineStat s = ComputeLineStat(c.points.data(), c.points.size());
        EXPECT_EQ(s.fMin, c.expected.fMin);
        EXPECT_EQ(s.fMax, c.expected.fMax);
        EXPECT_FLOAT_EQ(s.fAvg, c.expected.fAvg);
        EXPECT_EQ(s.nCount, c.expected.nCount);
    }
}

std::string BigEndian(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (24 - 8 * i)) & 0xFF);
    return out;
}

TEST(ADataBlockCollector, JudgesTheHeaderByTheTable)
{
    struct Case {
        std::string packet;
        CDataBlockCollector::eFeed feed;
        int headerCount;
    };
    const Case cases[] = {
        {"X3100", CDataBlockCollector::eFeedBadFirst, 0},
        {"", CDataBlockCollector::eFeedBadFirst, 0},
        {"#X100", CDataBlockCollector::eFeedBadSecond, 0},
        {"#", CDataBlockCollector::eFeedBadSecond, 0},
        {"#15", CDataBlockCollector::eFeedBadCount, 5},
        {"#0", CDataBlockCollector::eFeedBadCount, 0},
        {"#3-50", CDataBlockCollector::eFeedBadCount, -50},
        {"#9999999999", CDataBlockCollector::eFeedTooLarge, 999999999},
        {"#71000001", CDataBlockCollector::eFeedTooLarge, 1000001},
        {"#71000000", CDataBlockCollector::eFeedMore, 1000000},
        {"#3100", CDataBlockCollector::eFeedMore, 100},
        {"#31", CDataBlockCollector::eFeedBadCount, 1},  // count digits cut off by the packet's end
    };
    for (const Case& c : cases) {
        std::vector<float> values;
        CDataBlockCollector collector(values);
        EXPECT_EQ(collector.Feed(c.packet.data(), c.packet.size()), c.feed) << c.packet;
        EXPECT_EQ(collector.HeaderCount(), c.headerCount) << c.packet;
        if (c.feed != CDataBlockCollector::eFeedMore) {
            EXPECT_EQ(collector.Count(), 0) << c.packet;
        }
    }
}

TEST(ADataBlockCollector, AssemblesValuesSplitAcrossPacketsAndEndsWithTheLast)
{
    std::string data;
    for (int i = 0; i < 100; ++i)
        data += BigEndian(static_cast<float>(i) + 0.5f);
    std::vector<float> values;
    CDataBlockCollector collector(values);
    const std::string first = "#3100" + data.substr(0, 201);  // the 51st value is cut after one byte
    EXPECT_EQ(collector.Feed(first.data(), first.size()), CDataBlockCollector::eFeedMore);
    EXPECT_EQ(collector.Filled(), 50);
    const std::string rest = data.substr(201) + "trailing bytes";
    EXPECT_EQ(collector.Feed(rest.data(), rest.size()), CDataBlockCollector::eFeedComplete);
    ASSERT_EQ(values.size(), 100U);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], static_cast<float>(i) + 0.5f);
}

TEST(ADataBlockCollector, LeavesValuesThatNeverCameInvalid)
{
    const std::string packet = "#3100" + std::string("\x41\xC8\x00\x00", 4) + std::string(196, '\0');
    std::vector<float> values;
    CDataBlockCollector collector(values);
    EXPECT_EQ(collector.Feed(packet.data(), packet.size()), CDataBlockCollector::eFeedMore);
    EXPECT_EQ(values[0], 25.0f);
    EXPECT_EQ(collector.Filled(), 50);
    EXPECT_EQ(values[50], -300.0f);
    EXPECT_EQ(values[99], -300.0f);
}

} // namespace
