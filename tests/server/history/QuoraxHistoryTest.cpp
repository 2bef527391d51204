// The instrument sensor answers the history questions from the history folder of its configuration.
#include "CTermoSensor4Quorax.h"
#include "HistoryTestSupport.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

TEST(AnInstrumentSensor, AnswersHistoryQuestionsFromItsConfiguredFolder)
{
    ScopedTimeZone zone;
    LogCapture log;
    TempDir dir;
    // No address: the sensor never connects, so it is not acquiring.
    const std::string config = dir.Write("PyrolanServer.ini", "CntPlane=8\nPlane0=2\nPlane7=2\nPostPlay=hist\n");
    StoreImage(dir, "hist/2024_03", 8, 7, 10, 0, 0, 125, 625);
    StoreImage(dir, "hist/2024_03", 1, 7, 11, 0, 0, 0, 0);

    CTermoSensor4Quorax sensor(config);
    ASSERT_EQ(sensor.InitSensor(), S_OK);
    EXPECT_EQ(sensor.GetPostPlay(), dir.Path() + "/hist/");

    FILETIME64 has = 0;
    float lowest = 0;
    float highest = 0;
    const FILETIME64 at = LocalTime(2024, 3, 7, 9, 0, 0);
    ASSERT_TRUE(sensor.FindHistory(1, 1, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_EQ(has, LocalTime(2024, 3, 7, 10, 0, 0));
    EXPECT_FLOAT_EQ(lowest, 12.5f);
    EXPECT_FLOAT_EQ(highest, 62.5f);
    HistoryImage image;
    ASSERT_TRUE(sensor.FillHistoryData(0, 0, at, image));
    EXPECT_EQ(image.ftTime, LocalTime(2024, 3, 7, 11, 0, 0));
    FILETIME64 from = 0;
    FILETIME64 to = 0;
    EXPECT_TRUE(sensor.GetErrorInterval(1, 1, at, true, 20.0f, 30.0f, from, to));

    // Plane 6 of tank 0 does not exist, nor a global index beyond the configured planes.
    EXPECT_FALSE(sensor.FindHistory(0, 6, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_FALSE(sensor.FindHistory(1, 2, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_FALSE(sensor.FindHistory(-1, 0, at, true, 300.0f, -300.0f, has, lowest, highest));
    EXPECT_EQ(sensor.GetHistoryState(), eHistoryState_Init);
    sensor.Stop();
}
