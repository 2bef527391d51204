// The bus proxy of the broker: argument packing, reply checking and the [out] pointer rules.
#include "CPyrolanBrokerProxy.h"

#include "BusErrors.h"
#include "BusValues.h"
#include "PyrolanBusNames.h"
#include "TimeSource.h"

#include <QDBusError>

namespace {

// Release is the last word of a client that may be shutting down: it must not hang it for long.
constexpr int kReleaseTimeoutMs = 5000;
// An ending server stops its sensor before it gives up the name, which can take seconds on a loaded
// machine; a new server is started only once the name is free.
constexpr int kAcquireAttempts = 50;
constexpr std::uint32_t kAcquireRetryMs = 100;

bool IsEndingServerAnswer(HRESULT hr)
{
    return hr == RPC_E_TIMEOUT || hr == RPC_S_SERVER_UNAVAILABLE || hr == E_NOTIMPL;
}

template <typename T>
void Put(T* pOut, const T& value)
{
    if (pOut != nullptr)
        *pOut = value;
}

float FloatOf(const QVariant& value) { return BusDoubleToFloat(value.toDouble()); }
std::int32_t IntOf(const QVariant& value) { return static_cast<std::int32_t>(value.toInt()); }

} // namespace

CPyrolanBrokerProxy::CPyrolanBrokerProxy(const QDBusConnection& connection) : m_connection(connection) {}

HRESULT CPyrolanBrokerProxy::Create(const QDBusConnection& connection, std::shared_ptr<CPyrolanBrokerProxy>* ppProxy)
{
    if (ppProxy == nullptr)
        return E_POINTER;
    ppProxy->reset();
    if (!connection.isConnected())
        return RPC_S_SERVER_UNAVAILABLE;
    std::shared_ptr<CPyrolanBrokerProxy> proxy(new CPyrolanBrokerProxy(connection));
    QList<QVariant> vOut;
    HRESULT hr = proxy->Call(kLifetimeInterface, "Acquire", {}, "", vOut);
    // A server that is just ending after its last client still owns the name for a moment and
    // drops the call; asking again starts a new one.
    for (int nAttempt = 1; nAttempt < kAcquireAttempts && IsEndingServerAnswer(hr); ++nAttempt) {
        TimeSource().Sleep(kAcquireRetryMs);
        hr = proxy->Call(kLifetimeInterface, "Acquire", {}, "", vOut);
    }
    if (FAILED(hr))
        return hr;
    proxy->m_bAcquired = true;
    *ppProxy = std::move(proxy);
    return S_OK;
}

CPyrolanBrokerProxy::~CPyrolanBrokerProxy()
{
    if (!m_bAcquired || !m_connection.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kBrokerBusName),
                                                          QString::fromLatin1(kBrokerObjectPath),
                                                          QString::fromLatin1(kLifetimeInterface),
                                                          QStringLiteral("Release"));
    // Letting go must never start a server again, for instance one that is just ending.
    message.setAutoStartService(false);
    // Without a reply the server still lets go once this connection closes.
    m_connection.call(message, QDBus::Block, kReleaseTimeoutMs);
}

HRESULT CPyrolanBrokerProxy::Call(const char* szInterface, const char* szMethod, const QList<QVariant>& vIn,
                                  const char* szOutSignature, QList<QVariant>& vOut) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kBrokerBusName),
                                                          QString::fromLatin1(kBrokerObjectPath),
                                                          QString::fromLatin1(szInterface),
                                                          QString::fromLatin1(szMethod));
    message.setArguments(vIn);
    const QDBusMessage reply = m_connection.call(message, QDBus::Block);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return HResultFromBusError(reply.errorName(), reply.errorMessage());
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String(szOutSignature))
        return E_UNEXPECTED;
    vOut = reply.arguments();
    return S_OK;
}

HRESULT CPyrolanBrokerProxy::get_TankNumber(std::int32_t* pVal)
{
    if (pVal == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "get_TankNumber", {}, "i", vOut);
    if (hr == S_OK)
        *pVal = IntOf(vOut[0]);
    return hr;
}

