// Mapping between HRESULTs and bus error replies.
#include "BusErrors.h"

#include "PyrolanBusNames.h"

namespace {

const char* HResultText(HRESULT hr)
{
    switch (hr) {
    case E_ACCESSDENIED: return "E_ACCESSDENIED";
    case E_INVALIDARG: return "E_INVALIDARG";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_FAIL: return "E_FAIL";
    case E_POINTER: return "E_POINTER";
    case E_PENDING: return "E_PENDING";
    default: return nullptr;
    }
}

} // namespace

QString BusErrorName(HRESULT hr)
{
    switch (hr) {
    case E_ACCESSDENIED: return QString::fromLatin1(kErrorAccessDenied);
    case E_INVALIDARG: return QString::fromLatin1(kErrorInvalidArg);
    case E_OUTOFMEMORY: return QString::fromLatin1(kErrorOutOfMemory);
    case E_FAIL: return QString::fromLatin1(kErrorFail);
    default: return QString::fromLatin1(kErrorHResult);
    }
}

QString BusErrorMessage(HRESULT hr)
{
    QString message = QString::asprintf("0x%08X", static_cast<unsigned>(hr));
    if (const char* text = HResultText(hr))
        message += QLatin1Char(' ') + QString::fromLatin1(text);
    return message;
}

HRESULT HResultFromBusError(const QString& strName, const QString& strMessage)
{
    if (strName == QLatin1String(kErrorAccessDenied))
        return E_ACCESSDENIED;
    if (strName == QLatin1String(kErrorInvalidArg))
        return E_INVALIDARG;
    if (strName == QLatin1String(kErrorOutOfMemory))
        return E_OUTOFMEMORY;
    if (strName == QLatin1String(kErrorFail))
        return E_FAIL;
    if (strName == QLatin1String(kErrorHResult)) {
        bool ok = false;
        const quint32 value = strMessage.left(10).toUInt(&ok, 0);
        // A failure that came without a readable failing code still is a failure.
        if (!ok || !strMessage.startsWith(QLatin1String("0x")) || static_cast<HRESULT>(value) >= 0)
            return E_FAIL;
        return static_cast<HRESULT>(value);
    }
    if (strName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return REGDB_E_CLASSNOTREG;
    if (strName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn.")))
        return CO_E_SERVER_EXEC_FAILURE;
    if (strName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.TimedOut"))
        return RPC_E_TIMEOUT;
    if (strName == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.NoServer"))
        return RPC_S_SERVER_UNAVAILABLE;
    if (strName == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
        strName == QLatin1String("org.freedesktop.DBus.Error.UnknownObject"))
        return E_NOTIMPL;
    if (strName == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs"))
        return E_INVALIDARG;
    return E_FAIL;
}
