// Base-class behaviour of the sensor: accessors over the plane list and the empty history answers.
#include "CTermoSensor.h"

#include <algorithm>
#include <cstring>

CTermoSensor::~CTermoSensor() = default;

void CTermoSensor::Stop() { m_vPlanes.clear(); }

bool CTermoSensor::FindHistory(int, int, FILETIME64, bool, float, float, FILETIME64&, float&, float&) { return false; }

bool CTermoSensor::GetErrorInterval(int, int, FILETIME64, bool, float, float, FILETIME64&, FILETIME64&) { return false; }

bool CTermoSensor::FillHistoryData(int, int, FILETIME64, HistoryImage&) { return false; }

eHistoryState CTermoSensor::GetHistoryState() { return eHistoryState_None; }

void CTermoSensor::Poll() {}

int CTermoSensor::GetTankCount() const { return m_vPlanes.size() > static_cast<std::size_t>(ePlaneMax) ? 2 : 1; }

int CTermoSensor::GetPlaneCount(int nTankIndex) const
{
    const int planes = static_cast<int>(m_vPlanes.size());
    if (nTankIndex == eTankFirst)
        return std::min(planes, static_cast<int>(ePlaneMax));
    if (nTankIndex == eTankSecond)
        return planes > ePlaneMax ? planes - ePlaneMax : 0;
    return 0;
}

CPlaneInfo* CTermoSensor::FindPlane(int nTankIndex, int nPlaneIndex) const
{
    if (nTankIndex < 0 || nTankIndex > eTankSecond || nPlaneIndex < 0 || nPlaneIndex >= ePlaneMax)
        return nullptr;
    const int index = GlobalPlaneIndex(nTankIndex, nPlaneIndex);
    if (index >= static_cast<int>(m_vPlanes.size()))
        return nullptr;
    return m_vPlanes[static_cast<std::size_t>(index)].get();
}

int CTermoSensor::GetLineCount(int nTankIndex, int nPlaneIndex) const
{
    const CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    return plane != nullptr ? plane->m_nLines : 0;
}

int CTermoSensor::GetPointsPerLine(int nTankIndex, int nPlaneIndex) const
{
    const CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    return plane != nullptr ? plane->m_nPointsPerLine : 0;
}

void CTermoSensor::GetPlaneSize(int nTankIndex, int nPlaneIndex, std::int32_t& nDX, std::int32_t& nDY) const
{
    const CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    if (plane == nullptr)
        return;
    nDX = plane->m_nDXmeter;
    nDY = plane->m_nDYmeter;
}

void CTermoSensor::GetLineTemperature(int nTankIndex, int nPlaneIndex, int nLineIndex, float& fMin, float& fMax,
                                      float& fAvg) const
{
    CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    if (plane == nullptr)
        return;
    std::lock_guard<std::mutex> guard(plane->m_mutex);
    if (nLineIndex < 0 || nLineIndex >= static_cast<int>(plane->m_vLineStat.size()))
        return;
    const CLineStat& stat = plane->m_vLineStat[static_cast<std::size_t>(nLineIndex)];
    fMin = stat.fMin;
    fMax = stat.fMax;
    fAvg = stat.fAvg;
}

void CTermoSensor::GetPlaneTemperature(int nTankIndex, int nPlaneIndex, float& fMin, std::int32_t& nMinLine,
                                       float& fMax, std::int32_t& nMaxLine, float& fAvg,
                                       std::int32_t& nFirstEmptyLine) const
{
    CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    if (plane == nullptr)
        return;
    std::lock_guard<std::mutex> guard(plane->m_mutex);
    const std::vector<CLineStat>& lines = plane->m_vLineStat;
    nFirstEmptyLine = 0xFFFF;
    if (lines.empty()) {
        fMin = fMax = fAvg = kInvalidTemperature;
        nMinLine = nMaxLine = 0;
        return;
    }
    float minimum = lines[0].fMin;
    float maximum = lines[0].fMax;
    float sum = lines[0].fAvg;
    std::int32_t minLine = 0;
    std::int32_t maxLine = 0;
    for (std::size_t j = 1; j < lines.size(); ++j) {
        if (minimum > lines[j].fMin) {
            minimum = lines[j].fMin;
            minLine = static_cast<std::int32_t>(j);
        }
        if (lines[j].fMax > maximum) {
            maximum = lines[j].fMax;
            maxLine = static_cast<std::int32_t>(j);
        }
        sum += lines[j].fAvg;
    }
    fMin = minimum;
    fMax = maximum;
    fAvg = sum / static_cast<float>(lines.size());
    nMinLine = minLine;
    nMaxLine = maxLine;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        if (lines[j].nCount == 0) {
            nFirstEmptyLine = static_cast<std::int32_t>(j);
            break;
        }
    }
}

void CTermoSensor::CopyPlaneImage(int nTankIndex, int nPlaneIndex, float* pDestination, std::int32_t nCount)
{
    CPlaneInfo* plane = FindPlane(nTankIndex, nPlaneIndex);
    if (plane == nullptr || pDestination == nullptr)
        return;
    std::lock_guard<std::mutex> guard(plane->m_mutex);
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max<std::int32_t>(nCount, 0)), plane->m_vImage.size());
    if (count > 0)
        std::memcpy(pDestination, plane->m_vImage.data(), count * sizeof(float));
    const auto index = static_cast<std::size_t>(GlobalPlaneIndex(nTankIndex, nPlaneIndex));
    if (index < m_vDirty.size())
        m_vDirty[index].store(false, std::memory_order_release);
}

bool CTermoSensor::IsDirty(int nGlobalIndex) const
{
    return nGlobalIndex >= 0 && static_cast<std::size_t>(nGlobalIndex) < m_vDirty.size() &&
           m_vDirty[static_cast<std::size_t>(nGlobalIndex)].load(std::memory_order_acquire);
}

void CTermoSensor::SetDirty(int nGlobalIndex)
{
    if (nGlobalIndex >= 0 && static_cast<std::size_t>(nGlobalIndex) < m_vDirty.size())
        m_vDirty[static_cast<std::size_t>(nGlobalIndex)].store(true, std::memory_order_release);
}

void CTermoSensor::ResetDirtyFlags() { m_vDirty = std::vector<std::atomic<bool>>(m_vPlanes.size()); }
