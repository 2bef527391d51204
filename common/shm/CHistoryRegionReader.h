// Client side of the HISTORY region: maps it read-only and reads its header and temperatures,
// checking the cell count against the mapped bytes first.
#pragma once

#include "CSharedMemory.h"
#include "FileTime.h"
#include "RegionStatus.h"

#include <cstdint>
#include <string>
#include <vector>

struct HistoryRegionInfo {
    std::string strVersion;
    std::int32_t nRegionSize = 0;
    std::int32_t nTankIndex = 0;
    std::int32_t nPlaneIndex = 0;
    std::uint32_t ftHasH = 0;
    std::uint32_t ftHasL = 0;
    float fMinTemperature = 0.0f;
    float fMaxTemperature = 0.0f;
    std::int32_t nTermogrammCount4DX = 0;
    std::int32_t nTermogrammCount4DY = 0;
    std::int32_t nCellCount = 0;

    FILETIME64 Time() const { return MakeFileTime(ftHasH, ftHasL); }
};

class CHistoryRegionReader {
public:
    // As CLiveRegionReader::Open.
    eRegionStatus Open(const std::string& strName, std::int64_t nAnnouncedSize = 0);
    void Close();
    bool IsOpen() const { return m_memory.IsOpen(); }
    std::size_t MappedSize() const { return m_memory.Size(); }
    std::string ErrorString() const;
    int ErrorNumber() const { return m_memory.ErrorNumber(); }

    // The header as stored; fails only when nothing is mapped.
    eRegionStatus ReadHeader(HistoryRegionInfo& info) const;
    // Header and temperatures of the image last copied in; the counts must agree and fit the region.
    eRegionStatus CopyImage(HistoryRegionInfo& info, std::vector<float>& vTemperatures) const;

private:
    CSharedMemory m_memory;
    eRegionStatus m_eOpenStatus = eRegionStatus_NotOpen;
    std::int64_t m_nAnnouncedSize = 0;
};
