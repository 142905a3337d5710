#include "moduleentry.h"

#include <QCoreApplication>
#include <QLibrary>

QFunctionPointer ModuleEntry(
    const QString &fileName, const char *entryPoint, QString *why, const QString &folder)
{
    const QString dir = folder.isEmpty()
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/" QZ_MODULE_DIR_FROM_PROGRAM)
        : folder;
    QLibrary module(dir + QLatin1Char('/') + fileName);
    const QFunctionPointer entry = module.resolve(entryPoint);
    if (!entry && why)
        *why = module.errorString();
    return entry;
}
