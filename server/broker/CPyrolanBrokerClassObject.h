// The broker's class object: a singleton factory that creates the broker once and hands every later
// request the same object, or the same creation failure.
#pragma once

#include "CPyrolanBroker.h"

#include <memory>
#include <mutex>

class CPyrolanBrokerClassObject {
public:
    explicit CPyrolanBrokerClassObject(CPyrolanBroker::SensorFactory factory = CPyrolanBroker::SensorFactory::Default());
    ~CPyrolanBrokerClassObject();
    CPyrolanBrokerClassObject(const CPyrolanBrokerClassObject&) = delete;
    CPyrolanBrokerClassObject& operator=(const CPyrolanBrokerClassObject&) = delete;

    HRESULT CreateInstance(std::shared_ptr<CPyrolanBroker>* ppBroker);
    // Destroys the broker at the server's end (FinalRelease runs here).
    void ReleaseInstance();

private:
    CPyrolanBroker::SensorFactory m_factory;
    std::mutex m_mutex;
    bool m_bCreated = false;
    HRESULT m_hrCreate = S_OK;
    std::shared_ptr<CPyrolanBroker> m_pBroker;
};
