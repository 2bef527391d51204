// The broker's two interfaces as abstract C++ classes: implemented by the broker in the server and by
// the bus proxy of the client library, so that a client cannot tell them apart.
#pragma once

#include "HResult.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002U);

// Plant layout and live values. Null [out] pointers are skipped; a method answers E_POINTER when all
// of its [out] pointers are null.
class IPyrolanBroker {
public:
    virtual ~IPyrolanBroker() = default;

    virtual HRESULT get_TankNumber(std::int32_t* pVal) = 0;
    virtual HRESULT get_PlaneNumber(std::int32_t nTankIndex, std::int32_t* pVal) = 0;
    virtual HRESULT get_LinesNumber(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pVal) = 0;
    virtual HRESULT GetLineTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t nLineIndex,
                                       float* pfMinTemperature, float* pfMaxTemperature,
                                       float* pfAvgTemperature) = 0;
    virtual HRESULT GetPlaneTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex, float* pfMinTemperature,
                                        std::int32_t* pnLineIndex4MinTemperature, float* pfMaxTemperature,
                                        std::int32_t* pnLineIndex4MaxTemperature, float* pfAvgTemperature,
                                        std::int32_t* pnLastValidLine) = 0;
    virtual HRESULT GetPlaneInfo(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pnDXmeter,
                                 std::int32_t* pnDYmeter, std::int32_t* pnTermogrammCount4DX,
                                 std::int32_t* pnTermogrammCount4DY) = 0;
    // The LIVE region's name (for shm_open with a leading '/') and size in bytes.
    virtual HRESULT GetSharedName(std::string* pstrSharedRegionName, std::int32_t* pDataSize) = 0;
};

// Stored images. Times travel as FILETIME halves: H the high, L the low 32 bits. S_FALSE: nothing found.
class IPyrolanBrokerHistory {
public:
    virtual ~IPyrolanBrokerHistory() = default;

    virtual HRESULT FindHistory(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperatureLimit,
                                float fMaxTemperatureLimit, std::int32_t* pftHasH, std::int32_t* pftHasL,
                                float* pfMinTemperatureHas, float* pfMaxTemperatureHas) = 0;
    virtual HRESULT GetErrorInterval(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                     std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperature,
                                     float fMaxTemperature, std::int32_t* pftFromH, std::int32_t* pftFromL,
                                     std::int32_t* pftToH, std::int32_t* pftToL) = 0;
    virtual HRESULT GetSharedName4History(std::string* pstrSharedRegionName, std::int32_t* pDataSize) = 0;
    virtual HRESULT FillHistoryData(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                    std::int32_t ftNeedL, std::int32_t* pftHasH, std::int32_t* pftHasL) = 0;
    virtual HRESULT GetHistoryState(std::int32_t* pnState) = 0;
};

// The history side of a broker, sharing its ownership. E_NOINTERFACE when the object has none.
inline HRESULT QueryBrokerHistory(const std::shared_ptr<IPyrolanBroker>& pBroker,
                                  std::shared_ptr<IPyrolanBrokerHistory>* ppHistory)
{
    if (ppHistory == nullptr)
        return E_POINTER;
    *ppHistory = std::dynamic_pointer_cast<IPyrolanBrokerHistory>(pBroker);
    return *ppHistory ? S_OK : E_NOINTERFACE;
}
