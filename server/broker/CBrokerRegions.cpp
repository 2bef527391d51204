// Creation, publication, history copy and closing of the broker's two shared regions.
#include "CBrokerRegions.h"

#include "DebugPrint.h"
#include "PlantTypes.h"
#include "TimeSource.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

template <typename T>
std::atomic_ref<T> Word(std::byte* p)
{
    return std::atomic_ref<T>(*reinterpret_cast<T*>(p));
}

}  // namespace

CBrokerRegions::~CBrokerRegions() { ReleaseRegions(); }

HRESULT CBrokerRegions::InitSharedInfo(CTermoSensor* pSensor)
{
    if (pSensor == nullptr) {
        DebugPrint("CPyrolanBroker::InitSharedInfo ERROR #1 - NULL == m_pSensor !!!\n");
        return E_ACCESSDENIED;
    }
    ReleaseRegions();

    std::vector<LiveRecordLayout> planes;
    for (int tank = 0; tank < pSensor->GetTankCount(); ++tank) {
        for (int plane = 0; plane < pSensor->GetPlaneCount(tank); ++plane) {
            LiveRecordLayout record;
            record.nTankIndex = tank;
            record.nPlaneIndex = plane;
            pSensor->GetPlaneSize(tank, plane, record.nDXmeter, record.nDYmeter);
            record.nTermogrammCount4DX = pSensor->GetPointsPerLine(tank, plane);
            record.nTermogrammCount4DY = pSensor->GetLineCount(tank, plane);
            planes.push_back(record);
        }
    }
    if (planes.size() > LiveRegionHeader::kMaxRecords) {
        DebugPrint("CPyrolanBroker::InitSharedInfo: %zu planes, only the first %zu are published\n", planes.size(),
                   LiveRegionHeader::kMaxRecords);
        planes.resize(LiveRegionHeader::kMaxRecords);
    }
    const RegionPlan plan = PlanRegions(std::move(planes));
    // The sizes travel as signed 32-bit values; a plan beyond that cannot be created.
    const auto liveSize = static_cast<std::int32_t>(plan.nLiveSize > INT32_MAX ? 0 : plan.nLiveSize);
    const auto historySize = static_cast<std::int32_t>(plan.nHistorySize > INT32_MAX ? 0 : plan.nHistorySize);

    if (liveSize == 0 || !m_live.Create(LiveRegionName(), static_cast<std::size_t>(liveSize))) {
        const bool mapping = liveSize != 0 && m_live.Error() == CSharedMemory::eError_Map;
        const int error = liveSize == 0 ? EFBIG : m_live.ErrorNumber();
        if (mapping)
            DebugPrint("CPyrolanBroker::InitSharedInfo ERROR #3 - MapViewOfFile(LIVE,size=%d) ERROR = 0x%X/%d.\n",
                       liveSize, static_cast<unsigned>(error), error);
        else
            DebugPrint("CPyrolanBroker::InitSharedInfo ERROR #2 - CreateFileMappingA(LIVE,size=%d) ERROR = 0x%X/%d.\n",
                       static_cast<std::int32_t>(plan.nLiveSize), static_cast<unsigned>(error), error);
        return HResultFromErrno(error);
    }

    std::byte* live = m_live.Data();
    if (live == nullptr)
        return E_FAIL;
    std::memset(live, 0, static_cast<std::size_t>(liveSize));
    StoreVersion(live + LiveRegionHeader::kVersion, LiveRegionHeader::kVersionSize, kLiveRegionVersion);
    live[LiveRegionHeader::kRecordCount] = static_cast<std::byte>(plan.vRecords.size());
    for (std::size_t k = 0; k < plan.vRecords.size(); ++k) {
        const LiveRecordLayout& layout = plan.vRecords[k];
        StoreU32(live + LiveRegionHeader::RecordOffsetEntry(k), static_cast<std::uint32_t>(layout.nRecordStart));
        std::byte* record = live + layout.nRecordStart;
        const auto recordSize = static_cast<std::int32_t>(layout.nRecordSize);
        StoreI32(record + LivePlaneRecord::kRecordSize, recordSize);
        StoreI32(record + LivePlaneRecord::kTankIndex, layout.nTankIndex);
        StoreI32(record + LivePlaneRecord::kPlaneIndex, layout.nPlaneIndex);
        StoreI32(record + LivePlaneRecord::kHeadCounter, 1);
        StoreI32(record + LivePlaneRecord::kTailOffset, recordSize - 4);
        StoreI32(record + LivePlaneRecord::kDXmeter, layout.nDXmeter);
        StoreI32(record + LivePlaneRecord::kDYmeter, layout.nDYmeter);
        StoreI32(record + LivePlaneRecord::kTermogrammCount4DX, layout.nTermogrammCount4DX);
        StoreI32(record + LivePlaneRecord::kTermogrammCount4DY, layout.nTermogrammCount4DY);
        StoreI32(record + LivePlaneRecord::kCellCount, static_cast<std::int32_t>(layout.nCellCount));
        StoreI32(record + recordSize - 4, 1);
    }
    Word<std::uint32_t>(live + LiveRegionHeader::kTickCount).store(TimeSource().TickCount(), std::memory_order_release);

    if (historySize == 0 || !m_history.Create(HistoryRegionName(), static_cast<std::size_t>(historySize))) {
        const bool mapping = historySize != 0 && m_history.Error() == CSharedMemory::eError_Map;
        const int error = historySize == 0 ? EFBIG : m_history.ErrorNumber();
        if (mapping)
            DebugPrint("CPyrolanBroker::InitSharedInfo ERROR #5 - MapViewOfFile(HISTORY,size=%d) ERROR = 0x%X/%d.\n",
                       historySize, static_cast<unsigned>(error), error);
        else
            DebugPrint(
                "CPyrolanBroker::InitSharedInfo ERROR #4 - CreateFileMappingA(HISTORY,size=%d) ERROR = 0x%X/%d.\n",
                static_cast<std::int32_t>(plan.nHistorySize), static_cast<unsigned>(error), error);
        return HResultFromErrno(error);
    }
    std::byte* history = m_history.Data();
    if (history == nullptr)
        return E_FAIL;
    std::memset(history, 0, static_cast<std::size_t>(historySize));
    StoreVersion(history + HistoryRegionHeader::kVersion, HistoryRegionHeader::kVersionSize, kHistoryRegionVersion);
    StoreI32(history + HistoryRegionHeader::kRegionSize, historySize);

    m_vRecords = plan.vRecords;
    m_nLiveSize.store(liveSize, std::memory_order_release);
    m_nHistorySize.store(historySize, std::memory_order_release);
    DebugPrint("CPyrolanBroker::InitSharedInfo OK\n");
    return S_OK;
}

