// Assembles one '#'-framed data block of big-endian floats from the packets that carry it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CDataBlockCollector {
public:
    // The largest count N accepted: the count sizes the value vector before any value arrives.
    static constexpr std::int32_t kMaxValues = 1'000'000;

    enum eFeed {
        eFeedMore,      // the block goes on in later packets
        eFeedComplete,  // all N values are in
        eFeedBadFirst,  // the first byte is not '#'
        eFeedBadSecond, // the second byte is not a digit
        eFeedBadCount,  // N is below 10
        eFeedTooLarge,  // N is above kMaxValues
    };

    // The values are written into vValues, which is reused and only grows.
    explicit CDataBlockCollector(std::vector<float>& vValues);

    // Takes the next packet; the first one carries the header. After any answer other than eFeedMore
    // further packets are ignored.
    eFeed Feed(const char* pData, std::size_t nLength);

    bool HeaderSeen() const { return m_bHeaderSeen; }
    // The block's count N once its header was accepted; 0 otherwise.
    std::int32_t Count() const { return m_nCount; }
    // The count as the header gave it, also when it was refused.
    std::int32_t HeaderCount() const { return m_nHeaderCount; }
    // Values received so far.
    std::int32_t Filled() const { return m_nFilled; }

private:
    eFeed ReadHeader(const char*& pData, std::size_t& nLength);

    std::vector<float>& m_vValues;
    bool m_bHeaderSeen = false;
    bool m_bEnded = false;
    std::int32_t m_nCount = 0;
    std::int32_t m_nHeaderCount = 0;
    std::int32_t m_nFilled = 0;
    std::uint32_t m_dwAccumulator = 0;
    int m_nAccumulated = 0;
};
