// Reading the HISTORY region: the cell count is checked against the mapped bytes before the copy.
#include "CHistoryRegionReader.h"

#include "SharedRegionLayout.h"

#include <cstring>

eRegionStatus CHistoryRegionReader::Open(const std::string& strName, std::int64_t nAnnouncedSize)
{
    Close();
    m_nAnnouncedSize = nAnnouncedSize;
    if (!m_memory.OpenReadOnly(strName))
        return m_eOpenStatus = eRegionStatus_OpenFailed;
    if (nAnnouncedSize > 0 && static_cast<std::int64_t>(m_memory.Size()) < nAnnouncedSize)
        m_eOpenStatus = eRegionStatus_SmallerThanAnnounced;
    else if (m_memory.Size() < HistoryRegionHeader::kSize)
        m_eOpenStatus = eRegionStatus_TooSmall;
    else
        return m_eOpenStatus = eRegionStatus_Ok;
    m_memory.Close();
    return m_eOpenStatus;
}

void CHistoryRegionReader::Close()
{
    m_memory.Close();
    m_eOpenStatus = eRegionStatus_NotOpen;
}

std::string CHistoryRegionReader::ErrorString() const
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

eRegionStatus CHistoryRegionReader::ReadHeader(HistoryRegionInfo& info) const
{
    if (!IsOpen())
        return eRegionStatus_NotOpen;
    const std::byte* region = m_memory.Data();
    info.strVersion = LoadVersion(region + HistoryRegionHeader::kVersion, HistoryRegionHeader::kVersionSize);
    info.nRegionSize = LoadI32(region + HistoryRegionHeader::kRegionSize);
    info.nTankIndex = LoadI32(region + HistoryRegionHeader::kTankIndex);
    info.nPlaneIndex = LoadI32(region + HistoryRegionHeader::kPlaneIndex);
    info.ftHasH = LoadU32(region + HistoryRegionHeader::kFtHasH);
    info.ftHasL = LoadU32(region + HistoryRegionHeader::kFtHasL);
    info.fMinTemperature = LoadF32(region + HistoryRegionHeader::kMinTemperature);
    info.fMaxTemperature = LoadF32(region + HistoryRegionHeader::kMaxTemperature);
    info.nTermogrammCount4DX = LoadI32(region + HistoryRegionHeader::kTermogrammCount4DX);
    info.nTermogrammCount4DY = LoadI32(region + HistoryRegionHeader::kTermogrammCount4DY);
    info.nCellCount = LoadI32(region + HistoryRegionHeader::kCellCount);
    return eRegionStatus_Ok;
}

eRegionStatus CHistoryRegionReader::CopyImage(HistoryRegionInfo& info, std::vector<float>& vTemperatures) const
{
    HistoryRegionInfo read;
    const eRegionStatus status = ReadHeader(read);
    if (status != eRegionStatus_Ok)
        return status;
    if (read.nCellCount < 0 || read.nTermogrammCount4DX < 0 || read.nTermogrammCount4DY < 0 ||
        static_cast<std::int64_t>(read.nTermogrammCount4DX) * read.nTermogrammCount4DY != read.nCellCount)
        return eRegionStatus_Inconsistent;
    const auto count = static_cast<std::size_t>(read.nCellCount);
    if (HistoryRegionHeader::kTemperatures + 4 * static_cast<std::uint64_t>(count) > m_memory.Size())
        return eRegionStatus_OutsideRegion;
    vTemperatures.resize(count);
    if (count > 0)
        std::memcpy(vTemperatures.data(), m_memory.Data() + HistoryRegionHeader::kTemperatures, count * sizeof(float));
    info = read;
    return eRegionStatus_Ok;
}
