// The sensor base class: the planes of every tank, their dirty flags, the read accessors and the
// virtual operations that each sensor implements.
#pragma once

#include "CPlaneInfo.h"
#include "FileTime.h"
#include "HResult.h"
#include "HistoryImage.h"
#include "PlantTypes.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CTermoSensor {
public:
    CTermoSensor() = default;
    virtual ~CTermoSensor();
    CTermoSensor(const CTermoSensor&) = delete;
    CTermoSensor& operator=(const CTermoSensor&) = delete;

    // S_OK when ready, 1 when the configuration asks for the simulated sensor, negative on error.
    virtual HRESULT InitSensor() = 0;
    virtual void Stop();
    virtual bool FindHistory(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit,
                             float fMaxLimit, FILETIME64& ftHas, float& fMinHas, float& fMaxHas);
    virtual bool GetErrorInterval(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit,
                                  float fMaxLimit, FILETIME64& ftFrom, FILETIME64& ftTo);
    virtual bool FillHistoryData(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, HistoryImage& image);
    virtual eHistoryState GetHistoryState();
    virtual void Poll();

    int GetTankCount() const;
    int GetPlaneCount(int nTankIndex) const;
    int GetLineCount(int nTankIndex, int nPlaneIndex) const;
    int GetPointsPerLine(int nTankIndex, int nPlaneIndex) const;
    void GetPlaneSize(int nTankIndex, int nPlaneIndex, std::int32_t& nDX, std::int32_t& nDY) const;
    void GetLineTemperature(int nTankIndex, int nPlaneIndex, int nLineIndex, float& fMin, float& fMax,
                            float& fAvg) const;
    // A plane without lines answers -300.0 values, line 0 for minimum and maximum, 65535 as first empty line.
    void GetPlaneTemperature(int nTankIndex, int nPlaneIndex, float& fMin, std::int32_t& nMinLine, float& fMax,
                             std::int32_t& nMaxLine, float& fAvg, std::int32_t& nFirstEmptyLine) const;
    // Copies the first nCount points (at most the plane's cells) and clears the plane's dirty flag.
    void CopyPlaneImage(int nTankIndex, int nPlaneIndex, float* pDestination, std::int32_t nCount);

    // The plane at tank x 6 + plane, or nullptr when that index is out of range.
    CPlaneInfo* FindPlane(int nTankIndex, int nPlaneIndex) const;
    bool IsDirty(int nGlobalIndex) const;
    // Sets a plane's dirty flag; callers hold that plane's m_mutex.
    void SetDirty(int nGlobalIndex);

protected:
    // Sizes the dirty flags to the plane list, all clear.
    void ResetDirtyFlags();

    std::vector<std::shared_ptr<CPlaneInfo>> m_vPlanes;
    std::vector<std::atomic<bool>> m_vDirty;
};
