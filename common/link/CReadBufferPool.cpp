// Buffer pool of an instrument link: block layout, the two lists and the waits on them.
#include "CReadBufferPool.h"

#include "TimeSource.h"

#include <atomic>
#include <new>

namespace {
// Numbers packets across every link of the process; wraps rather than overflowing.
std::atomic<std::uint32_t> g_nPacketCounter{0};
} // namespace

bool CReadBufferPool::Allocate()
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    if (m_pBufferBlock)
        return true;
    m_pBufferBlock.reset(new (std::nothrow) char[kBlockSize]());
    if (!m_pBufferBlock)
        return false;
    m_listReceived.clear();
    m_listFree.clear();
    for (std::size_t k = 0; k < kBufferCount; ++k) {
        CReadBuffer buffer;
        buffer.pData = m_pBufferBlock.get() + kFirstOffset + k * kBufferStride;
        buffer.nCapacity = kBufferCapacity;
        m_listFree.push_back(buffer);
    }
    return true;
}

void CReadBufferPool::Release()
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    m_listReceived.clear();
    m_listFree.clear();
    m_pBufferBlock.reset();
}

bool CReadBufferPool::IsAllocated() const
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    return static_cast<bool>(m_pBufferBlock);
}

bool CReadBufferPool::TakeFree(CReadBuffer& buffer, std::uint32_t dwWaitMs, const StopPredicate& bStop)
{
    std::unique_lock<std::mutex> lock(m_mutexBuffers);
    const auto stopped = [&] { return bStop && bStop(); };
    if (m_listFree.empty()) {
        if (dwWaitMs == 0 || stopped())
            return false;
        TimeSource().WaitFor(m_cvFree, lock, dwWaitMs, [&] { return !m_listFree.empty() || stopped(); });
        if (m_listFree.empty() || stopped())
            return false;
    }
    buffer = m_listFree.pop_front();
    return true;
}

void CReadBufferPool::Stamp(CReadBuffer& buffer, std::int32_t nLength)
{
    if (nLength < 0)
        nLength = 0;
    if (nLength > buffer.nCapacity)
        nLength = buffer.nCapacity;
    buffer.pData[nLength] = '\0';
    buffer.nLength = nLength;
    buffer.dwTick = TimeSource().TickCount();
    buffer.nId = static_cast<std::int32_t>(g_nPacketCounter.fetch_add(1, std::memory_order_relaxed) + 1U);
}

void CReadBufferPool::PushReceived(const CReadBuffer& buffer)
{
    {
        std::lock_guard<std::mutex> guard(m_mutexBuffers);
        m_listReceived.push_back(buffer);
        ++m_nArrivals;
    }
    m_cvArrival.notify_all();
}

void CReadBufferPool::GiveBack(CReadBuffer& buffer)
{
    {
        std::lock_guard<std::mutex> guard(m_mutexBuffers);
        GiveBackLocked(buffer);
    }
    m_cvFree.notify_all();
}

void CReadBufferPool::GiveBackLocked(CReadBuffer& buffer)
{
    buffer.nId = 0;
    m_listFree.push_front(buffer);
}

bool CReadBufferPool::TakeAnswerLocked(std::uint32_t dwSendTick, CReadBuffer& buffer)
{
    bool bGaveBack = false;
    bool bFound = false;
    while (!m_listReceived.empty()) {
        CReadBuffer head = m_listReceived.pop_front();
        // Unsigned difference, so the rule survives the tick count's wrap.
        if (static_cast<std::int32_t>(head.dwTick - dwSendTick) >= 0) {
            buffer = head;
            bFound = true;
            break;
        }
        GiveBackLocked(head);
        bGaveBack = true;
    }
    if (bGaveBack)
        m_cvFree.notify_all();
    return bFound;
}

bool CReadBufferPool::TakeAnswer(std::uint32_t dwSendTick, CReadBuffer& buffer)
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    return TakeAnswerLocked(dwSendTick, buffer);
}

bool CReadBufferPool::WaitAnswer(std::uint32_t dwSendTick, CReadBuffer& buffer, std::uint32_t dwWaitMs,
                                 const StopPredicate& bStop)
{
    std::unique_lock<std::mutex> lock(m_mutexBuffers);
    const auto stopped = [&] { return bStop && bStop(); };
    if (stopped())
        return false;
    if (TakeAnswerLocked(dwSendTick, buffer))
        return true;
    const std::uint32_t dwStart = TimeSource().TickCount();
    for (;;) {
        const std::uint32_t dwElapsed = TimeSource().TickCount() - dwStart;
        if (dwElapsed >= dwWaitMs)
            return false;
        const std::uint64_t nSeen = m_nArrivals;
        const bool bWoken = TimeSource().WaitFor(m_cvArrival, lock, dwWaitMs - dwElapsed,
                                                 [&] { return m_nArrivals != nSeen || stopped(); });
        if (stopped())
            return false;
        if (TakeAnswerLocked(dwSendTick, buffer))
            return true;
        if (!bWoken)
            return false;
    }
}

bool CReadBufferPool::FindAnswerBuffer(std::uint32_t dwSendTick, CReadBuffer& buffer)
{
    for (int attempt = 0; attempt < kAnswerAttempts; ++attempt)
        if (WaitAnswer(dwSendTick, buffer, kAttemptMs))
            return true;
    return false;
}

void CReadBufferPool::Wake()
{
    // Taking the lock orders the caller's flag change before any waiter's next look at it.
    { std::lock_guard<std::mutex> guard(m_mutexBuffers); }
    m_cvArrival.notify_all();
    m_cvFree.notify_all();
}

std::size_t CReadBufferPool::FreeCount() const
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    return m_listFree.size();
}

std::size_t CReadBufferPool::ReceivedCount() const
{
    std::lock_guard<std::mutex> guard(m_mutexBuffers);
    return m_listReceived.size();
}

std::string CReadBufferPool::AnswerText(const CReadBuffer& buffer)
{
    if (buffer.pData == nullptr || buffer.nLength <= 0)
        return {};
    std::size_t n = static_cast<std::size_t>(buffer.nLength);
    while (n > 0 && (buffer.pData[n - 1] == '\0' || buffer.pData[n - 1] == '\n' || buffer.pData[n - 1] == '\r'))
        --n;
    return std::string(buffer.pData, n);
}

std::int32_t CReadBufferPool::LastPacketId()
{
    return static_cast<std::int32_t>(g_nPacketCounter.load(std::memory_order_relaxed));
}
