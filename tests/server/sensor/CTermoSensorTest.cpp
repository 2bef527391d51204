#include "CTermoSensor.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

// A sensor whose planes a test lays out directly.
class PlaneSensor : public CTermoSensor {
public:
    explicit PlaneSensor(int planes, int lines = 3, int points = 4)
    {
        for (int i = 0; i < planes; ++i) {
            std::int32_t dx = 0;
            std::int32_t dy = 0;
            CPlaneInfo::NominalExtents(i, dx, dy);
            m_vPlanes.push_back(std::make_shared<CPlaneInfo>(dx, dy, lines, points, false));
        }
        ResetDirtyFlags();
    }
    HRESULT InitSensor() override { return S_OK; }
    CPlaneInfo& Plane(int index) { return *m_vPlanes[static_cast<std::size_t>(index)]; }
};

struct CountCase {
    int planes;
    int tanks;
    int tank0;
    int tank1;
};

TEST(ASensor, CountsTanksAndPlanesFromItsPlaneList)
{
    for (const CountCase c : {CountCase{12, 2, 6, 6}, CountCase{7, 2, 6, 1}, CountCase{6, 1, 6, 0},
                              CountCase{1, 1, 1, 0}, CountCase{0, 1, 0, 0}}) {
        PlaneSensor sensor(c.planes);
        EXPECT_EQ(sensor.GetTankCount(), c.tanks) << c.planes;
        EXPECT_EQ(sensor.GetPlaneCount(0), c.tank0) << c.planes;
        EXPECT_EQ(sensor.GetPlaneCount(1), c.tank1) << c.planes;
        EXPECT_EQ(sensor.GetPlaneCount(2), 0);
        EXPECT_EQ(sensor.GetPlaneCount(-1), 0);
    }
}

TEST(ASensor, GivesNominalExtentsByPlaneKindAndNothingOutOfRange)
{
    PlaneSensor sensor(7);
    std::int32_t dx = -1;
    std::int32_t dy = -1;
    sensor.GetPlaneSize(1, 0, dx, dy);  // global plane 6 is a bottom
    EXPECT_EQ(dx, 137);
    EXPECT_EQ(dy, 40);
    sensor.GetPlaneSize(0, 1, dx, dy);
    EXPECT_EQ(dx, 40);
    EXPECT_EQ(dy, 24);
    sensor.GetPlaneSize(0, 3, dx, dy);
    EXPECT_EQ(dx, 137);
    EXPECT_EQ(dy, 24);
    dx = dy = -1;
    sensor.GetPlaneSize(1, 1, dx, dy);
    EXPECT_EQ(dx, -1);
    EXPECT_EQ(sensor.GetLineCount(1, 1), 0);
    EXPECT_EQ(sensor.GetPointsPerLine(0, 0), 4);
}

TEST(ASensor, LeavesLineOutputsUntouchedForALineBeyondThePlane)
{
    PlaneSensor sensor(1);
    sensor.Plane(0).m_vLineStat[2] = CLineStat{1.0f, 2.0f, 1.5f, 4};
    float mn = 9, mx = 9, avg = 9;
    sensor.GetLineTemperature(0, 0, 3, mn, mx, avg);
    EXPECT_EQ(mn, 9);
    sensor.GetLineTemperature(0, 0, 2, mn, mx, avg);
    EXPECT_EQ(mn, 1.0f);
    EXPECT_EQ(mx, 2.0f);
    EXPECT_EQ(avg, 1.5f);
}

struct SummaryCase {
    const char* name;
    std::vector<CLineStat> lines;
    float min;
    int minLine;
    float max;
    int maxLine;
    float avg;
    int firstEmpty;
};

