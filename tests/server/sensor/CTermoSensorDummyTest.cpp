#include "CTermoSensorDummy.h"
#include "LogCapture.h"
#include "TempDir.h"
#include "TimeSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using ::testing::ElementsAreArray;

namespace {

// The simulated sensor with its planes open to the test.
class DummySensor : public CTermoSensorDummy {
public:
    explicit DummySensor(std::string strCsvPath) : CTermoSensorDummy(std::move(strCsvPath)) {}
    CPlaneInfo& Plane(int index) { return *m_vPlanes[static_cast<std::size_t>(index)]; }
    std::vector<float> Image(int index)
    {
        std::lock_guard<std::mutex> guard(Plane(index).m_mutex);
        return Plane(index).m_vImage;
    }
};

class ASimulatedSensor : public ::testing::Test {
protected:
    std::shared_ptr<ManualTimeSource> m_clock = std::make_shared<ManualTimeSource>(5000);
    ScopedTimeSource m_scope{m_clock};
    TempDir m_dir;

    std::string NoCsv() const { return m_dir.File("missing.csv"); }
    // Refreshes the next plane.
    void Refresh(DummySensor& sensor)
    {
        m_clock->Advance(CTermoSensorDummy::kRefreshPeriodMs);
        sensor.Poll();
    }
};

// The base of a synthetic picture: line 0 is flat at the base (dropouts aside).
float LineZeroLevel(const std::vector<float>& image)
{
    float level = kInvalidTemperature;
    for (int i = 0; i < 100; ++i)
        level = std::max(level, image[static_cast<std::size_t>(i)]);
    return level;
}

TEST_F(ASimulatedSensor, BuildsTwelveInvalidPlanesOfTenLinesByHundredPointsWithoutCsv)
{
    DummySensor sensor(NoCsv());
    ASSERT_EQ(sensor.InitSensor(), S_OK);
    EXPECT_EQ(sensor.GetTankCount(), 2);
    EXPECT_EQ(sensor.GetPlaneCount(0), 6);
    EXPECT_EQ(sensor.GetPlaneCount(1), 6);
    for (int j = 0; j < 12; ++j) {
        EXPECT_EQ(sensor.GetLineCount(j / 6, j % 6), 10);
        EXPECT_EQ(sensor.GetPointsPerLine(j / 6, j % 6), 100);
        EXPECT_FALSE(sensor.IsDirty(j));
        const auto image = sensor.Image(j);
        EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](float v) { return v == kInvalidTemperature; }));
    }
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    sensor.GetPlaneSize(1, 3, dx, dy);
    EXPECT_EQ(dx, 137);
    EXPECT_EQ(dy, 24);
}

