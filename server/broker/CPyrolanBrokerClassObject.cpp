// Singleton creation of the broker.
#include "CPyrolanBrokerClassObject.h"

#include <new>

CPyrolanBrokerClassObject::CPyrolanBrokerClassObject(CPyrolanBroker::SensorFactory factory)
    : m_factory(std::move(factory))
{
}

CPyrolanBrokerClassObject::~CPyrolanBrokerClassObject() { ReleaseInstance(); }

HRESULT CPyrolanBrokerClassObject::CreateInstance(std::shared_ptr<CPyrolanBroker>* ppBroker)
{
    if (ppBroker == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_bCreated) {
        m_bCreated = true;
        try {
            auto broker = std::make_shared<CPyrolanBroker>(m_factory);
            m_hrCreate = broker->FinalConstruct();
            if (SUCCEEDED(m_hrCreate))
                m_pBroker = std::move(broker);
        } catch (const std::bad_alloc&) {
            m_hrCreate = E_OUTOFMEMORY;
        }
    }
    *ppBroker = m_pBroker;
    return m_hrCreate;
}

void CPyrolanBrokerClassObject::ReleaseInstance()
{
    std::shared_ptr<CPyrolanBroker> broker;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        broker = std::move(m_pBroker);
    }
    if (broker)
        broker->FinalRelease();
}
