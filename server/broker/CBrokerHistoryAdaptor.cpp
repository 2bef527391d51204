// Bus calls of PyrolanServer.IPyrolanBrokerHistory, forwarded to the broker on the main thread.
#include "CBrokerHistoryAdaptor.h"

#include "BusErrors.h"
#include "BusValues.h"

CBrokerHistoryAdaptor::CBrokerHistoryAdaptor(CBrokerBusObject* pObject)
    : QDBusAbstractAdaptor(pObject), m_pObject(pObject)
{
}

std::shared_ptr<CPyrolanBroker> CBrokerHistoryAdaptor::Broker()
{
    std::shared_ptr<CPyrolanBroker> broker;
    if (!Succeeded(m_pObject->BrokerForCall(m_pObject->message().service(), &broker)))
        return nullptr;
    return broker;
}

bool CBrokerHistoryAdaptor::Succeeded(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return true;
    m_pObject->sendErrorReply(BusErrorName(hr), BusErrorMessage(hr));
    return false;
}

bool CBrokerHistoryAdaptor::FindHistory(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL,
                                        qint32 bAfter, double fMinTemperatureLimit, double fMaxTemperatureLimit,
                                        qint32& pftHasH, qint32& pftHasL, double& pfMinTemperatureHas,
                                        double& pfMaxTemperatureHas)
{
    std::int32_t ftH = 0, ftL = 0;
    float fMin = 0.0f, fMax = 0.0f;
    HRESULT hr = S_FALSE;
    if (auto broker = Broker())
        Succeeded(hr = broker->FindHistory(nTankIndex, nPlaneIndex, ftNeedH, ftNeedL, bAfter,
                                           BusDoubleToFloat(fMinTemperatureLimit),
                                           BusDoubleToFloat(fMaxTemperatureLimit), &ftH, &ftL, &fMin, &fMax));
    pftHasH = ftH;
    pftHasL = ftL;
    pfMinTemperatureHas = fMin;
    pfMaxTemperatureHas = fMax;
    return hr == S_OK;
}

bool CBrokerHistoryAdaptor::GetErrorInterval(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL,
                                             qint32 bAfter, double fMinTemperature, double fMaxTemperature,
                                             qint32& pftFromH, qint32& pftFromL, qint32& pftToH, qint32& pftToL)
{
    std::int32_t ftFromH = 0, ftFromL = 0, ftToH = 0, ftToL = 0;
    HRESULT hr = S_FALSE;
    if (auto broker = Broker())
        Succeeded(hr = broker->GetErrorInterval(nTankIndex, nPlaneIndex, ftNeedH, ftNeedL, bAfter,
                                                BusDoubleToFloat(fMinTemperature), BusDoubleToFloat(fMaxTemperature),
                                                &ftFromH, &ftFromL, &ftToH, &ftToL));
    pftFromH = ftFromH;
    pftFromL = ftFromL;
    pftToH = ftToH;
    pftToL = ftToL;
    return hr == S_OK;
}

QString CBrokerHistoryAdaptor::GetSharedName4History(qint32& pDataSize)
{
    std::string strName;
    std::int32_t nSize = 0;
    if (auto broker = Broker())
        Succeeded(broker->GetSharedName4History(&strName, &nSize));
    pDataSize = nSize;
    return QString::fromStdString(strName);
}

bool CBrokerHistoryAdaptor::FillHistoryData(qint32 nTankIndex, qint32 nPlaneIndex, qint32 ftNeedH, qint32 ftNeedL,
                                            qint32& pftHasH, qint32& pftHasL)
{
    std::int32_t ftH = 0, ftL = 0;
    HRESULT hr = S_FALSE;
    if (auto broker = Broker())
        Succeeded(hr = broker->FillHistoryData(nTankIndex, nPlaneIndex, ftNeedH, ftNeedL, &ftH, &ftL));
    pftHasH = ftH;
    pftHasL = ftL;
    return hr == S_OK;
}

qint32 CBrokerHistoryAdaptor::GetHistoryState()
{
    std::int32_t nState = 0;
    if (auto broker = Broker())
        Succeeded(broker->GetHistoryState(&nState));
    return nState;
}
