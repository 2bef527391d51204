// Client side of the LIVE region: maps it read-only and copies plane records by the head/tail rule,
// checking every offset and size against the mapped bytes first.
#pragma once

#include "CSharedMemory.h"
#include "RegionStatus.h"

#include <cstdint>
#include <string>
#include <vector>

// A record's fixed fields, as read and checked.
struct LiveRecordInfo {
    std::uint32_t nOffset = 0;
    std::int32_t nRecordSize = 0;
    std::int32_t nTankIndex = 0;
    std::int32_t nPlaneIndex = 0;
    std::int32_t nTailOffset = 0;
    std::int32_t nDXmeter = 0;
    std::int32_t nDYmeter = 0;
    std::int32_t nTermogrammCount4DX = 0;
    std::int32_t nTermogrammCount4DY = 0;
    std::int32_t nCellCount = 0;
};

class CLiveRegionReader {
public:
    // Maps the region. nAnnouncedSize is the size the broker answered (0: not known); an object
    // smaller than that is refused.
    eRegionStatus Open(const std::string& strName, std::int64_t nAnnouncedSize = 0);
    void Close();
    bool IsOpen() const { return m_memory.IsOpen(); }
    std::size_t MappedSize() const { return m_memory.Size(); }
    // Why Open failed, with the system's error text where there is one.
    std::string ErrorString() const;
    int ErrorNumber() const { return m_memory.ErrorNumber(); }

    // dwTickCount, read with acquire order; 0 when nothing is mapped.
    std::uint32_t TickCount() const;
    std::string Version() const;
    // nRecordCount as stored (it may exceed the 24 entries of the offset table).
    int RecordCount() const;
    // Reads and checks record k's fixed fields.
    eRegionStatus ReadRecordInfo(int nRecord, LiveRecordInfo& info) const;
    // Copies record k's temperatures into vTemperatures (resized to its cell count) by the head/tail
    // rule: up to nMaxCopies copies until head and tail before and after agree. Answers Ok for a
    // consistent copy, Torn when none was (the last copy stays), or the error of ReadRecordInfo.
    // pnCounter, when given, receives the head counter of the copy taken.
    eRegionStatus CopyTemperatures(int nRecord, std::vector<float>& vTemperatures, int nMaxCopies = 10,
                                   std::int32_t* pnCounter = nullptr) const;

private:
    CSharedMemory m_memory;
    eRegionStatus m_eOpenStatus = eRegionStatus_NotOpen;
    std::int64_t m_nAnnouncedSize = 0;
};
