#pragma once

#include <QString>
#include <QStringList>

// The first of `families` that is installed (compared as the font database names them, without
// the system's substitutions), or an empty string when none is. Each distinct list is looked up
// once; later calls come from memory.
QString InstalledFamily(const QStringList &families);
