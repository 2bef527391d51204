// Creation of the broker by its class identifier or either program identifier.
#pragma once

#include "IPyrolanBroker.h"

#include <QDBusConnection>

#include <string>

// Accepts the class identifier (with or without braces, any case), "PyrolanServer.PyrolanBroker" or
// "PyrolanServer.PyrolanBroker.1" and answers a broker proxy that holds the broker until the last
// reference to it goes. An unknown identifier answers REGDB_E_CLASSNOTREG, text that is none
// CO_E_CLASSSTRING; a broker that cannot be reached or created answers that failure.
HRESULT CreatePyrolanBroker(const std::string& strIdentifier, std::shared_ptr<IPyrolanBroker>* ppBroker,
                            const QDBusConnection& connection = QDBusConnection::sessionBus());

// True when the text names the broker's class.
bool IsPyrolanBrokerIdentifier(const std::string& strIdentifier);
