#include "installedfamily.h"

#include <QFontDatabase>
#include <QHash>

QString InstalledFamily(const QStringList &families)
{
    // A family the panel asks for that is not installed would be matched through the system's
    // substitution rules each time a font of it is first drawn; naming an installed family saves
    // that work. QFontDatabase::hasFamily() would apply those same rules, so the installed list
    // is read instead.
    static QHash<QStringList, QString> resolved;
    const auto known = resolved.constFind(families);
    if (known != resolved.constEnd())
        return *known;
    const QStringList installed = QFontDatabase::families();
    QString found;
    for (const QString &family : families) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            found = family;
            break;
        }
    }
    resolved.insert(families, found);
    return found;
}
