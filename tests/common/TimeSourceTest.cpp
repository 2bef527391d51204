#include "TimeSource.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(AManualTimeSource, MovesOnlyBySleepsWaitsAndAdvancesAndWrapsItsTick)
{
    auto source = std::make_shared<ManualTimeSource>(0xFFFFFF00U, 1000ULL * kFileTimeTicksPerSecond);
    ScopedTimeSource scope(source);
    const std::uint32_t start = TimeSource().TickCount();
    TimeSource().Sleep(0x200);
    EXPECT_EQ(TimeSource().TickCount(), 0x100U);
    EXPECT_EQ(static_cast<std::uint32_t>(TimeSource().TickCount() - start), 0x200U);
    EXPECT_EQ(TimeSource().SystemFileTime(), 1000ULL * kFileTimeTicksPerSecond + 0x200ULL * 10'000ULL);

    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_FALSE(TimeSource().WaitFor(cv, lock, 1000, [] { return false; }));
    EXPECT_EQ(TimeSource().TickCount(), 0x100U + 1000U);
}

TEST(AScaledTimeSource, RunsSleepsFasterAndStillWakesAWaiterAtOnce)
{
    auto source = std::make_shared<ScaledTimeSource>(1000.0);
    ScopedTimeSource scope(source);
    const auto realStart = std::chrono::steady_clock::now();
    const std::uint32_t tickStart = TimeSource().TickCount();
    TimeSource().Sleep(10'000);  // ten seconds of the system's time
    EXPECT_GE(static_cast<std::uint32_t>(TimeSource().TickCount() - tickStart), 10'000U);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));

    std::mutex mutex;
    std::condition_variable cv;
    bool ready = false;
    std::thread notifier([&] {
        std::lock_guard<std::mutex> guard(mutex);
        ready = true;
        cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(TimeSource().WaitFor(cv, lock, 3'600'000, [&] { return ready; }));
    lock.unlock();
    notifier.join();
}

} // namespace
