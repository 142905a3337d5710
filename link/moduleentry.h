#pragma once

#include <QString>

// An entry point of a module the program loads on first use, from `folder` or by default from
// where the program's installation puts its modules, relative to the program (in the build tree
// as well). The module is never unloaded: its code runs until the program ends. Null, and the
// loader's reason in why, when the module cannot be loaded or lacks the entry point.
QFunctionPointer ModuleEntry(const QString &fileName, const char *entryPoint, QString *why,
    const QString &folder = QString());