void CBrokerRegions::CloseSharedInfo()
{
    DebugPrint("CPyrolanBroker::CloseSharedInfo\n");
    ReleaseRegions();
}

void CBrokerRegions::ReleaseRegions()
{
    m_nLiveSize.store(0, std::memory_order_release);
    m_live.Close();
    m_nHistorySize.store(0, std::memory_order_release);
    m_history.Close();
    m_vRecords.clear();
}

void CBrokerRegions::PublishDirtyPlanes(CTermoSensor& sensor)
{
    if (LiveSize() <= 0)
        return;
    std::byte* live = m_live.Data();
    if (live == nullptr)
        return;
    for (const LiveRecordLayout& layout : m_vRecords) {
        if (!sensor.IsDirty(GlobalPlaneIndex(layout.nTankIndex, layout.nPlaneIndex)))
            continue;
        std::byte* record = live + layout.nRecordStart;
        auto head = Word<std::int32_t>(record + LivePlaneRecord::kHeadCounter);
        const std::int32_t counter = head.load(std::memory_order_relaxed) + 1;
        head.store(counter, std::memory_order_relaxed);
        // Readers that see any cell of this rewrite also see the head counter above.
        RegionFence(std::memory_order_release);
        sensor.CopyPlaneImage(layout.nTankIndex, layout.nPlaneIndex,
                              reinterpret_cast<float*>(record + LivePlaneRecord::kTemperatures),
                              static_cast<std::int32_t>(layout.nCellCount));
        Word<std::int32_t>(record + layout.nRecordSize - 4).store(counter, std::memory_order_release);
        Word<std::uint32_t>(live + LiveRegionHeader::kTickCount)
            .store(TimeSource().TickCount(), std::memory_order_release);
    }
}

HRESULT CBrokerRegions::FillHistoryRegion(int nTankIndex, int nPlaneIndex, const HistoryImage& image)
{
    const std::int32_t regionSize = HistorySize();
    if (regionSize <= 0)
        return E_ACCESSDENIED;
    if (image.nDataSize < 0 || image.vCells.size() < static_cast<std::size_t>(image.nDataSize) ||
        static_cast<std::int64_t>(HistoryRegionHeader::kSize) + HistoryRegionHeader::kSpare +
                4 * static_cast<std::int64_t>(image.nDataSize) >
            regionSize)
        return E_INVALIDARG;

    std::byte* history = m_history.Data();
    if (history == nullptr)
        return E_ACCESSDENIED;
    const auto fMin = static_cast<float>(image.nLowest * 0.1);
    const auto fMax = static_cast<float>(image.nHighest * 0.1);
    StoreI32(history + HistoryRegionHeader::kTankIndex, nTankIndex);
    StoreI32(history + HistoryRegionHeader::kPlaneIndex, nPlaneIndex);
    StoreU32(history + HistoryRegionHeader::kFtHasH, FileTimeHigh(image.ftTime));
    StoreU32(history + HistoryRegionHeader::kFtHasL, FileTimeLow(image.ftTime));
    StoreF32(history + HistoryRegionHeader::kMinTemperature, fMin);
    StoreF32(history + HistoryRegionHeader::kMaxTemperature, fMax);
    StoreI32(history + HistoryRegionHeader::kTermogrammCount4DX, image.nWidth);
    StoreI32(history + HistoryRegionHeader::kTermogrammCount4DY, image.nHeight);
    StoreI32(history + HistoryRegionHeader::kCellCount, image.nDataSize);

    // The difference is taken in single precision, the rest in double.
    const double step = static_cast<double>(fMax - fMin) / 254.0;
    float table[256];
    table[0] = kInvalidTemperature;
    for (int b = 1; b < 256; ++b)
        table[b] = static_cast<float>((b - 1) * step + fMin);
    std::byte* cells = history + HistoryRegionHeader::kTemperatures;
    for (std::int32_t i = 0; i < image.nDataSize; ++i)
        StoreF32(cells + 4 * static_cast<std::size_t>(i), table[image.vCells[static_cast<std::size_t>(i)]]);
    return S_OK;
}
