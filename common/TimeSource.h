// The one seam for time: tick count, wall clock, sleeps and timed waits of every thread go through it,
// so tests can run minutes of the system's time in milliseconds.
#pragma once

#include "FileTime.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class ITimeSource {
public:
    virtual ~ITimeSource() = default;
    // Milliseconds since an arbitrary start as an unsigned 32-bit value that wraps.
    virtual std::uint32_t TickCount() = 0;
    // Current UTC time as a FILETIME.
    virtual FILETIME64 SystemFileTime() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Waits on cv (lock held by the caller) until pred holds or the time has passed; answers pred().
    virtual bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds,
                         const std::function<bool()>& pred) = 0;
};

// The process-wide source; the system clock unless a test or PYROLAN_TIME_SCALE replaced it.
ITimeSource& TimeSource();
// Replaces the process-wide source; nullptr restores the system clock. Call before starting threads.
void SetTimeSource(std::shared_ptr<ITimeSource> source);
// Installs a ScaledTimeSource when PYROLAN_TIME_SCALE holds a factor above 1 (used by test fixtures
// that start whole programs). Answers the factor in use.
double ConfigureTimeSourceFromEnvironment();

// The real clocks: CLOCK_MONOTONIC for ticks, CLOCK_REALTIME for the wall clock.
class SystemTimeSource : public ITimeSource {
public:
    std::uint32_t TickCount() override;
    FILETIME64 SystemFileTime() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds,
                 const std::function<bool()>& pred) override;
};

// Real time running faster by a factor: every sleep and wait is shortened by it, ticks and the wall
// clock advance by it. Keeps threads causal while polls of seconds pass in milliseconds.
class ScaledTimeSource : public ITimeSource {
public:
    explicit ScaledTimeSource(double factor, std::uint32_t startTick = 1000, FILETIME64 startTime = 0);
    std::uint32_t TickCount() override;
    FILETIME64 SystemFileTime() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds,
                 const std::function<bool()>& pred) override;

private:
    double ScaledMilliseconds() const;
    double m_dFactor;
    std::uint32_t m_dwStartTick;
    FILETIME64 m_ftStart;
    std::int64_t m_nRealStartNs;
};

// Time that moves only when told: Sleep and an unsatisfied WaitFor advance it by their duration and
// return at once. For single-threaded tests of time-driven logic.
class ManualTimeSource : public ITimeSource {
public:
    explicit ManualTimeSource(std::uint32_t startTick = 1000, FILETIME64 startTime = 0);
    std::uint32_t TickCount() override;
    FILETIME64 SystemFileTime() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds,
                 const std::function<bool()>& pred) override;
    void Advance(std::uint64_t milliseconds);
    void SetSystemFileTime(FILETIME64 ft);

private:
    std::atomic<std::uint64_t> m_nElapsedMs{0};
    std::atomic<std::uint32_t> m_dwStartTick;
    std::atomic<FILETIME64> m_ftStart;
};

// Installs a source for the lifetime of a scope and restores the system clock afterwards.
class ScopedTimeSource {
public:
    explicit ScopedTimeSource(std::shared_ptr<ITimeSource> source) { SetTimeSource(std::move(source)); }
    ~ScopedTimeSource() { SetTimeSource(nullptr); }
    ScopedTimeSource(const ScopedTimeSource&) = delete;
    ScopedTimeSource& operator=(const ScopedTimeSource&) = delete;
};
