#include "DebugPrint.h"
#include "LogCapture.h"
#include "TimeSource.h"

#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace {

FILETIME64 LocalMoment(int hour, int minute, int second, int ms)
{
    CalendarTime local{2024, 3, 0, 7, hour, minute, second, ms};
    FILETIME64 ft = 0;
    EXPECT_TRUE(LocalCalendarToFileTime(local, ft));
    return ft;
}

TEST(DebugPrint, PrefixesTheLocalTimeToTheMillisecond)
{
    auto clock = std::make_shared<ManualTimeSource>(1000, LocalMoment(9, 5, 7, 42));
    ScopedTimeSource scope(clock);
    LogCapture log;
    DebugPrint("Run End\n");
    DebugPrintW(L"InitSensor #5  PostPlay='%ls'\n", L"/data/PostPlay/");
    ASSERT_EQ(log.Lines().size(), 2U);
    EXPECT_EQ(log.Lines()[0], "09:05:07.042: Run End\n");
    EXPECT_EQ(log.Lines()[1], "09:05:07.042: InitSensor #5  PostPlay='/data/PostPlay/'\n");
}

TEST(DebugPrint, CutsLongMessagesTo1009Characters)
{
    LogCapture log;
    const std::string longText(3000, 'n');
    DebugPrint("%s", longText.c_str());
    DebugPrintW(L"%ls", std::wstring(3000, L'w').c_str());
    ASSERT_EQ(log.Lines().size(), 2U);
    EXPECT_EQ(log.Lines()[0].size(), kDebugPrefixLength + kDebugMessageLimit);
    EXPECT_EQ(log.Lines()[1].size(), kDebugPrefixLength + kDebugMessageLimit);
}

TEST(DebugPrint, KeepsLinesFromManyThreadsWhole)
{
    LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                DebugPrint("thread %d line %d\n", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    const std::regex whole(R"(\d\d:\d\d:\d\d\.\d\d\d: thread \d line \d+\n)");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 800U);
    for (const auto& line : lines)
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
}

} // namespace
