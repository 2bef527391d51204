// Construction and sizing of a server plane.
#include "CPlaneInfo.h"

#include "PlantTypes.h"

void CPlaneInfo::NominalExtents(int nGlobalIndex, std::int32_t& nDX, std::int32_t& nDY)
{
    const int kind = nGlobalIndex < 0 ? 0 : nGlobalIndex % ePlaneMax;
    switch (kind) {
    case ePlaneWest:
    case ePlaneEast:
        nDX = 40;
        nDY = 24;
        break;
    case ePlaneNorth:
    case ePlaneSouth:
        nDX = 137;
        nDY = 24;
        break;
    default:
        nDX = 137;
        nDY = 40;
        break;
    }
}

CPlaneInfo::CPlaneInfo(std::int32_t nDXmeter, std::int32_t nDYmeter, std::int32_t nLines, std::int32_t nPointsPerLine,
                       bool bUpsideDown)
    : m_nDXmeter(nDXmeter),
      m_nDYmeter(nDYmeter),
      m_nLines(nLines < 0 ? 0 : nLines),
      m_nPointsPerLine(nPointsPerLine < 0 ? 0 : nPointsPerLine),
      m_nCells(m_nLines * m_nPointsPerLine),
      m_vImage(static_cast<std::size_t>(m_nCells), kInvalidTemperature),
      m_bUpsideDown(bUpsideDown),
      m_vLineStat(static_cast<std::size_t>(m_nLines))
{
}

void CPlaneInfo::Resize(std::int32_t nPointsPerLine)
{
    m_nPointsPerLine = nPointsPerLine < 0 ? 0 : nPointsPerLine;
    m_nCells = m_nLines * m_nPointsPerLine;
    m_vImage.assign(static_cast<std::size_t>(m_nCells), kInvalidTemperature);
}
