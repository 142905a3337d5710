#pragma once

#include "networkserver.h"
#include "rigctlprotocol.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;
class RigTarget;

// A TCP server speaking the rigctld protocol (rigctlprotocol.h) to several clients at once, on the
// user-interface thread with Qt's socket notifications. Each client's commands are answered in
// order, one answer per command and each in one write. A command whose answer waits for the
// receiver (a signal reading) holds back that client's later commands until it is answered; the
// other clients carry on meanwhile.
//
// Every client is kept within bounds, so none can disturb the panel or the others: at most
// kMaxClients at a time (the next one is told "RPRT -21" and closed), a line longer than
// kMaxLineBytes is answered "RPRT -1" and the connection closed, at most kLinesPerTurn lines of
// one client are answered before the panel's other events get their turn, and a client that does
// not read its answers is dropped once kMaxUnsentBytes are waiting for it, and one that sends
// nothing for the idle time (kDefaultIdleTimeoutMs unless set) is dropped, which the link trace
// says.
class RigctlServer : public QObject, public NetworkServer
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 16;
    static constexpr int kMaxLineBytes = 1024;
    static constexpr int kLinesPerTurn = 32;
    static constexpr qint64 kMaxUnsentBytes = 256 * 1024;
    // Hamlib's clients poll every second or so; a tracker between passes or a logger left open
    // stays connected far longer than any of them is silent.
    static constexpr int kDefaultIdleTimeoutMs = 5 * 60 * 1000;

    explicit RigctlServer(RigTarget &rig, QObject *parent = nullptr);
    ~RigctlServer() override;

    // Listens on the address and port (0: any free port), after closing what was open. False when
    // the address cannot be bound; errorString() then says why.
    bool Listen(const QHostAddress &address, quint16 port);
    QHostAddress address() const;
    // The port listened on, also when 0 was asked for.
    quint16 port() const;

    std::optional<Place> ParsePlace(const QString &text) const override;
    bool Listen(const Place &place) override;
    void Stop() override;
    bool isListening() const override;
    QString errorString() const override { return m_error; }
    Place place() const override;
    int clientCount() const override { return int(m_clients.size()); }

    void SetStrengthCalibration(const StrengthCalibration &calibration) override;
    // Clients' "\set_powerstat" is refused ("RPRT -22") while this is set.
    void SetRefusePower(bool refuse) override;
    void SetSwitchOnWhenClientConnects(bool on) override { m_switchOnWhenClientConnects = on; }
    void SetIdleTimeout(int milliseconds) override;
    void OnChange(std::function<void()> changed) override { m_changed = std::move(changed); }

private:
    struct Client;

    // Tells whoever set OnChange(): listening started or stopped, or a client came or went.
    void Changed();

    void Accept();
    void Serve(Client *client);
    void ServeSoon(Client *client);
    void Answered(Client *client, const RigctlAnswer &answer);
    // Takes the next whole line into `line`; false when none is complete yet. Sets overlong when
    // the client has sent more than a line may hold.
    bool NextLine(Client *client, QByteArray &line, bool &overlong);
    void Send(Client *client, const QByteArray &bytes);
    void Drop(Client *client);
    void Forget(Client *client);

    RigTarget &m_rig;
    QTcpServer *m_server = nullptr;
    std::vector<Client *> m_clients;
    QString m_error;
    RigctlState m_state;
    bool m_switchOnWhenClientConnects = false;
    int m_idleTimeoutMs = kDefaultIdleTimeoutMs;
    std::function<void()> m_changed;
};

// Where to listen, from "[ADDRESS:]PORT": "4532", "127.0.0.1:4532", "0.0.0.0:4532",
// "[::1]:4532", "localhost:4532". The address is 127.0.0.1 unless given. Nothing for a text that
// is not of that form or a port outside 1 … 65535.
struct ListenAddress
{
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> ParseListenAddress(const QString &text);
