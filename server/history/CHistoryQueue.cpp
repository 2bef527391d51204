// Queueing of plane images for the history: quantising, the bounded pending queue and the record pool.
#include "CHistoryQueue.h"

#include "DebugPrint.h"
#include "HistoryImageFile.h"
#include "HistoryNames.h"
#include "TimeSource.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Valid for the history: not below -299.0. NaN and infinities are no temperatures and count as invalid,
// so that the limits and the quantising stay finite.
bool IsHistoryValid(float v) { return v >= -299.0f && std::isfinite(v); }

// Integer part in double precision; B only matters within 0 .. 255, so it is clamped first.
int QuantisedStep(double value)
{
    if (!(value > -1.0))
        return -1;
    if (value > 256.0)
        return 256;
    return static_cast<int>(value);
}

} // namespace

void CHistoryQueue::Configure(std::string strRoot, int nPlanes)
{
    m_strRoot = std::move(strRoot);
    m_nPlanes = nPlanes;
}

void CHistoryQueue::ResetTimes(FILETIME64 ftNow)
{
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    m_ftLastData = ftNow;
    m_ftLastSave = ftNow;
}

void CHistoryQueue::AddData(int nGlobalIndex, const CPlaneInfo& plane)
{
    {
        std::lock_guard<std::mutex> guard(m_mutexHistory);
        m_ftLastData = TimeSource().SystemFileTime();
    }
    if (m_strRoot.empty())
        return;

    const std::int32_t cells =
        std::max<std::int32_t>(0, std::min<std::int32_t>(plane.m_nCells, static_cast<std::int32_t>(plane.m_vImage.size())));
    const float* image = plane.m_vImage.data();
    float lowest = 999.0f;
    float highest = -999.0f;
    for (std::int32_t c = 0; c < cells; ++c) {
        const float v = image[c];
        if (!IsHistoryValid(v))
            continue;
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    if (lowest > highest) {
        DebugPrint("CTermoSensor4Quorax::AddData4SaveLocal : Skip image for plane[%d] -- no real data (all temperature "
                   "values are invalid) !!!",
                   nGlobalIndex);
        return;
    }

    std::list<CHistoryData> record;
    {
        std::lock_guard<std::mutex> guard(m_mutexHistory);
        if (m_nPending > 3 * m_nPlanes) {
            DebugPrint("CTermoSensor4Quorax::AddData4SaveLocal : Skip image for plane[%d] -- to many images (%d) not "
                       "saved yet !!!",
                       nGlobalIndex, m_nPending);
            return;
        }
        const auto pooled = std::find_if(m_listPool.begin(), m_listPool.end(),
                                         [](const CHistoryData& data) { return data.nCapacity != 0; });
        if (pooled != m_listPool.end()) {
            record.splice(record.end(), m_listPool, pooled);
            --m_nPool;
        }
    }
    if (record.empty()) {
        try {
            record.emplace_back();
        } catch (const std::bad_alloc&) {
            DebugPrint("CTermoSensor4Quorax::AddData4SaveLocal : ERROR - can't alloate CHistoryData struct !!!");
            return;
        }
    }
    CHistoryData& data = record.front();
    if (data.nCapacity < cells) {
        data.pCells.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(cells)]);
        if (data.pCells == nullptr) {
            DebugPrint("CTermoSensor4Quorax::AddData4SaveLocal : ERROR - can't alloate picture buffer for CHistoryData "
                       "struct with size=%d !!!",
                       cells);
            return;
        }
        data.nCapacity = cells;
    }

    data.nPlaneNumber = nGlobalIndex + 1;
    data.nWidth = plane.m_nPointsPerLine;
    data.nHeight = plane.m_nLines;
    data.nLowest = TemperatureTenths(static_cast<double>(lowest));
    data.nHighest = TemperatureTenths(static_cast<double>(highest));
    data.ftTime = TimeSource().SystemFileTime();

    // The factor is 255, not 254: stored files depend on it, and B = 254 and 255 both give byte 255.
    const float k = 255.0f / (highest - lowest);
    std::uint8_t* out = data.pCells.get();
    for (std::int32_t c = 0; c < cells; ++c) {
        const float v = image[c];
        if (!IsHistoryValid(v)) {
            out[c] = 0;
            continue;
        }
        if (highest == lowest) {
            out[c] = 1;
            continue;
        }
        const float product = (v - lowest) * k;
        const int b = QuantisedStep(static_cast<double>(product) + 0.499);
        out[c] = b < 0 ? 1 : (b > 254 ? 255 : static_cast<std::uint8_t>(b + 1));
    }

    std::lock_guard<std::mutex> guard(m_mutexHistory);
    m_listPending.splice(m_listPending.end(), record);
    ++m_nPending;
}

void CHistoryQueue::SaveLoop(const std::atomic<bool>& bStop, const std::atomic<bool>& bCancel)
{
    if (m_strRoot.empty())
        return;
    while (!bStop && !bCancel)
        if (!SavePending())
            TimeSource().Sleep(100);
}

bool CHistoryQueue::SavePending()
{
    std::list<CHistoryData> record;
    {
        std::lock_guard<std::mutex> guard(m_mutexHistory);
        if (m_listPending.empty())
            return false;
        record.splice(record.end(), m_listPending, m_listPending.begin());
        --m_nPending;
    }
    // Written or not, the record goes back to the pool: a failed image is not retried.
    const bool written = WriteImageFile(record.front(), m_strRoot);
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    if (written)
        m_ftLastSave = TimeSource().SystemFileTime();
    m_listPool.splice(m_listPool.end(), record);
    ++m_nPool;
    return true;
}

eHistoryState CHistoryQueue::GetHistoryState(bool bAcquiring) const
{
    if (!bAcquiring)
        return eHistoryState_Init;
    const FILETIME64 now = TimeSource().SystemFileTime();
    FILETIME64 lastData = 0;
    FILETIME64 lastSave = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutexHistory);
        lastData = m_ftLastData;
        lastSave = m_ftLastSave;
    }
    const auto recent = [now](FILETIME64 ft) { return ft > now || now - ft < kHistoryStateWindow; };
    if (recent(lastSave))
        return eHistoryState_Running;
    if (recent(lastData))
        return eHistoryState_NoFile;
    return eHistoryState_NoData;
}

int CHistoryQueue::PendingCount() const
{
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    return m_nPending;
}

int CHistoryQueue::PoolCount() const
{
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    return m_nPool;
}

FILETIME64 CHistoryQueue::LastData() const
{
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    return m_ftLastData;
}

FILETIME64 CHistoryQueue::LastSave() const
{
    std::lock_guard<std::mutex> guard(m_mutexHistory);
    return m_ftLastSave;
}
