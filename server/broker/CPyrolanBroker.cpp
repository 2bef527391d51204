// The broker's construction, update thread and interface methods.
#include "CPyrolanBroker.h"

#include "CTermoSensor4Quorax.h"
#include "CTermoSensorDummy.h"
#include "DebugPrint.h"
#include "FileTime.h"
#include "SharedRegionLayout.h"
#include "TimeSource.h"

#include <new>

namespace {

constexpr std::uint32_t kUpdatePeriodMs = 100;

template <typename T>
void Put(T* pOut, const T& value)
{
    if (pOut != nullptr)
        *pOut = value;
}

FILETIME64 FileTimeOf(std::int32_t ftH, std::int32_t ftL)
{
    return MakeFileTime(static_cast<std::uint32_t>(ftH), static_cast<std::uint32_t>(ftL));
}
std::int32_t HighOf(FILETIME64 ft) { return static_cast<std::int32_t>(FileTimeHigh(ft)); }
std::int32_t LowOf(FILETIME64 ft) { return static_cast<std::int32_t>(FileTimeLow(ft)); }

} // namespace

CPyrolanBroker::SensorFactory CPyrolanBroker::SensorFactory::Default()
{
    SensorFactory factory;
    factory.makeInstrument = [] { return std::make_unique<CTermoSensor4Quorax>(); };
    factory.makeDummy = [] { return std::make_unique<CTermoSensorDummy>(); };
    return factory;
}

CPyrolanBroker::CPyrolanBroker(SensorFactory factory) : m_factory(std::move(factory)) {}

CPyrolanBroker::~CPyrolanBroker() { FinalRelease(); }

HRESULT CPyrolanBroker::FinalConstruct()
{
    if (m_bConstructed)
        return E_FAIL;
    m_bConstructed = true;
    std::unique_ptr<CTermoSensor> sensor;
    try {
        sensor = m_factory.makeInstrument ? m_factory.makeInstrument() : nullptr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    if (!sensor)
        return E_OUTOFMEMORY;
    try {
        HRESULT hr = sensor->InitSensor();
        if (hr == 1) {
            sensor.reset();
            try {
                sensor = m_factory.makeDummy ? m_factory.makeDummy() : nullptr;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            if (!sensor)
                return E_OUTOFMEMORY;
            hr = sensor->InitSensor();
            if (FAILED(hr)) {
                DebugPrint("CTermoSensorDummy::InitSensor UNEXPECTED ERROR 0x%X=%d !!!\n", static_cast<unsigned>(hr),
                           hr);
                return hr;
            }
        }
        m_pSensor = std::move(sensor);
        m_regions.InitSharedInfo(m_pSensor.get());
        m_bStop = false;
        m_threadUpdate = std::thread(&CPyrolanBroker::UpdateLoop, this);
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

void CPyrolanBroker::FinalRelease()
{
    if (m_bReleased)
        return;
    m_bReleased = true;
    m_bStop = true;
    if (m_threadUpdate.joinable())
        m_threadUpdate.join();
    m_regions.CloseSharedInfo();
    if (m_pSensor) {
        m_pSensor->Stop();
        m_pSensor.reset();
    }
}

void CPyrolanBroker::UpdateLoop()
{
    try {
        while (!m_bStop) {
            m_pSensor->Poll();
            if (m_regions.LiveSize() > 0)
                m_regions.PublishDirtyPlanes(*m_pSensor);
            TimeSource().Sleep(kUpdatePeriodMs);
        }
    } catch (...) {
        // A failing publication ends the thread; the broker keeps answering from the sensor.
    }
    m_bStop = true;
}

HRESULT CPyrolanBroker::CheckPlane(std::int32_t nTankIndex, std::int32_t nPlaneIndex) const
{
    if (nTankIndex < 0 || nTankIndex >= m_pSensor->GetTankCount())
        return E_INVALIDARG;
    if (nPlaneIndex < 0 || nPlaneIndex >= m_pSensor->GetPlaneCount(nTankIndex))
        return E_INVALIDARG;
    return S_OK;
}

HRESULT CPyrolanBroker::get_TankNumber(std::int32_t* pVal)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pVal == nullptr)
        return E_POINTER;
    *pVal = m_pSensor->GetTankCount();
    return S_OK;
}

HRESULT CPyrolanBroker::get_PlaneNumber(std::int32_t nTankIndex, std::int32_t* pVal)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pVal == nullptr)
        return E_POINTER;
    if (nTankIndex < 0 || nTankIndex >= m_pSensor->GetTankCount())
        return E_INVALIDARG;
    *pVal = m_pSensor->GetPlaneCount(nTankIndex);
    return S_OK;
}

