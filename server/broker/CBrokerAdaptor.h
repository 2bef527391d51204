// Interface PyrolanServer.IPyrolanBroker of the broker's bus object: plant layout and live values.
#pragma once

#include "CBrokerBusObject.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

class CBrokerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "PyrolanServer.IPyrolanBroker")
public:
    explicit CBrokerAdaptor(CBrokerBusObject* pObject);

public slots:
    qint32 get_TankNumber();
    qint32 get_PlaneNumber(qint32 nTankIndex);
    qint32 get_LinesNumber(qint32 nTankIndex, qint32 nPlaneIndex);
    double GetLineTemperature(qint32 nTankIndex, qint32 nPlaneIndex, qint32 nLineIndex, double& pfMaxTemperature,
                              double& pfAvgTemperature);
    double GetPlaneTemperature(qint32 nTankIndex, qint32 nPlaneIndex, qint32& pnLineIndex4MinTemperature,
                               double& pfMaxTemperature, qint32& pnLineIndex4MaxTemperature, double& pfAvgTemperature,
                               qint32& pnLastValidLine);
    qint32 GetPlaneInfo(qint32 nTankIndex, qint32 nPlaneIndex, qint32& pnDYmeter, qint32& pnTermogrammCount4DX,
                        qint32& pnTermogrammCount4DY);
    QString GetSharedName(qint32& pDataSize);

private:
    // The broker for this call, or nullptr after an error reply was sent.
    std::shared_ptr<CPyrolanBroker> Broker();
    // Sends the error reply for a failing result; answers true when the call succeeded.
    bool Succeeded(HRESULT hr);

    CBrokerBusObject* m_pObject;
};