TEST_F(ASimulatedSensor, RefreshesPlaneZeroAtOnceAndThenOnePlaneEveryThirtySeconds)
{
    DummySensor sensor(NoCsv());
    sensor.InitSensor();
    sensor.Poll();
    EXPECT_TRUE(sensor.IsDirty(0));
    EXPECT_FALSE(sensor.IsDirty(1));

    m_clock->Advance(29'900);
    sensor.Poll();
    EXPECT_FALSE(sensor.IsDirty(1));
    m_clock->Advance(100);
    sensor.Poll();
    EXPECT_TRUE(sensor.IsDirty(1));

    for (int j = 2; j < 12; ++j)
        Refresh(sensor);
    std::vector<float> scratch(1000);
    sensor.CopyPlaneImage(0, 0, scratch.data(), 1000);
    ASSERT_FALSE(sensor.IsDirty(0));
    Refresh(sensor);
    EXPECT_TRUE(sensor.IsDirty(0)) << "after plane 11 comes plane 0 again";
}

TEST_F(ASimulatedSensor, DrawsTheSinePictureAroundThePlaneBaseWithMatchingLineStatistics)
{
    DummySensor sensor(NoCsv());
    sensor.InitSensor();
    sensor.Poll();
    const auto image = sensor.Image(0);
    int checked = 0;
    for (int e = 0; e < 10; ++e) {
        const double a = std::sin(e * 3.14 * (1.0 / 10));
        for (int i = 0; i < 100; ++i) {
            const float point = image[static_cast<std::size_t>(e * 100 + i)];
            if (point == kInvalidTemperature)
                continue;  // a dropout
            const double g = std::sin((1.0 / 100) * (i * 9.42)) * a;
            ASSERT_EQ(point, static_cast<float>((g > 0 ? g * 10 : g) + 2.0)) << e << "," << i;
            ++checked;
        }
        const CLineStat expected = ComputeLineStat(image.data() + e * 100, 100);
        float fMin = 0;
        float fMax = 0;
        float fAvg = 0;
        sensor.GetLineTemperature(0, 0, e, fMin, fMax, fAvg);
        EXPECT_EQ(fMin, expected.fMin);
        EXPECT_EQ(fMax, expected.fMax);
        EXPECT_EQ(fAvg, expected.fAvg);
    }
    EXPECT_GE(checked, 990);
}

TEST_F(ASimulatedSensor, DriftsPlaneSixFromThreeUpToJustAboveSixAndDownToJustBelowOne)
{
    DummySensor sensor(NoCsv());
    sensor.InitSensor();
    std::vector<float> bases;
    for (int refresh = 0; refresh < 12 * 250; ++refresh) {
        Refresh(sensor);
        if (refresh % 12 == 6)
            bases.push_back(LineZeroLevel(sensor.Image(6)));
    }
    ASSERT_FALSE(bases.empty());
    EXPECT_FLOAT_EQ(bases[0], 3.0f);
    EXPECT_FLOAT_EQ(bases[1], 3.05f);
    const auto top = std::max_element(bases.begin(), bases.end());
    EXPECT_GT(*top, 6.0f);
    EXPECT_LT(*top, 6.06f);
    const auto bottom = std::min_element(top, bases.end());
    EXPECT_LT(*bottom, 1.0f);
    EXPECT_GT(*bottom, 0.94f);
    ASSERT_NE(bottom + 1, bases.end());
    EXPECT_GT(*(bottom + 1), *bottom) << "rises again after the bottom";
    // Plane 0 has no drift.
    EXPECT_FLOAT_EQ(LineZeroLevel(sensor.Image(0)), 2.0f);
}

TEST_F(ASimulatedSensor, DropsOutOnePointInAtMost32768)
{
    DummySensor sensor(NoCsv());
    sensor.InitSensor();
    long sinceLast = 0;
    long longest = 0;
    int dropouts = 0;
    for (int refresh = 0; refresh < 120; ++refresh) {
        Refresh(sensor);
        const int plane = (refresh + 11) % 12;
        for (const float v : sensor.Image(plane)) {
            ++sinceLast;
            if (v == kInvalidTemperature) {
                ++dropouts;
                longest = std::max(longest, sinceLast);
                sinceLast = 0;
            }
        }
    }
    EXPECT_GE(dropouts, 3);
    EXPECT_LE(longest, 32768);
}

struct CsvCase {
    const char* text;
    std::int32_t rows;
    std::int32_t columns;
    std::vector<float> matrix;
};

TEST_F(ASimulatedSensor, ReadsCsvRowsUpToTheFirstFieldThatIsNoNumber)
{
    const CsvCase cases[] = {
        {"1;2;3\n4;5\n", 2, 3, {1, 2, 3, 4, 5, 0}},
        {"1;abc;3\n", 1, 1, {1}},
        {"\n", 1, 1, {0}},
        {"1;2;\n", 1, 3, {1, 2, 0}},
        {"  7.5 degrees; 8\r\n", 1, 2, {7.5f, 8}},
        {"abc\n2\n", 2, 1, {0, 2}},
        {"1;2\nabc\nx;1\n", 1, 2, {1, 2}},
        {"-1.5;1e2", 1, 2, {-1.5f, 100}},
        {"", 0, 0, {}},
        {"abc\n", 0, 0, {}},
    };
    for (const CsvCase& c : cases) {
        std::vector<float> matrix;
        std::int32_t rows = -1;
        std::int32_t columns = -1;
        ASSERT_TRUE(CTermoSensorDummy::ReadCsvFile(m_dir.Write("case.csv", c.text), matrix, rows, columns));
        EXPECT_EQ(rows, c.rows) << c.text;
        EXPECT_EQ(columns, c.columns) << c.text;
        EXPECT_THAT(matrix, ElementsAreArray(c.matrix)) << c.text;
    }
}

TEST_F(ASimulatedSensor, CutsLongLinesIntoPiecesAndIgnoresRowsBeyondTheThousandth)
{
    // A line of 1027 characters: a piece of 1023 with 512 values, then a row "2;3".
    std::string line;
    for (int i = 0; i < 511; ++i)
        line += "1;";
    line += "12;3\n";
    std::vector<float> matrix;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    ASSERT_TRUE(CTermoSensorDummy::ReadCsvFile(m_dir.Write("long.csv", line), matrix, rows, columns));
    ASSERT_EQ(rows, 2);
    ASSERT_EQ(columns, 512);
    EXPECT_EQ(matrix[511], 1.0f);
    EXPECT_EQ(matrix[512], 2.0f);
    EXPECT_EQ(matrix[513], 3.0f);
    EXPECT_EQ(matrix[514], 0.0f);

    std::string many;
    for (int r = 0; r < 5000; ++r)
        many += std::to_string(r) + "\n";
    LogCapture log;
    ASSERT_TRUE(CTermoSensorDummy::ReadCsvFile(m_dir.Write("many.csv", many), matrix, rows, columns));
    EXPECT_EQ(rows, CTermoSensorDummy::kCsvMaxRows);
    EXPECT_EQ(matrix.back(), 999.0f);
    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_NE(messages[0].find("more than 1000 rows, the rest is ignored"), std::string::npos) << messages[0];
}

TEST_F(ASimulatedSensor, ShapesEveryPlaneByTheCsvMatrixAndPublishesItAsRefreshed)
{
    DummySensor sensor(m_dir.Write("PyrolanServer.csv", "1;2;3\n4;5\n"));
    sensor.InitSensor();
    for (int j = 0; j < 12; ++j) {
        EXPECT_EQ(sensor.GetLineCount(j / 6, j % 6), 2);
        EXPECT_EQ(sensor.GetPointsPerLine(j / 6, j % 6), 3);
    }
    sensor.Poll();
    const auto image = sensor.Image(0);
    const std::vector<float> expected{1, 2, 3, 4, 5, 0};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (image[k] != kInvalidTemperature) {
            EXPECT_EQ(image[k], expected[k]);
        }
    }
    float fMin = 0;
    float fMax = 0;
    float fAvg = 0;
    sensor.GetLineTemperature(0, 0, 1, fMin, fMax, fAvg);
    const CLineStat line1 = ComputeLineStat(image.data() + 3, 3);
    EXPECT_EQ(fMax, line1.fMax);
    EXPECT_EQ(fAvg, line1.fAvg);
}

}  // namespace
