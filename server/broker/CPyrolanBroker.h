// The broker: owns the sensor and both shared regions, runs the update thread and answers both
// interfaces with their argument checks.
#pragma once

#include "CBrokerRegions.h"
#include "CTermoSensor.h"
#include "IPyrolanBroker.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class CPyrolanBroker final : public IPyrolanBroker, public IPyrolanBrokerHistory {
public:
    // How the broker makes its sensors: the instrument sensor first, the simulated one when the
    // instrument sensor's configuration asks for it. A factory answering nullptr counts as out of memory.
    struct SensorFactory {
        std::function<std::unique_ptr<CTermoSensor>()> makeInstrument;
        std::function<std::unique_ptr<CTermoSensor>()> makeDummy;
        // The instrument sensor on ServerConfigurationPath(), the simulated one on ServerCsvPath().
        static SensorFactory Default();
    };

    explicit CPyrolanBroker(SensorFactory factory = SensorFactory::Default());
    // Runs FinalRelease when it was not run yet.
    ~CPyrolanBroker() override;
    CPyrolanBroker(const CPyrolanBroker&) = delete;
    CPyrolanBroker& operator=(const CPyrolanBroker&) = delete;

    // Chooses and starts the sensor, creates the regions, starts the update thread. Once per object.
    HRESULT FinalConstruct();
    // Stops the update thread, closes the regions, stops and destroys the sensor.
    void FinalRelease();

    HRESULT get_TankNumber(std::int32_t* pVal) override;
    HRESULT get_PlaneNumber(std::int32_t nTankIndex, std::int32_t* pVal) override;
    HRESULT get_LinesNumber(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pVal) override;
    HRESULT GetLineTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t nLineIndex,
                               float* pfMinTemperature, float* pfMaxTemperature, float* pfAvgTemperature) override;
    HRESULT GetPlaneTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex, float* pfMinTemperature,
                                std::int32_t* pnLineIndex4MinTemperature, float* pfMaxTemperature,
                                std::int32_t* pnLineIndex4MaxTemperature, float* pfAvgTemperature,
                                std::int32_t* pnLastValidLine) override;
    HRESULT GetPlaneInfo(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pnDXmeter,
                         std::int32_t* pnDYmeter, std::int32_t* pnTermogrammCount4DX,
                         std::int32_t* pnTermogrammCount4DY) override;
    HRESULT GetSharedName(std::string* pstrSharedRegionName, std::int32_t* pDataSize) override;

    HRESULT FindHistory(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH, std::int32_t ftNeedL,
                        std::int32_t bAfter, float fMinTemperatureLimit, float fMaxTemperatureLimit,
                        std::int32_t* pftHasH, std::int32_t* pftHasL, float* pfMinTemperatureHas,
                        float* pfMaxTemperatureHas) override;
    HRESULT GetErrorInterval(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                             std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperature, float fMaxTemperature,
                             std::int32_t* pftFromH, std::int32_t* pftFromL, std::int32_t* pftToH,
                             std::int32_t* pftToL) override;
    HRESULT GetSharedName4History(std::string* pstrSharedRegionName, std::int32_t* pDataSize) override;
    HRESULT FillHistoryData(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                            std::int32_t ftNeedL, std::int32_t* pftHasH, std::int32_t* pftHasL) override;
    HRESULT GetHistoryState(std::int32_t* pnState) override;

    // For tests: the chosen sensor (nullptr without one) and the regions.
    CTermoSensor* Sensor() const { return m_pSensor.get(); }
    const CBrokerRegions& Regions() const { return m_regions; }

private:
    void UpdateLoop();
    // E_INVALIDARG unless the tank and the plane of that tank exist.
    HRESULT CheckPlane(std::int32_t nTankIndex, std::int32_t nPlaneIndex) const;

    SensorFactory m_factory;
    std::atomic<bool> m_bStop{false};
    std::thread m_threadUpdate;
    std::unique_ptr<CTermoSensor> m_pSensor;
    CBrokerRegions m_regions;
    bool m_bConstructed = false;
    bool m_bReleased = false;
};
