#include "LogCapture.h"
#include "QuoraxTestAccess.h"
#include "TimeSource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> Ramp(int n, float base = 0.0f)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = base + static_cast<float>(i);
    return v;
}

CChannelInfo Channel(int nChannel, std::vector<CSegmentInfo> vSegments)
{
    return CChannelInfo{nChannel, 0.25f, std::move(vSegments)};
}

std::vector<float> Line(CPlaneInfo& plane, int stored)
{
    const auto begin = plane.m_vImage.begin() + stored * plane.m_nPointsPerLine;
    return {begin, begin + plane.m_nPointsPerLine};
}

class ADistributedTrace : public ::testing::Test {
protected:
    std::shared_ptr<ManualTimeSource> clock = std::make_shared<ManualTimeSource>(5000);
    ScopedTimeSource scoped{clock};
    CQuoraxTestAccess sensor{"/nonexistent.ini"};
};

TEST_F(ADistributedTrace, CutsTheSegmentOutOfTheTraceAndRenewsItsLine)
{
    // Step 0.25, 10.0 .. 35.0: samples 40 .. 139, 100 samples onto 108 points.
    sensor.Build({{2, 108, false}}, {Channel(7, {Segment(1, 2, 10.0, 35.0)})});
    const auto trace = Ramp(500);
    sensor.DistributeTrace(trace.data(), 500, 7, 0.25);
    const auto line = Line(sensor.Plane(0), 1);
    EXPECT_EQ(line.front(), 40.0f);
    EXPECT_EQ(line.back(), 139.0f);
    const CLineStat& stat = sensor.Plane(0).m_vLineStat[1];
    EXPECT_EQ(stat.fMin, 40.0f);
    EXPECT_EQ(stat.fMax, 139.0f);
    EXPECT_EQ(stat.nCount, 108);
    EXPECT_EQ(sensor.LineTicks()[0][1], 5000U);
    EXPECT_EQ(sensor.LineTicks()[0][0], 0U);
    EXPECT_EQ(Line(sensor.Plane(0), 0), std::vector<float>(108, -300.0f));
    EXPECT_TRUE(sensor.IsDirty(0));
}

TEST_F(ADistributedTrace, StoresLinesOfUpsideDownPlanesInReverseAndLaysRightToLeftSegmentsBackwards)
{
    sensor.Build({{5, 108, true}},
                 {Channel(1, {Segment(1, 1, 0.0, 13.5), Segment(1, 5, 0.0, 13.5, true)})});
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 1, 0.25);
    // 54 samples onto 108 points: each sample fills two points.
    const auto lineOne = Line(sensor.Plane(0), 4);
    const auto lineFive = Line(sensor.Plane(0), 0);
    for (int k = 0; k < 108; ++k) {
        EXPECT_EQ(lineOne[static_cast<std::size_t>(k)], static_cast<float>(k / 2));
        EXPECT_EQ(lineFive[static_cast<std::size_t>(k)], lineOne[static_cast<std::size_t>(107 - k)]);
    }
    EXPECT_NE(sensor.LineTicks()[0][4], 0U);
    EXPECT_NE(sensor.LineTicks()[0][0], 0U);
    EXPECT_EQ(sensor.LineTicks()[0][2], 0U);
}

TEST_F(ADistributedTrace, LeavesWhatAShortTraceLacksInvalid)
{
    // Samples 480 .. 519 of a 500-value trace: 20 values, 20 invalid samples, onto 40 points.
    sensor.Build({{1, 40, false}, {1, 40, false}},
                 {Channel(3, {Segment(1, 1, 120.0, 130.0), Segment(2, 1, 150.0, 160.0)})});
    const auto trace = Ramp(500, 10.0f);
    sensor.DistributeTrace(trace.data(), 500, 3, 0.25);
    const CLineStat& stat = sensor.Plane(0).m_vLineStat[0];
    EXPECT_EQ(stat.nCount, 20);
    EXPECT_EQ(stat.fMin, 490.0f);
    EXPECT_EQ(stat.fMax, 509.0f);
    EXPECT_EQ(Line(sensor.Plane(0), 0).back(), -300.0f);
    // The segment starting at sample 600 touches nothing.
    EXPECT_EQ(sensor.Plane(1).m_vLineStat[0].nCount, 0);
    EXPECT_EQ(sensor.LineTicks()[1][0], 0U);
    EXPECT_FALSE(sensor.IsDirty(1));
}

