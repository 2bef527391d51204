// Data-block header checks and the byte-wise assembly of the values.
#include "CDataBlockCollector.h"

#include "PlantTypes.h"

#include <bit>

CDataBlockCollector::CDataBlockCollector(std::vector<float>& vValues) : m_vValues(vValues) {}

CDataBlockCollector::eFeed CDataBlockCollector::ReadHeader(const char*& pData, std::size_t& nLength)
{
    m_bHeaderSeen = true;
    if (nLength < 1 || pData[0] != '#')
        return eFeedBadFirst;
    if (nLength < 2 || pData[1] < '0' || pData[1] > '9')
        return eFeedBadSecond;
    const std::size_t nDigits = static_cast<std::size_t>(pData[1] - '0');
    // The count's digits are read as atoi reads them; those missing from a short packet count as absent.
    const std::size_t nHeader = 2 + nDigits;
    const std::size_t nPresent = nLength < nHeader ? nLength : nHeader;
    std::size_t i = 2;
    while (i < nPresent && (pData[i] == ' ' || (pData[i] >= '\t' && pData[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < nPresent && (pData[i] == '+' || pData[i] == '-')) {
        bNegative = pData[i] == '-';
        ++i;
    }
    std::int64_t count = 0;
    for (; i < nPresent && pData[i] >= '0' && pData[i] <= '9'; ++i)
        count = count * 10 + (pData[i] - '0');
    m_nHeaderCount = static_cast<std::int32_t>(bNegative ? -count : count);
    if (m_nHeaderCount < 10)
        return eFeedBadCount;
    if (m_nHeaderCount > kMaxValues)
        return eFeedTooLarge;
    m_nCount = m_nHeaderCount;
    m_vValues.assign(static_cast<std::size_t>(m_nCount), kInvalidTemperature);
    pData += nPresent;
    nLength -= nPresent;
    return eFeedMore;
}

CDataBlockCollector::eFeed CDataBlockCollector::Feed(const char* pData, std::size_t nLength)
{
    if (m_bEnded)
        return eFeedComplete;
    if (!m_bHeaderSeen) {
        const eFeed header = ReadHeader(pData, nLength);
        if (header != eFeedMore) {
            m_bEnded = true;
            return header;
        }
    }
    for (std::size_t i = 0; i < nLength && m_nFilled < m_nCount; ++i) {
        m_dwAccumulator = (m_dwAccumulator << 8) | static_cast<std::uint8_t>(pData[i]);
        if (++m_nAccumulated == 4) {
            m_vValues[static_cast<std::size_t>(m_nFilled++)] = std::bit_cast<float>(m_dwAccumulator);
            m_dwAccumulator = 0;
            m_nAccumulated = 0;
        }
    }
    if (m_nFilled >= m_nCount) {
        m_bEnded = true;
        return eFeedComplete;
    }
    return eFeedMore;
}