HRESULT CPyrolanBroker::get_LinesNumber(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pVal)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pVal == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    *pVal = m_pSensor->GetLineCount(nTankIndex, nPlaneIndex);
    return S_OK;
}

HRESULT CPyrolanBroker::GetLineTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t nLineIndex,
                                           float* pfMinTemperature, float* pfMaxTemperature, float* pfAvgTemperature)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pfMinTemperature == nullptr && pfMaxTemperature == nullptr && pfAvgTemperature == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    if (nLineIndex < 0 || nLineIndex >= m_pSensor->GetLineCount(nTankIndex, nPlaneIndex))
        return E_INVALIDARG;
    try {
        float fMin = kInvalidTemperature, fMax = kInvalidTemperature, fAvg = kInvalidTemperature;
        m_pSensor->GetLineTemperature(nTankIndex, nPlaneIndex, nLineIndex, fMin, fMax, fAvg);
        Put(pfMinTemperature, fMin);
        Put(pfMaxTemperature, fMax);
        Put(pfAvgTemperature, fAvg);
    } catch (...) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CPyrolanBroker::GetPlaneTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex,
                                            float* pfMinTemperature, std::int32_t* pnLineIndex4MinTemperature,
                                            float* pfMaxTemperature, std::int32_t* pnLineIndex4MaxTemperature,
                                            float* pfAvgTemperature, std::int32_t* pnLastValidLine)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pfMinTemperature == nullptr && pnLineIndex4MinTemperature == nullptr && pfMaxTemperature == nullptr &&
        pnLineIndex4MaxTemperature == nullptr && pfAvgTemperature == nullptr && pnLastValidLine == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    try {
        float fMin = kInvalidTemperature, fMax = kInvalidTemperature, fAvg = kInvalidTemperature;
        std::int32_t nMinLine = 0, nMaxLine = 0, nFirstEmpty = 0xFFFF;
        m_pSensor->GetPlaneTemperature(nTankIndex, nPlaneIndex, fMin, nMinLine, fMax, nMaxLine, fAvg, nFirstEmpty);
        Put(pfMinTemperature, fMin);
        Put(pnLineIndex4MinTemperature, nMinLine);
        Put(pfMaxTemperature, fMax);
        Put(pnLineIndex4MaxTemperature, nMaxLine);
        Put(pfAvgTemperature, fAvg);
        Put(pnLastValidLine, nFirstEmpty);
    } catch (...) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CPyrolanBroker::GetPlaneInfo(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pnDXmeter,
                                     std::int32_t* pnDYmeter, std::int32_t* pnTermogrammCount4DX,
                                     std::int32_t* pnTermogrammCount4DY)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pnDXmeter == nullptr && pnDYmeter == nullptr && pnTermogrammCount4DX == nullptr &&
        pnTermogrammCount4DY == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    std::int32_t nDX = 0, nDY = 0;
    m_pSensor->GetPlaneSize(nTankIndex, nPlaneIndex, nDX, nDY);
    Put(pnDXmeter, nDX);
    Put(pnDYmeter, nDY);
    Put(pnTermogrammCount4DX, static_cast<std::int32_t>(m_pSensor->GetPointsPerLine(nTankIndex, nPlaneIndex)));
    Put(pnTermogrammCount4DY, static_cast<std::int32_t>(m_pSensor->GetLineCount(nTankIndex, nPlaneIndex)));
    return S_OK;
}

HRESULT CPyrolanBroker::GetSharedName(std::string* pstrSharedRegionName, std::int32_t* pDataSize)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pstrSharedRegionName == nullptr && pDataSize == nullptr)
        return E_POINTER;
    const std::int32_t nSize = m_regions.LiveSize();
    if (nSize <= 0)
        return E_OUTOFMEMORY;
    try {
        Put(pstrSharedRegionName, LiveRegionName());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    Put(pDataSize, nSize);
    return S_OK;
}

