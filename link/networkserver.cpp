#include "networkserver.h"

#include "moduleentry.h"

namespace {

// The module's one entry point: a new server driving the rig, owned by the caller.
using NewServer = NetworkServer *(*)(RigTarget *rig);
constexpr const char *kEntryPoint = "QzNewNetworkServer";

} // namespace

std::unique_ptr<NetworkServer> LoadNetworkServer(
    RigTarget &rig, QString *why, const QString &folder)
{
    const auto newServer = reinterpret_cast<NewServer>(
        ModuleEntry(QStringLiteral("rigctld.so"), kEntryPoint, why, folder));
    return newServer ? std::unique_ptr<NetworkServer>(newServer(&rig)) : nullptr;
}

QStringList WithDefaultRigctldPort(const QStringList &arguments)
{
    QStringList result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        result << arguments[i];
        if (i == 0)
            continue;
        if (arguments[i] == QLatin1String("--")) {
            result << arguments.mid(i + 1);
            break;
        }
        if (arguments[i] == QLatin1String("--rigctld")
            && (i + 1 == arguments.size() || arguments[i + 1].startsWith(QLatin1Char('-'))))
            result << QString::number(NetworkServer::kDefaultPort);
    }
    return result;
}
