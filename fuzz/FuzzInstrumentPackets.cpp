// Fuzz target: the instrument link's answer matching and data-block collection, fed with packets.
// Input: one flag byte (bit 0: Debug traces), then packets, each a signed arrival offset in ms from
// the question, a big-endian 16-bit length (taken modulo 1025) and that many bytes. The packets arrive
// while the consumer waits, as many at a time as the pool has free buffers.
#include "CDataBlockCollector.h"
#include "CTermoSensor4Quorax.h"
#include "DebugOutput.h"
#include "TimeSource.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

class CFuzzSensor : public CTermoSensor4Quorax {
public:
    CFuzzSensor() : CTermoSensor4Quorax("/nonexistent.ini") { m_buffers.Allocate(); }
    using CTermoSensor4Quorax::CollectDataBlock;
    using CTermoSensor4Quorax::FindAnswer;
    CReadBufferPool& Buffers() { return m_buffers; }
    const std::vector<float>& Values() const { return m_vTraceValues; }
    void SetDebug(bool b) { m_bDebug = b; }
};

struct Input {
    const std::uint8_t* pData = nullptr;
    std::size_t nLeft = 0;
};

// Time that moves only by waits; every wait first delivers the next packets.
class CPacketTime : public ITimeSource {
public:
    std::uint32_t TickCount() override { return m_dwTick; }
    FILETIME64 SystemFileTime() override { return 0; }
    void Sleep(std::uint32_t ms) override { m_dwTick += ms; }
    bool WaitFor(std::condition_variable&, std::unique_lock<std::mutex>& lock, std::uint32_t ms,
                 const std::function<bool()>& pred) override
    {
        if (pred())
            return true;
        lock.unlock();
        Deliver();
        m_dwTick += ms;
        lock.lock();
        return pred();
    }

    void Deliver()
    {
        if (m_pSensor == nullptr)
            return;
        CReadBufferPool& pool = m_pSensor->Buffers();
        while (m_input.nLeft >= 3) {
            CReadBuffer buffer;
            if (!pool.TakeFree(buffer, 0))
                return;
            const auto nOffset = static_cast<std::int8_t>(m_input.pData[0]);
            std::size_t nLength = ((static_cast<std::size_t>(m_input.pData[1]) << 8) | m_input.pData[2]) % 1025;
            m_input.pData += 3;
            m_input.nLeft -= 3;
            if (nLength > m_input.nLeft)
                nLength = m_input.nLeft;
            std::memcpy(buffer.pData, m_input.pData, nLength);
            m_input.pData += nLength;
            m_input.nLeft -= nLength;
            if (nLength == 0) {
                pool.GiveBack(buffer);
                continue;
            }
            CReadBufferPool::Stamp(buffer, static_cast<std::int32_t>(nLength));
            buffer.dwTick = m_dwQuestion + static_cast<std::uint32_t>(static_cast<std::int32_t>(nOffset));
            pool.PushReceived(buffer);
        }
    }

    std::uint32_t m_dwTick = 100000;
    std::uint32_t m_dwQuestion = 0;
    Input m_input;
    CFuzzSensor* m_pSensor = nullptr;
};

void Check(bool bCondition)
{
    if (!bCondition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::shared_ptr<CPacketTime> time = [] {
        SetDebugOutputSink([](std::string_view) {}, false);
        auto source = std::make_shared<CPacketTime>();
        SetTimeSource(source);
        return source;
    }();
    if (size < 1)
        return 0;
    CFuzzSensor sensor;
    sensor.SetDebug((data[0] & 1) != 0);
    time->m_pSensor = &sensor;
    time->m_input = Input{data + 1, size - 1};

    // A question, then a data question on the rest of the packets, as DeviceLoop asks them.
    time->m_dwQuestion = time->m_dwTick;
    time->Deliver();
    (void)sensor.FindAnswer(time->m_dwQuestion);
    Check(sensor.Buffers().FreeCount() + sensor.Buffers().ReceivedCount() == CReadBufferPool::kBufferCount);

    time->m_dwTick += 1000;
    time->m_dwQuestion = time->m_dwTick;
    std::int32_t nCount = 0;
    (void)sensor.CollectDataBlock(time->m_dwQuestion, nCount);
    Check(nCount >= 0 && nCount <= CDataBlockCollector::kMaxValues);
    Check(nCount == 0 || sensor.Values().size() == static_cast<std::size_t>(nCount));
    Check(sensor.Buffers().FreeCount() + sensor.Buffers().ReceivedCount() == CReadBufferPool::kBufferCount);

    time->m_pSensor = nullptr;
    return 0;
}