HRESULT CPyrolanBroker::FindHistory(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                    std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperatureLimit,
                                    float fMaxTemperatureLimit, std::int32_t* pftHasH, std::int32_t* pftHasL,
                                    float* pfMinTemperatureHas, float* pfMaxTemperatureHas)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pftHasH == nullptr && pftHasL == nullptr && pfMinTemperatureHas == nullptr && pfMaxTemperatureHas == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    try {
        FILETIME64 ftHas = 0;
        float fMinHas = 0.0f, fMaxHas = 0.0f;
        if (!m_pSensor->FindHistory(nTankIndex, nPlaneIndex, FileTimeOf(ftNeedH, ftNeedL), bAfter != 0,
                                    fMinTemperatureLimit, fMaxTemperatureLimit, ftHas, fMinHas, fMaxHas))
            return S_FALSE;
        Put(pftHasH, HighOf(ftHas));
        Put(pftHasL, LowOf(ftHas));
        Put(pfMinTemperatureHas, fMinHas);
        Put(pfMaxTemperatureHas, fMaxHas);
    } catch (...) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CPyrolanBroker::GetErrorInterval(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                         std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperature,
                                         float fMaxTemperature, std::int32_t* pftFromH, std::int32_t* pftFromL,
                                         std::int32_t* pftToH, std::int32_t* pftToL)
{
    if (!m_pSensor)
        return E_ACCESSDENIED;
    if (pftFromH == nullptr && pftFromL == nullptr && pftToH == nullptr && pftToL == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    try {
        FILETIME64 ftFrom = 0, ftTo = 0;
        if (!m_pSensor->GetErrorInterval(nTankIndex, nPlaneIndex, FileTimeOf(ftNeedH, ftNeedL), bAfter != 0,
                                         fMinTemperature, fMaxTemperature, ftFrom, ftTo))
            return S_FALSE;
        Put(pftFromH, HighOf(ftFrom));
        Put(pftFromL, LowOf(ftFrom));
        Put(pftToH, HighOf(ftTo));
        Put(pftToL, LowOf(ftTo));
    } catch (...) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CPyrolanBroker::GetSharedName4History(std::string* pstrSharedRegionName, std::int32_t* pDataSize)
{
    if (!m_pSensor || m_regions.HistorySize() <= 0)
        return E_ACCESSDENIED;
    if (pstrSharedRegionName == nullptr && pDataSize == nullptr)
        return E_POINTER;
    try {
        Put(pstrSharedRegionName, HistoryRegionName());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    Put(pDataSize, m_regions.HistorySize());
    return S_OK;
}

HRESULT CPyrolanBroker::FillHistoryData(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                        std::int32_t ftNeedL, std::int32_t* pftHasH, std::int32_t* pftHasL)
{
    if (!m_pSensor || m_regions.HistorySize() <= 0)
        return E_ACCESSDENIED;
    if (pftHasH == nullptr || pftHasL == nullptr)
        return E_POINTER;
    if (const HRESULT hr = CheckPlane(nTankIndex, nPlaneIndex); FAILED(hr))
        return hr;
    try {
        HistoryImage image;
        if (!m_pSensor->FillHistoryData(nTankIndex, nPlaneIndex, FileTimeOf(ftNeedH, ftNeedL), image))
            return S_FALSE;
        const HRESULT hr = m_regions.FillHistoryRegion(nTankIndex, nPlaneIndex, image);
        if (FAILED(hr))
            return hr;
        *pftHasH = HighOf(image.ftTime);
        *pftHasL = LowOf(image.ftTime);
    } catch (...) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CPyrolanBroker::GetHistoryState(std::int32_t* pnState)
{
    if (pnState == nullptr)
        return E_POINTER;
    if (!m_pSensor || m_regions.HistorySize() <= 0)
        return E_ACCESSDENIED;
    *pnState = static_cast<std::int32_t>(m_pSensor->GetHistoryState());
    return S_OK;
}
