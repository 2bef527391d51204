// The introspection XML of the broker's interfaces, as kept in the repository (compiled in).
#pragma once

#include <QByteArray>

// The content of one of kInterfaceFileNames; empty for another name.
QByteArray BusInterfaceXml(const char* szFileName);
