#pragma once

#include <QString>

// The path of a module the program loads on first use: in `folder`, or by default where the
// program's installation puts its modules, relative to the program (in the build tree as well).
QString ModulePath(const QString &fileName, const QString &folder = QString());