HRESULT CPyrolanBrokerProxy::get_PlaneNumber(std::int32_t nTankIndex, std::int32_t* pVal)
{
    if (pVal == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "get_PlaneNumber", {QVariant::fromValue(nTankIndex)}, "i", vOut);
    if (hr == S_OK)
        *pVal = IntOf(vOut[0]);
    return hr;
}

HRESULT CPyrolanBrokerProxy::get_LinesNumber(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pVal)
{
    if (pVal == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "get_LinesNumber",
                            {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex)}, "i", vOut);
    if (hr == S_OK)
        *pVal = IntOf(vOut[0]);
    return hr;
}

HRESULT CPyrolanBrokerProxy::GetLineTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex,
                                                std::int32_t nLineIndex, float* pfMinTemperature,
                                                float* pfMaxTemperature, float* pfAvgTemperature)
{
    if (pfMinTemperature == nullptr && pfMaxTemperature == nullptr && pfAvgTemperature == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "GetLineTemperature",
                            {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex),
                             QVariant::fromValue(nLineIndex)},
                            "ddd", vOut);
    if (hr == S_OK) {
        Put(pfMinTemperature, FloatOf(vOut[0]));
        Put(pfMaxTemperature, FloatOf(vOut[1]));
        Put(pfAvgTemperature, FloatOf(vOut[2]));
    }
    return hr;
}

HRESULT CPyrolanBrokerProxy::GetPlaneTemperature(std::int32_t nTankIndex, std::int32_t nPlaneIndex,
                                                 float* pfMinTemperature, std::int32_t* pnLineIndex4MinTemperature,
                                                 float* pfMaxTemperature, std::int32_t* pnLineIndex4MaxTemperature,
                                                 float* pfAvgTemperature, std::int32_t* pnLastValidLine)
{
    if (pfMinTemperature == nullptr && pnLineIndex4MinTemperature == nullptr && pfMaxTemperature == nullptr &&
        pnLineIndex4MaxTemperature == nullptr && pfAvgTemperature == nullptr && pnLastValidLine == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "GetPlaneTemperature",
                            {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex)}, "dididi", vOut);
    if (hr == S_OK) {
        Put(pfMinTemperature, FloatOf(vOut[0]));
        Put(pnLineIndex4MinTemperature, IntOf(vOut[1]));
        Put(pfMaxTemperature, FloatOf(vOut[2]));
        Put(pnLineIndex4MaxTemperature, IntOf(vOut[3]));
        Put(pfAvgTemperature, FloatOf(vOut[4]));
        Put(pnLastValidLine, IntOf(vOut[5]));
    }
    return hr;
}

HRESULT CPyrolanBrokerProxy::GetPlaneInfo(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t* pnDXmeter,
                                          std::int32_t* pnDYmeter, std::int32_t* pnTermogrammCount4DX,
                                          std::int32_t* pnTermogrammCount4DY)
{
    if (pnDXmeter == nullptr && pnDYmeter == nullptr && pnTermogrammCount4DX == nullptr &&
        pnTermogrammCount4DY == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "GetPlaneInfo",
                            {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex)}, "iiii", vOut);
    if (hr == S_OK) {
        Put(pnDXmeter, IntOf(vOut[0]));
        Put(pnDYmeter, IntOf(vOut[1]));
        Put(pnTermogrammCount4DX, IntOf(vOut[2]));
        Put(pnTermogrammCount4DY, IntOf(vOut[3]));
    }
    return hr;
}

HRESULT CPyrolanBrokerProxy::GetSharedName(std::string* pstrSharedRegionName, std::int32_t* pDataSize)
{
    if (pstrSharedRegionName == nullptr && pDataSize == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerInterface, "GetSharedName", {}, "si", vOut);
    if (hr == S_OK) {
        Put(pstrSharedRegionName, vOut[0].toString().toStdString());
        Put(pDataSize, IntOf(vOut[1]));
    }
    return hr;
}

