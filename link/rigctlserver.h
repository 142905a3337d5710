#pragma once

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
// user-interface thread with Qt's socket notifications. Each client's lines are answered in order.
//
// Every client is kept within bounds, so none can disturb the panel or the others: at most
// kMaxClients at a time (the next one is told "RPRT -21" and closed), a line longer than
// kMaxLineBytes is answered "RPRT -1" and the connection closed, at most kLinesPerTurn lines of
// one client are answered before the panel's other events get their turn, and a client that does
// not read its answers is dropped once kMaxUnsentBytes are waiting for it.
class RigctlServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 16;
    static constexpr int kMaxLineBytes = 1024;
    static constexpr int kLinesPerTurn = 32;
    static constexpr qint64 kMaxUnsentBytes = 256 * 1024;
    static constexpr quint16 kDefaultPort = 4532;

    explicit RigctlServer(RigTarget &rig, QObject *parent = nullptr);
    ~RigctlServer() override;

    // Listens on the address and port (0: any free port), after closing what was open. False when
    // the address cannot be bound; errorString() then says why.
    bool Listen(const QHostAddress &address, quint16 port);
    // Stops listening and closes every client.
    void Stop();

    bool isListening() const;
    QString errorString() const { return m_error; }
    QHostAddress address() const;
    // The port listened on, also when 0 was asked for.
    quint16 port() const;
    int clientCount() const { return int(m_clients.size()); }

signals:
    void clientCountChanged(int count);
    void listeningChanged(bool listening);

private:
    struct Client;

    void Accept();
    void Serve(Client *client);
    void ServeSoon(Client *client);
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

// "--rigctld" takes an optional value, which QCommandLineParser cannot express: a "--rigctld"
// that ends the command line or stands before another option gets the default port as its value.
QStringList WithDefaultRigctldPort(const QStringList &arguments);
