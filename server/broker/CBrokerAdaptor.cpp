// Bus calls of PyrolanServer.IPyrolanBroker, forwarded to the broker on the main thread.
#include "CBrokerAdaptor.h"

#include "BusErrors.h"

CBrokerAdaptor::CBrokerAdaptor(CBrokerBusObject* pObject) : QDBusAbstractAdaptor(pObject), m_pObject(pObject) {}

std::shared_ptr<CPyrolanBroker> CBrokerAdaptor::Broker()
{
    std::shared_ptr<CPyrolanBroker> broker;
    if (!Succeeded(m_pObject->BrokerForCall(m_pObject->message().service(), &broker)))
        return nullptr;
    return broker;
}

bool CBrokerAdaptor::Succeeded(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return true;
    m_pObject->sendErrorReply(BusErrorName(hr), BusErrorMessage(hr));
    return false;
}

qint32 CBrokerAdaptor::get_TankNumber()
{
    std::int32_t nValue = 0;
    if (auto broker = Broker())
        Succeeded(broker->get_TankNumber(&nValue));
    return nValue;
}

qint32 CBrokerAdaptor::get_PlaneNumber(qint32 nTankIndex)
{
    std::int32_t nValue = 0;
    if (auto broker = Broker())
        Succeeded(broker->get_PlaneNumber(nTankIndex, &nValue));
    return nValue;
}

qint32 CBrokerAdaptor::get_LinesNumber(qint32 nTankIndex, qint32 nPlaneIndex)
{
    std::int32_t nValue = 0;
    if (auto broker = Broker())
        Succeeded(broker->get_LinesNumber(nTankIndex, nPlaneIndex, &nValue));
    return nValue;
}

double CBrokerAdaptor::GetLineTemperature(qint32 nTankIndex, qint32 nPlaneIndex, qint32 nLineIndex,
                                          double& pfMaxTemperature, double& pfAvgTemperature)
{
    float fMin = 0.0f, fMax = 0.0f, fAvg = 0.0f;
    if (auto broker = Broker())
        Succeeded(broker->GetLineTemperature(nTankIndex, nPlaneIndex, nLineIndex, &fMin, &fMax, &fAvg));
    pfMaxTemperature = fMax;
    pfAvgTemperature = fAvg;
    return fMin;
}

double CBrokerAdaptor::GetPlaneTemperature(qint32 nTankIndex, qint32 nPlaneIndex, qint32& pnLineIndex4MinTemperature,
                                           double& pfMaxTemperature, qint32& pnLineIndex4MaxTemperature,
                                           double& pfAvgTemperature, qint32& pnLastValidLine)
{
    float fMin = 0.0f, fMax = 0.0f, fAvg = 0.0f;
    std::int32_t nMinLine = 0, nMaxLine = 0, nLastValid = 0;
    if (auto broker = Broker())
        Succeeded(broker->GetPlaneTemperature(nTankIndex, nPlaneIndex, &fMin, &nMinLine, &fMax, &nMaxLine, &fAvg,
                                              &nLastValid));
    pnLineIndex4MinTemperature = nMinLine;
    pfMaxTemperature = fMax;
    pnLineIndex4MaxTemperature = nMaxLine;
    pfAvgTemperature = fAvg;
    pnLastValidLine = nLastValid;
    return fMin;
}

qint32 CBrokerAdaptor::GetPlaneInfo(qint32 nTankIndex, qint32 nPlaneIndex, qint32& pnDYmeter,
                                    qint32& pnTermogrammCount4DX, qint32& pnTermogrammCount4DY)
{
    std::int32_t nDX = 0, nDY = 0, nCountDX = 0, nCountDY = 0;
    if (auto broker = Broker())
        Succeeded(broker->GetPlaneInfo(nTankIndex, nPlaneIndex, &nDX, &nDY, &nCountDX, &nCountDY));
    pnDYmeter = nDY;
    pnTermogrammCount4DX = nCountDX;
    pnTermogrammCount4DY = nCountDY;
    return nDX;
}

QString CBrokerAdaptor::GetSharedName(qint32& pDataSize)
{
    std::string strName;
    std::int32_t nSize = 0;
    if (auto broker = Broker())
        Succeeded(broker->GetSharedName(&strName, &nSize));
    pDataSize = nSize;
    return QString::fromStdString(strName);
}
