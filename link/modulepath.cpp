#include "modulepath.h"

#include <QCoreApplication>

QString ModulePath(const QString &fileName, const QString &folder)
{
    return (folder.isEmpty() ? QCoreApplication::applicationDirPath()
                       + QStringLiteral("/" QZ_MODULE_DIR_FROM_PROGRAM)
                             : folder)
        + QLatin1Char('/') + fileName;
}
