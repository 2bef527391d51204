// System, scaled and manual time sources, and the process-wide selection between them.
#include "TimeSource.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

std::int64_t MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

FILETIME64 RealtimeFileTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeFromUnixNanoseconds(static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
}

void SleepRealNanoseconds(std::int64_t nanoseconds)
{
    if (nanoseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    timespec request{static_cast<time_t>(nanoseconds / 1'000'000'000LL), static_cast<long>(nanoseconds % 1'000'000'000LL)};
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

bool WaitRealNanoseconds(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t nanoseconds,
                         const std::function<bool()>& pred)
{
    return cv.wait_for(lock, std::chrono::nanoseconds(nanoseconds), pred);
}

SystemTimeSource g_systemSource;
std::atomic<ITimeSource*> g_pSource{&g_systemSource};
std::shared_ptr<ITimeSource> g_keepAlive;
std::mutex g_setMutex;

} // namespace

ITimeSource& TimeSource() { return *g_pSource.load(std::memory_order_acquire); }

void SetTimeSource(std::shared_ptr<ITimeSource> source)
{
    std::lock_guard<std::mutex> guard(g_setMutex);
    g_pSource.store(source ? source.get() : &g_systemSource, std::memory_order_release);
    g_keepAlive = std::move(source);
}

double ConfigureTimeSourceFromEnvironment()
{
    const char* text = std::getenv("PYROLAN_TIME_SCALE");
    if (text == nullptr)
        return 1.0;
    char* end = nullptr;
    const double factor = std::strtod(text, &end);
    if (end == text || !(factor > 1.0) || factor > 10000.0)
        return 1.0;
    SetTimeSource(std::make_shared<ScaledTimeSource>(factor, g_systemSource.TickCount(), RealtimeFileTime()));
    return factor;
}

std::uint32_t SystemTimeSource::TickCount()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(MonotonicNanoseconds() / 1'000'000LL));
}

FILETIME64 SystemTimeSource::SystemFileTime() { return RealtimeFileTime(); }

void SystemTimeSource::Sleep(std::uint32_t milliseconds)
{
    SleepRealNanoseconds(static_cast<std::int64_t>(milliseconds) * 1'000'000LL);
}

bool SystemTimeSource::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                               std::uint32_t milliseconds, const std::function<bool()>& pred)
{
    return WaitRealNanoseconds(cv, lock, static_cast<std::int64_t>(milliseconds) * 1'000'000LL, pred);
}

ScaledTimeSource::ScaledTimeSource(double factor, std::uint32_t startTick, FILETIME64 startTime)
    : m_dFactor(factor > 0.0 ? factor : 1.0),
      m_dwStartTick(startTick),
      m_ftStart(startTime != 0 ? startTime : RealtimeFileTime()),
      m_nRealStartNs(MonotonicNanoseconds())
{
}

double ScaledTimeSource::ScaledMilliseconds() const
{
    return static_cast<double>(MonotonicNanoseconds() - m_nRealStartNs) / 1e6 * m_dFactor;
}

std::uint32_t ScaledTimeSource::TickCount()
{
    return m_dwStartTick + static_cast<std::uint32_t>(static_cast<std::uint64_t>(ScaledMilliseconds()));
}

FILETIME64 ScaledTimeSource::SystemFileTime()
{
    return m_ftStart + static_cast<FILETIME64>(ScaledMilliseconds() * 10'000.0);
}

void ScaledTimeSource::Sleep(std::uint32_t milliseconds)
{
    SleepRealNanoseconds(static_cast<std::int64_t>(static_cast<double>(milliseconds) * 1e6 / m_dFactor));
}

bool ScaledTimeSource::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                               std::uint32_t milliseconds, const std::function<bool()>& pred)
{
    return WaitRealNanoseconds(cv, lock, static_cast<std::int64_t>(static_cast<double>(milliseconds) * 1e6 / m_dFactor),
                               pred);
}

ManualTimeSource::ManualTimeSource(std::uint32_t startTick, FILETIME64 startTime)
    : m_dwStartTick(startTick), m_ftStart(startTime != 0 ? startTime : RealtimeFileTime())
{
}

std::uint32_t ManualTimeSource::TickCount()
{
    return m_dwStartTick.load() + static_cast<std::uint32_t>(m_nElapsedMs.load());
}

FILETIME64 ManualTimeSource::SystemFileTime() { return m_ftStart.load() + m_nElapsedMs.load() * 10'000ULL; }

void ManualTimeSource::Sleep(std::uint32_t milliseconds)
{
    Advance(milliseconds);
    std::this_thread::yield();
}

bool ManualTimeSource::WaitFor(std::condition_variable&, std::unique_lock<std::mutex>& lock,
                               std::uint32_t milliseconds, const std::function<bool()>& pred)
{
    if (pred())
        return true;
    lock.unlock();
    Advance(milliseconds);
    std::this_thread::yield();
    lock.lock();
    return pred();
}

void ManualTimeSource::Advance(std::uint64_t milliseconds) { m_nElapsedMs.fetch_add(milliseconds); }

void ManualTimeSource::SetSystemFileTime(FILETIME64 ft) { m_ftStart.store(ft - m_nElapsedMs.load() * 10'000ULL); }
