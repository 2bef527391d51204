#include "CReadBufferPool.h"
#include "TimeSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

class ALinkWithTenBuffers : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pool.Allocate()); }

    // Receives text as one packet stamped at dwTick.
    void Arrive(const std::string& text, std::uint32_t dwTick)
    {
        CReadBuffer buffer;
        ASSERT_TRUE(pool.TakeFree(buffer, 0));
        std::memcpy(buffer.pData, text.data(), text.size());
        CReadBufferPool::Stamp(buffer, static_cast<std::int32_t>(text.size()));
        buffer.dwTick = dwTick;
        pool.PushReceived(buffer);
    }

    CReadBufferPool pool;
};

TEST_F(ALinkWithTenBuffers, LaysItsBuffersIntoOneBlockAndReusesTheLastGivenBack)
{
    std::vector<CReadBuffer> taken(10);
    for (auto& buffer : taken)
        ASSERT_TRUE(pool.TakeFree(buffer, 0));
    CReadBuffer none;
    EXPECT_FALSE(pool.TakeFree(none, 0));
    for (std::size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(taken[k].pData - taken[0].pData, static_cast<std::ptrdiff_t>(k * 1040));
        EXPECT_EQ(taken[k].nCapacity, 1024);
    }
    // The block is 10,416 bytes: the last buffer's 1024 bytes and zero byte end inside it.
    EXPECT_LE(16 + 9 * 1040 + 1025, static_cast<int>(CReadBufferPool::kBlockSize));
    taken[3].nId = 77;
    pool.GiveBack(taken[3]);
    pool.GiveBack(taken[5]);
    CReadBuffer next;
    ASSERT_TRUE(pool.TakeFree(next, 0));
    EXPECT_EQ(next.pData, taken[5].pData);
    ASSERT_TRUE(pool.TakeFree(next, 0));
    EXPECT_EQ(next.pData, taken[3].pData);
    EXPECT_EQ(next.nId, 0);
}

TEST_F(ALinkWithTenBuffers, DiscardsPacketsOlderThanTheQuestion)
{
    Arrive("old1", 100);
    Arrive("old2", 199);
    Arrive("new", 200);
    Arrive("later", 300);
    CReadBuffer answer;
    ASSERT_TRUE(pool.TakeAnswer(200, answer));
    EXPECT_EQ(CReadBufferPool::AnswerText(answer), "new");
    EXPECT_EQ(pool.ReceivedCount(), 1U);
    EXPECT_EQ(pool.FreeCount(), 8U);
    pool.GiveBack(answer);
    EXPECT_EQ(pool.FreeCount() + pool.ReceivedCount(), 10U);
}

TEST_F(ALinkWithTenBuffers, MatchesAnswersAcrossTheTickCountWrap)
{
    Arrive("after wrap", 5);
    CReadBuffer answer;
    ASSERT_TRUE(pool.TakeAnswer(0xFFFFFFF0U, answer));
    EXPECT_EQ(CReadBufferPool::AnswerText(answer), "after wrap");
    pool.GiveBack(answer);
}

TEST_F(ALinkWithTenBuffers, NumbersPacketsAndEndsThemWithAZeroByte)
{
    CReadBuffer buffer;
    ASSERT_TRUE(pool.TakeFree(buffer, 0));
    std::memset(buffer.pData, 'x', 1025);
    const std::int32_t before = CReadBufferPool::LastPacketId();
    CReadBufferPool::Stamp(buffer, 1024);
    EXPECT_EQ(buffer.nId, before + 1);
    EXPECT_EQ(buffer.pData[1024], '\0');
    EXPECT_EQ(buffer.nLength, 1024);
    pool.GiveBack(buffer);
}

TEST(AnAnswerText, LosesTrailingZeroLineFeedAndCarriageReturnBytesOnly)
{
    struct Case {
        std::string packet;
        std::string text;
    };
    const Case cases[] = {
        {"1\r\n", "1"}, {std::string("12\0", 3), "12"}, {"\r\n", ""}, {" 5 \n\r\r", " 5 "},
        {std::string("a\0b\n", 4), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes(c.packet.begin(), c.packet.end());
        bytes.push_back('\0');
        CReadBuffer buffer{bytes.data(), 1024, static_cast<std::int32_t>(c.packet.size()), 0, 1};
        EXPECT_EQ(CReadBufferPool::AnswerText(buffer), c.text);
    }
}

TEST_F(ALinkWithTenBuffers, GivesUpOnAnAnswerAfterTenAttemptsOfAHundredMilliseconds)
{
    auto clock = std::make_shared<ManualTimeSource>(1000);
    ScopedTimeSource scoped(clock);
    Arrive("stale", 999);
    CReadBuffer answer;
    EXPECT_FALSE(pool.FindAnswerBuffer(1000, answer));
    EXPECT_EQ(clock->TickCount(), 2000U);
    EXPECT_EQ(pool.FreeCount(), 10U);
}

TEST_F(ALinkWithTenBuffers, WakesAWaitingQuestionAsSoonAsItsAnswerArrives)
{
    const auto start = std::chrono::steady_clock::now();
    std::thread producer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Arrive("7", TimeSource().TickCount());
    });
    CReadBuffer answer;
    // A window of a minute: only the arrival can end the wait in time.
    const bool found = pool.WaitAnswer(TimeSource().TickCount(), answer, 60000);
    producer.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(CReadBufferPool::AnswerText(answer), "7");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    pool.GiveBack(answer);
}

TEST_F(ALinkWithTenBuffers, EndsItsWaitsWhenWokenWithAStopRequest)
{
    std::vector<CReadBuffer> taken(10);
    for (auto& buffer : taken)
        ASSERT_TRUE(pool.TakeFree(buffer, 0));
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    std::thread receiver([&] {
        CReadBuffer buffer;
        if (!pool.TakeFree(buffer, 60000, [&] { return stop.load(); }))
            ++ended;
    });
    std::thread consumer([&] {
        CReadBuffer buffer;
        if (!pool.WaitAnswer(0, buffer, 60000, [&] { return stop.load(); }))
            ++ended;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    pool.Wake();
    receiver.join();
    consumer.join();
    EXPECT_EQ(ended.load(), 2);
    for (auto& buffer : taken)
        pool.GiveBack(buffer);
    EXPECT_EQ(pool.FreeCount(), 10U);
}

TEST_F(ALinkWithTenBuffers, HandsABufferToAWaitingReceiverWhenOneIsGivenBack)
{
    std::vector<CReadBuffer> taken(10);
    for (auto& buffer : taken)
        ASSERT_TRUE(pool.TakeFree(buffer, 0));
    CReadBuffer got;
    std::thread receiver([&] { EXPECT_TRUE(pool.TakeFree(got, 60000)); });
    pool.GiveBack(taken[2]);
    receiver.join();
    EXPECT_EQ(got.pData, taken[2].pData);
    pool.GiveBack(got);
    for (std::size_t k = 0; k < 10; ++k)
        if (k != 2)
            pool.GiveBack(taken[k]);
    EXPECT_EQ(pool.FreeCount(), 10U);
}

} // namespace
