// Interface PyrolanServer.IPyrolanBrokerHistory of the broker's bus object: stored images.
#pragma once

#include "CBrokerBusObject.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

class CBrokerHistoryAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "PyrolanServer.IPyrolanBrokerHistory")
public:
    explicit CBrokerHistoryAdaptor(CBrokerBusObject* pObject);

public slots:
    // found = true answers S_OK with the values, found = false S_FALSE.
    bool FindHistory(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL, qint32 bAfter,
                     double fMinTemperatureLimit, double fMaxTemperatureLimit, qint32& pftHasH, qint32& pftHasL,
                     double& pfMinTemperatureHas, double& pfMaxTemperatureHas);
    bool GetErrorInterval(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL, qint32 bAfter,
                          double fMinTemperature, double fMaxTemperature, qint32& pftFromH, qint32& pftFromL,
                          qint32& pftToH, qint32& pftToL);
    QString GetSharedName4History(qint32& pDataSize);
    bool FillHistoryData(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL, qint32& pftHasH,
                         qint32& pftHasL);
    qint32 GetHistoryState();

private:
    std::shared_ptr<CPyrolanBroker> Broker();
    bool Succeeded(HRESULT hr);

    CBrokerBusObject* m_pObject;
};
