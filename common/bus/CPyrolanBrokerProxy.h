// The broker as seen through the session bus: both interfaces forwarded to the server.
#pragma once

#include "IPyrolanBroker.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QVariant>

// Holds the broker from Acquire (made by Create) until the proxy is destroyed, which calls Release.
// Safe to use from any thread: every call is a blocking call on the connection, which serialises them.
class CPyrolanBrokerProxy final : public IPyrolanBroker, public IPyrolanBrokerHistory {
public:
    // Acquires the broker (the bus starts the server when none runs). Answers the proxy, or the
    // failure of Acquire.
    static HRESULT Create(const QDBusConnection& connection, std::shared_ptr<CPyrolanBrokerProxy>* ppProxy);
    ~CPyrolanBrokerProxy() override;
    CPyrolanBrokerProxy(const CPyrolanBrokerProxy&) = delete;
    CPyrolanBrokerProxy& operator=(const CPyrolanBrokerProxy&) = delete;

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

private:
    explicit CPyrolanBrokerProxy(const QDBusConnection& connection);

    // Calls a method and answers its HRESULT; on success the reply's values, checked against the
    // expected signature, are in vOut.
    HRESULT Call(const char* szInterface, const char* szMethod, const QList<QVariant>& vIn,
                 const char* szOutSignature, QList<QVariant>& vOut) const;

    QDBusConnection m_connection;
    bool m_bAcquired = false;
};