TEST(ASensor, SummarisesAPlaneTakingEmptyLinesAsTheyAre)
{
    const SummaryCase cases[] = {
        {"second line empty", {{5, 10, 7, 3}, {-300, -300, -300, 0}, {4, 12, 8, 3}}, -300, 1, 12, 2, -95, 1},
        {"all valid", {{5, 10, 7, 3}, {3, 9, 6, 3}, {3, 11, 8, 3}}, 3, 1, 11, 2, 7, 65535},
        {"equal maxima keep the first", {{1, 20, 7, 3}, {2, 20, 6, 3}}, 1, 0, 20, 0, 6.5f, 65535},
        {"no lines", {}, -300, 0, -300, 0, -300, 65535},
    };
    for (const auto& c : cases) {
        PlaneSensor sensor(1, static_cast<int>(c.lines.size()));
        sensor.Plane(0).m_vLineStat = c.lines;
        float mn = 0, mx = 0, avg = 0;
        std::int32_t minLine = -1, maxLine = -1, empty = -1;
        sensor.GetPlaneTemperature(0, 0, mn, minLine, mx, maxLine, avg, empty);
        EXPECT_EQ(mn, c.min) << c.name;
        EXPECT_EQ(minLine, c.minLine) << c.name;
        EXPECT_EQ(mx, c.max) << c.name;
        EXPECT_EQ(maxLine, c.maxLine) << c.name;
        EXPECT_FLOAT_EQ(avg, c.avg) << c.name;
        EXPECT_EQ(empty, c.firstEmpty) << c.name;
    }
}

TEST(ASensor, ClearsTheDirtyFlagOnlyByCopyingTheImage)
{
    PlaneSensor sensor(2, 1, 4);
    sensor.Plane(1).m_vImage = {1, 2, 3, 4};
    sensor.SetDirty(1);
    EXPECT_TRUE(sensor.IsDirty(1));
    EXPECT_FALSE(sensor.IsDirty(0));
    float copy[8] = {};
    sensor.CopyPlaneImage(0, 1, copy, 8);  // more than the plane has: only its cells are copied
    EXPECT_EQ(copy[3], 4);
    EXPECT_EQ(copy[4], 0);
    EXPECT_FALSE(sensor.IsDirty(1));
    sensor.SetDirty(1);
    EXPECT_TRUE(sensor.IsDirty(1));
    sensor.CopyPlaneImage(0, 5, copy, 8);  // out of range: nothing happens
    EXPECT_TRUE(sensor.IsDirty(1));
}

TEST(ASensor, KeepsEachPlanesDirtyFlagApartWhenThreadsSetAndClearThemTogether)
{
    PlaneSensor sensor(12, 1, 4);
    float copy[4];
    std::atomic<bool> stop{false};
    std::thread setter([&] {
        for (int round = 0; round < 2000; ++round)
            for (int p = 0; p < 12; p += 2)
                sensor.SetDirty(p);
        stop = true;
    });
    std::thread clearer([&] {
        while (!stop)
            for (int p = 1; p < 12; p += 2)
                sensor.CopyPlaneImage(p / 6, p % 6, copy, 4);
    });
    setter.join();
    clearer.join();
    for (int p = 0; p < 12; p += 2)
        EXPECT_TRUE(sensor.IsDirty(p)) << p;
}

TEST(ComputeLineStat, CountsOnlyValidPoints)
{
    const float one[] = {-300, -300, 25.5f, -300};
    const CLineStat stat = ComputeLineStat(one, 4);
    EXPECT_EQ(stat.fMin, 25.5f);
    EXPECT_EQ(stat.fMax, 25.5f);
    EXPECT_EQ(stat.fAvg, 25.5f);
    EXPECT_EQ(stat.nCount, 1);
    const float none[] = {-300, -299.0f};
    const CLineStat empty = ComputeLineStat(none, 2);
    EXPECT_EQ(empty.fMin, -300.0f);
    EXPECT_EQ(empty.nCount, 0);
    const float mixed[] = {1, -298.9f, 3};
    EXPECT_EQ(ComputeLineStat(mixed, 3).nCount, 3);
}

} // namespace
