// Identifier matching and creation of the bus proxy.
#include "PyrolanBrokerFactory.h"

#include "BusErrors.h"
#include "CPyrolanBrokerProxy.h"
#include "PyrolanBusNames.h"

#include <QString>
#include <QUuid>

namespace {

QString Braced(const QString& text)
{
    return text.startsWith(QLatin1Char('{')) ? text : QLatin1Char('{') + text + QLatin1Char('}');
}

} // namespace

bool IsPyrolanBrokerIdentifier(const std::string& strIdentifier)
{
    const QString text = QString::fromStdString(strIdentifier);
    if (text.compare(QLatin1String(kBrokerProgId), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String(kBrokerVersionIndependentProgId), Qt::CaseInsensitive) == 0)
        return true;
    const QUuid id = QUuid::fromString(Braced(text));
    return !id.isNull() && id == QUuid::fromString(QLatin1String(kBrokerClassId));
}

HRESULT CreatePyrolanBroker(const std::string& strIdentifier, std::shared_ptr<IPyrolanBroker>* ppBroker,
                            const QDBusConnection& connection)
{
    if (ppBroker == nullptr)
        return E_POINTER;
    ppBroker->reset();
    if (!IsPyrolanBrokerIdentifier(strIdentifier)) {
        const bool bIsClassId = !QUuid::fromString(Braced(QString::fromStdString(strIdentifier))).isNull();
        return bIsClassId ? REGDB_E_CLASSNOTREG : CO_E_CLASSSTRING;
    }
    std::shared_ptr<CPyrolanBrokerProxy> proxy;
    const HRESULT hr = CPyrolanBrokerProxy::Create(connection, &proxy);
    if (FAILED(hr))
        return hr;
    *ppBroker = std::move(proxy);
    return S_OK;
}