HRESULT CPyrolanBrokerProxy::FindHistory(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                         std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperatureLimit,
                                         float fMaxTemperatureLimit, std::int32_t* pftHasH, std::int32_t* pftHasL,
                                         float* pfMinTemperatureHas, float* pfMaxTemperatureHas)
{
    if (pftHasH == nullptr && pftHasL == nullptr && pfMinTemperatureHas == nullptr && pfMaxTemperatureHas == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    HRESULT hr = Call(kBrokerHistoryInterface, "FindHistory",
                      {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex), QVariant::fromValue(ftNeedH),
                       QVariant::fromValue(ftNeedL), QVariant::fromValue(bAfter),
                       QVariant::fromValue(static_cast<double>(fMinTemperatureLimit)),
                       QVariant::fromValue(static_cast<double>(fMaxTemperatureLimit))},
                      "biidd", vOut);
    if (hr != S_OK)
        return hr;
    if (!vOut[0].toBool())
        return S_FALSE;
    Put(pftHasH, IntOf(vOut[1]));
    Put(pftHasL, IntOf(vOut[2]));
    Put(pfMinTemperatureHas, FloatOf(vOut[3]));
    Put(pfMaxTemperatureHas, FloatOf(vOut[4]));
    return S_OK;
}

HRESULT CPyrolanBrokerProxy::GetErrorInterval(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                              std::int32_t ftNeedL, std::int32_t bAfter, float fMinTemperature,
                                              float fMaxTemperature, std::int32_t* pftFromH, std::int32_t* pftFromL,
                                              std::int32_t* pftToH, std::int32_t* pftToL)
{
    if (pftFromH == nullptr && pftFromL == nullptr && pftToH == nullptr && pftToL == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    HRESULT hr = Call(kBrokerHistoryInterface, "GetErrorInterval",
                      {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex), QVariant::fromValue(ftNeedH),
                       QVariant::fromValue(ftNeedL), QVariant::fromValue(bAfter),
                       QVariant::fromValue(static_cast<double>(fMinTemperature)),
                       QVariant::fromValue(static_cast<double>(fMaxTemperature))},
                      "biiii", vOut);
    if (hr != S_OK)
        return hr;
    if (!vOut[0].toBool())
        return S_FALSE;
    Put(pftFromH, IntOf(vOut[1]));
    Put(pftFromL, IntOf(vOut[2]));
    Put(pftToH, IntOf(vOut[3]));
    Put(pftToL, IntOf(vOut[4]));
    return S_OK;
}

HRESULT CPyrolanBrokerProxy::GetSharedName4History(std::string* pstrSharedRegionName, std::int32_t* pDataSize)
{
    if (pstrSharedRegionName == nullptr && pDataSize == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerHistoryInterface, "GetSharedName4History", {}, "si", vOut);
    if (hr == S_OK) {
        Put(pstrSharedRegionName, vOut[0].toString().toStdString());
        Put(pDataSize, IntOf(vOut[1]));
    }
    return hr;
}

HRESULT CPyrolanBrokerProxy::FillHistoryData(std::int32_t nTankIndex, std::int32_t nPlaneIndex, std::int32_t ftNeedH,
                                             std::int32_t ftNeedL, std::int32_t* pftHasH, std::int32_t* pftHasL)
{
    if (pftHasH == nullptr || pftHasL == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerHistoryInterface, "FillHistoryData",
                            {QVariant::fromValue(nTankIndex), QVariant::fromValue(nPlaneIndex),
                             QVariant::fromValue(ftNeedH), QVariant::fromValue(ftNeedL)},
                            "bii", vOut);
    if (hr != S_OK)
        return hr;
    if (!vOut[0].toBool())
        return S_FALSE;
    *pftHasH = IntOf(vOut[1]);
    *pftHasL = IntOf(vOut[2]);
    return S_OK;
}

HRESULT CPyrolanBrokerProxy::GetHistoryState(std::int32_t* pnState)
{
    if (pnState == nullptr)
        return E_POINTER;
    QList<QVariant> vOut;
    const HRESULT hr = Call(kBrokerHistoryInterface, "GetHistoryState", {}, "i", vOut);
    if (hr == S_OK)
        *pnState = IntOf(vOut[0]);
    return hr;
}
