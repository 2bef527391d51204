// Access to the compiled-in introspection files.
#include "BusInterfaceXml.h"

#include <QFile>
#include <QString>

QByteArray BusInterfaceXml(const char* szFileName)
{
    QFile file(QStringLiteral(":/pyrolan/bus/") + QString::fromLatin1(szFileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
