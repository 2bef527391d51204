// The receive-buffer pool of an instrument link: ten buffers in one block, the free and received
// lists under one lock, the process-wide packet counter, answer matching by arrival tick and the
// waits that wake as soon as a packet or a buffer comes back. Both the server's and the
// configuration tool's links are built on it; each keeps its own flags, traces and messages.
#pragma once

#include "CReadBuffer.h"
#include "CReadBufferList.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CReadBufferPool {
public:
    static constexpr std::size_t kBlockSize = 10416;
    static constexpr std::size_t kBufferCount = 10;
    static constexpr std::size_t kFirstOffset = 16;
    static constexpr std::size_t kBufferStride = 1040;
    static constexpr std::int32_t kBufferCapacity = 1024;
    // FindAnswer's schedule: ten attempts of up to 100 ms, about one second in all.
    static constexpr int kAnswerAttempts = 10;
    static constexpr std::uint32_t kAttemptMs = 100;

    // Answers true when the waiting caller should give up (its stop or cancel flag).
    using StopPredicate = std::function<bool()>;

    CReadBufferPool() = default;
    ~CReadBufferPool() = default;
    CReadBufferPool(const CReadBufferPool&) = delete;
    CReadBufferPool& operator=(const CReadBufferPool&) = delete;

    // Allocates the block and fills the free list with its ten buffers in block order; false when the
    // block cannot be allocated. A pool already allocated keeps its buffers.
    bool Allocate();
    // Empties both lists and releases the block. No thread may hold a buffer.
    void Release();
    bool IsAllocated() const;

    // Receiving side. Takes the first free buffer, waiting up to dwWaitMs for one to be given back;
    // false when none came or bStop answered true.
    bool TakeFree(CReadBuffer& buffer, std::uint32_t dwWaitMs, const StopPredicate& bStop = {});
    // Marks nLength received bytes: zero byte behind them, arrival tick, next packet number.
    static void Stamp(CReadBuffer& buffer, std::int32_t nLength);
    // Appends a stamped buffer to the received list and wakes whoever waits for a packet.
    void PushReceived(const CReadBuffer& buffer);
    // Gives a buffer back to the front of the free list with nId 0; every holder does so on every path.
    void GiveBack(CReadBuffer& buffer);

    // Consuming side. Takes the first received packet that arrived at or after dwSendTick (unsigned
    // comparison); packets that arrived earlier are stale and given back. False when none is there.
    bool TakeAnswer(std::uint32_t dwSendTick, CReadBuffer& buffer);
    // TakeAnswer, waiting up to dwWaitMs for packets to arrive; false after the wait or when bStop
    // answered true.
    bool WaitAnswer(std::uint32_t dwSendTick, CReadBuffer& buffer, std::uint32_t dwWaitMs,
                    const StopPredicate& bStop = {});
    // FindAnswer's rule: up to kAnswerAttempts attempts of kAttemptMs each, ending at the first answer.
    bool FindAnswerBuffer(std::uint32_t dwSendTick, CReadBuffer& buffer);

    // Wakes every wait of this pool so that it looks at its stop predicate again.
    void Wake();

    std::size_t FreeCount() const;
    std::size_t ReceivedCount() const;

    // The packet's text with trailing zero, LF and CR bytes removed.
    static std::string AnswerText(const CReadBuffer& buffer);
    // The last packet number given out in this process (the counter is never reset).
    static std::int32_t LastPacketId();

private:
    bool TakeAnswerLocked(std::uint32_t dwSendTick, CReadBuffer& buffer);
    void GiveBackLocked(CReadBuffer& buffer);

    mutable std::mutex m_mutexBuffers;
    std::condition_variable m_cvArrival;  // a packet arrived, or Wake
    std::condition_variable m_cvFree;     // a buffer was given back, or Wake
    std::uint64_t m_nArrivals = 0;        // packets pushed so far; waits watch it change
    CReadBufferList<kBufferCount> m_listReceived;
    CReadBufferList<kBufferCount> m_listFree;
    std::unique_ptr<char[]> m_pBufferBlock;
};
