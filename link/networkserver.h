#pragma once

#include "strengthcalibration.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class RigTarget;

// The network control server as the panel drives it. The server itself, with Qt Network, is a
// module loaded on first use (LoadNetworkServer): a panel that serves no clients never maps it.
class NetworkServer
{
public:
    static constexpr quint16 kDefaultPort = 4532;

    // Where to listen.
    struct Place
    {
        QString address; // as written back to the operator, IPv6 without brackets
        quint16 port = 0;
        bool loopback = true; // reachable from this computer only
    };

    virtual ~NetworkServer() = default;

    // The place "[ADDRESS:]PORT" names: "4532", "127.0.0.1:4532", "0.0.0.0:4532", "[::1]:4532",
    // "localhost:4532", at 127.0.0.1 unless an address is given. Nothing for a text of another
    // form or a port outside 1 … 65535.
    virtual std::optional<Place> ParsePlace(const QString &text) const = 0;
    // Listens there, after closing what was open. False when the address cannot be bound;
    // errorString() then says why.
    virtual bool Listen(const Place &place) = 0;
    // Stops listening and closes every client.
    virtual void Stop() = 0;
    virtual bool isListening() const = 0;
    virtual QString errorString() const = 0;
    // Where it listens, with the port chosen when 0 was asked for.
    virtual Place place() const = 0;
    virtual int clientCount() const = 0;

    // How clients' "l STRENGTH" turns raw readings into dB.
    virtual void SetStrengthCalibration(const StrengthCalibration &calibration) = 0;
    // Clients may not switch the receiver on or off while this is set.
    virtual void SetRefusePower(bool refuse) = 0;
    // A client that connects while the link is off switches it on, as ON would.
    virtual void SetSwitchOnWhenClientConnects(bool on) = 0;
    // A client that sends nothing for this long is dropped; 0 keeps every client.
    virtual void SetIdleTimeout(int milliseconds) = 0;
    // Called once the server has started or stopped listening, or a client has come or gone.
    virtual void OnChange(std::function<void()> changed) = 0;
};

// A server driving the rig, from the module in `folder` (by default where the program's
// installation puts it, relative to the program). Nothing, and why, when the module is missing or
// not a network server module.
std::unique_ptr<NetworkServer> LoadNetworkServer(
    RigTarget &rig, QString *why, const QString &folder = QString());

// "--rigctld" takes an optional value, which QCommandLineParser cannot express: a "--rigctld"
// that ends the command line or stands before another option gets the default port as its value.
QStringList WithDefaultRigctldPort(const QStringList &arguments);
