// Reading the LIVE region: every offset and size is checked against the mapped bytes before use.
#include "CLiveRegionReader.h"

#include "SharedRegionLayout.h"

#include <atomic>
#include <cstring>

namespace {

// The counters are 4-aligned fields of 4-aligned records; ReadRecordInfo checks the alignment.
std::int32_t LoadCounter(const std::byte* p, std::memory_order order)
{
    auto& word = *reinterpret_cast<std::int32_t*>(const_cast<std::byte*>(p));
    return std::atomic_ref<std::int32_t>(word).load(order);
}

}  // namespace

eRegionStatus CLiveRegionReader::Open(const std::string& strName, std::int64_t nAnnouncedSize)
{
    Close();
    m_nAnnouncedSize = nAnnouncedSize;
    if (!m_memory.OpenReadOnly(strName))
        return m_eOpenStatus = eRegionStatus_OpenFailed;
    if (nAnnouncedSize > 0 && static_cast<std::int64_t>(m_memory.Size()) < nAnnouncedSize)
        m_eOpenStatus = eRegionStatus_SmallerThanAnnounced;
    else if (m_memory.Size() < LiveRegionHeader::kSize)
        m_eOpenStatus = eRegionStatus_TooSmall;
    else
        return m_eOpenStatus = eRegionStatus_Ok;
    m_memory.Close();
    return m_eOpenStatus;
}

void CLiveRegionReader::Close()
{
    m_memory.Close();
    m_eOpenStatus = eRegionStatus_NotOpen;
}

std::string CLiveRegionReader::ErrorString() const
{
    switch (m_eOpenStatus) {
    case eRegionStatus_Ok:
        return {};
    case eRegionStatus_OpenFailed:
        return m_memory.ErrorString();
    case eRegionStatus_SmallerThanAnnounced:
        return std::string(RegionStatusText(m_eOpenStatus)) + " (" + std::to_string(m_nAnnouncedSize) + " bytes)";
    default:
        return RegionStatusText(m_eOpenStatus);
    }
}

std::uint32_t CLiveRegionReader::TickCount() const
{
    if (!IsOpen())
        return 0;
    auto& word = *reinterpret_cast<std::uint32_t*>(const_cast<std::byte*>(m_memory.Data() + LiveRegionHeader::kTickCount));
    return std::atomic_ref<std::uint32_t>(word).load(std::memory_order_acquire);
}

std::string CLiveRegionReader::Version() const
{
    if (!IsOpen())
        return {};
    return LoadVersion(m_memory.Data() + LiveRegionHeader::kVersion, LiveRegionHeader::kVersionSize);
}

int CLiveRegionReader::RecordCount() const
{
    if (!IsOpen())
        return 0;
    return std::to_integer<int>(m_memory.Data()[LiveRegionHeader::kRecordCount]);
}

eRegionStatus CLiveRegionReader::ReadRecordInfo(int nRecord, LiveRecordInfo& info) const
{
    if (!IsOpen())
        return eRegionStatus_NotOpen;
    if (nRecord < 0 || nRecord >= RecordCount() || nRecord >= static_cast<int>(LiveRegionHeader::kMaxRecords))
        return eRegionStatus_NoSuchRecord;
    const std::byte* region = m_memory.Data();
    const auto size = static_cast<std::int64_t>(m_memory.Size());
    const std::uint32_t offset = LoadU32(region + LiveRegionHeader::RecordOffsetEntry(static_cast<std::size_t>(nRecord)));
    if (offset % 4 != 0 || offset < LiveRegionHeader::kSize ||
        static_cast<std::int64_t>(offset) + LivePlaneRecord::kFixedSize > size)
        return eRegionStatus_OutsideRegion;
    const std::byte* record = region + offset;
    LiveRecordInfo read;
    read.nOffset = offset;
    read.nRecordSize = LoadI32(record + LivePlaneRecord::kRecordSize);
    read.nTankIndex = LoadI32(record + LivePlaneRecord::kTankIndex);
    read.nPlaneIndex = LoadI32(record + LivePlaneRecord::kPlaneIndex);
    read.nTailOffset = LoadI32(record + LivePlaneRecord::kTailOffset);
    read.nDXmeter = LoadI32(record + LivePlaneRecord::kDXmeter);
    read.nDYmeter = LoadI32(record + LivePlaneRecord::kDYmeter);
    read.nTermogrammCount4DX = LoadI32(record + LivePlaneRecord::kTermogrammCount4DX);
    read.nTermogrammCount4DY = LoadI32(record + LivePlaneRecord::kTermogrammCount4DY);
    read.nCellCount = LoadI32(record + LivePlaneRecord::kCellCount);
    if (read.nCellCount < 0 || read.nTermogrammCount4DX < 0 || read.nTermogrammCount4DY < 0 ||
        static_cast<std::int64_t>(read.nTermogrammCount4DX) * read.nTermogrammCount4DY != read.nCellCount ||
        read.nRecordSize != LivePlaneRecord::Size(read.nCellCount) || read.nTailOffset != read.nRecordSize - 4)
        return eRegionStatus_Inconsistent;
    if (static_cast<std::int64_t>(offset) + read.nRecordSize > size)
        return eRegionStatus_OutsideRegion;
    info = read;
    return eRegionStatus_Ok;
}

eRegionStatus CLiveRegionReader::CopyTemperatures(int nRecord, std::vector<float>& vTemperatures, int nMaxCopies,
                                                  std::int32_t* pnCounter) const
{
    LiveRecordInfo info;
    const eRegionStatus status = ReadRecordInfo(nRecord, info);
    if (status != eRegionStatus_Ok)
        return status;
    // Only the checked copies of the fields are used below: a writer changing them meanwhile cannot
    // move the copy outside the region.
    const std::byte* record = m_memory.Data() + info.nOffset;
    const std::byte* head = record + LivePlaneRecord::kHeadCounter;
    const std::byte* tail = record + info.nTailOffset;
    const std::byte* cells = record + LivePlaneRecord::kTemperatures;
    const auto count = static_cast<std::size_t>(info.nCellCount);
    vTemperatures.resize(count);

    std::int32_t headBefore = LoadCounter(head, std::memory_order_acquire);
    std::int32_t tailBefore = LoadCounter(tail, std::memory_order_acquire);
    for (int copy = 0; copy < (nMaxCopies < 1 ? 1 : nMaxCopies); ++copy) {
        if (count > 0)
            std::memcpy(vTemperatures.data(), cells, count * sizeof(float));
        // Pairs with the writer's release fence after its head increment: a copy that saw any cell of
        // a rewrite sees that rewrite's head counter below.
        RegionFence(std::memory_order_acquire);
        const std::int32_t headAfter = LoadCounter(head, std::memory_order_relaxed);
        const std::int32_t tailAfter = LoadCounter(tail, std::memory_order_acquire);
        if (pnCounter != nullptr)
            *pnCounter = headAfter;
        if (headBefore == tailBefore && headAfter == tailAfter && headBefore == headAfter)
            return eRegionStatus_Ok;
        headBefore = headAfter;
        tailBefore = tailAfter;
    }
    return eRegionStatus_Torn;
}
