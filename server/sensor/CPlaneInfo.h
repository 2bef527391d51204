// The server's record of one plane: its size, its picture, its lock and its line statistics.
#pragma once

#include "CLineStat.h"

#include <cstdint>
#include <mutex>
#include <vector>

class CPlaneInfo {
public:
    // Nominal extents in metres of a plane, by its global index (kind = index modulo 6).
    static void NominalExtents(int nGlobalIndex, std::int32_t& nDX, std::int32_t& nDY);

    CPlaneInfo(std::int32_t nDXmeter, std::int32_t nDYmeter, std::int32_t nLines, std::int32_t nPointsPerLine,
               bool bUpsideDown);

    // Gives the plane a new width; its picture becomes all invalid. Only while no other thread uses it.
    void Resize(std::int32_t nPointsPerLine);

    std::int32_t m_nDXmeter;
    std::int32_t m_nDYmeter;
    std::int32_t m_nLines;
    std::int32_t m_nPointsPerLine;
    std::int32_t m_nCells;
    std::vector<float> m_vImage;
    bool m_bUpsideDown;
    std::mutex m_mutex;
    std::vector<CLineStat> m_vLineStat;
};
