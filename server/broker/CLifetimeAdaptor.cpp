// Holding and letting go of the broker by bus clients.
#include "CLifetimeAdaptor.h"

#include "BusErrors.h"

CLifetimeAdaptor::CLifetimeAdaptor(CBrokerBusObject* pObject) : QDBusAbstractAdaptor(pObject), m_pObject(pObject) {}

void CLifetimeAdaptor::Acquire()
{
    const HRESULT hr = m_pObject->Acquire(m_pObject->message().service());
    if (FAILED(hr))
        m_pObject->sendErrorReply(BusErrorName(hr), BusErrorMessage(hr));
}

void CLifetimeAdaptor::Release() { m_pObject->Release(m_pObject->message().service()); }