TEST_F(ADistributedTrace, ChangesNothingForAChannelWithoutRecord)
{
    sensor.Build({{1, 40, false}}, {Channel(1, {Segment(1, 1, 0.0, 10.0)})});
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 7, 0.25);
    EXPECT_FALSE(sensor.IsDirty(0));
    EXPECT_EQ(sensor.LineTicks()[0][0], 0U);
}

TEST_F(ADistributedTrace, SkipsSegmentsThatCannotBeDecodedWithoutTouchingTheirPlane)
{
    sensor.Build({{2, 40, false}}, {Channel(1, {
                                                   Segment(1, 1, 20.0, 10.0),   // end before start
                                                   Segment(1, 1, -10.0, 5.0),   // negative first sample
                                                   Segment(1, 3, 0.0, 10.0),    // line beyond the plane
                                                   Segment(1, 0, 0.0, 10.0),    // line number 0
                                                   Segment(2, 1, 0.0, 10.0),    // plane that does not exist
                                               })});
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 1, 0.25);
    sensor.DistributeTrace(trace.data(), 100, 1, 0.0);
    EXPECT_FALSE(sensor.IsDirty(0));
    EXPECT_EQ(Line(sensor.Plane(0), 0), std::vector<float>(40, -300.0f));
}

TEST_F(ADistributedTrace, KeepsTheLaterOfTwoSegmentsOnOneLineAndReusesItsScratch)
{
    sensor.Build({{1, 40, false}}, {Channel(1, {Segment(1, 1, 0.0, 10.0)}), Channel(1, {Segment(1, 1, 10.0, 20.0)})});
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 1, 0.25);
    EXPECT_EQ(sensor.Plane(0).m_vLineStat[0].fMin, 40.0f);
    const std::size_t capacity = sensor.ScratchCapacity();
    sensor.DistributeTrace(trace.data(), 100, 1, 0.25);
    EXPECT_EQ(sensor.ScratchCapacity(), capacity);
}

TEST_F(ADistributedTrace, WritesTheSegmentTraceAndThePlaneSummaryWithDebugOn)
{
    sensor.Build({{5, 40, false}},
                 {Channel(2, {Segment(1, 1, 0.0, 10.0), Segment(1, 2, 0.0, 10.0), Segment(1, 4, 0.0, 10.0)})}, true);
    LogCapture log;
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 2, 0.25);
    EXPECT_TRUE(log.Contains("Ch2: Plane=0, Tube=3=3, cnt=40/40 => avg=19.500[cnt=40/40], min=0.000, max=39.000, "
                             "diff=39.000, \n"));
    const auto lines = log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "------- Plane#1 lines[5]&time: 3[0] 2[-999] -----\n");
}

TEST_F(ADistributedTrace, ExpiresLinesThatGotNoDataForTooLong)
{
    sensor.Build({{2, 40, false}}, {Channel(1, {Segment(1, 1, 0.0, 10.0)})});
    const auto trace = Ramp(100);
    sensor.DistributeTrace(trace.data(), 100, 1, 0.25);
    std::vector<float> image(80);
    sensor.CopyPlaneImage(0, 0, image.data(), 80);
    clock->Advance(3600 * 1000);
    sensor.ExpireStaleLines(3600);
    EXPECT_FALSE(sensor.IsDirty(0));
    clock->Advance(1);
    sensor.ExpireStaleLines(3600);
    EXPECT_TRUE(sensor.IsDirty(0));
    EXPECT_EQ(sensor.LineTicks()[0][0], 0U);
    EXPECT_EQ(sensor.Plane(0).m_vLineStat[0].nCount, 0);
    EXPECT_EQ(Line(sensor.Plane(0), 0), std::vector<float>(40, -300.0f));
    // A line that never got data is never touched, so an expired plane stays quiet.
    sensor.CopyPlaneImage(0, 0, image.data(), 80);
    sensor.ExpireStaleLines(0);
    EXPECT_FALSE(sensor.IsDirty(0));
}

} // namespace
