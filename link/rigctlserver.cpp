#include "rigctlserver.h"

#include "linklog.h"
#include "rigctlprotocol.h"
#include "rigtarget.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <string_view>

namespace {

// Bytes Qt keeps read from one client before leaving the rest to the operating system, which then
// slows the client down.
constexpr qint64 kSocketReadBufferBytes = 16 * 1024;
// A client that was told goodbye but does not go is cut off after this long.
constexpr int kGoodbyeTimeoutMs = 5000;

void SayGoodbye(QTcpSocket *socket, const QByteArray &lastWords)
{
    socket->write(lastWords);
    socket->disconnectFromHost();
}

} // namespace

// One connection: its socket, what it sent that is not answered yet, and whether the answer to
// its current command is awaited from the receiver.
struct RigctlServer::Client : QObject
{
    explicit Client(QTcpSocket *s, QObject *parent)
        : QObject(parent)
        , socket(s)
        , idle(new QTimer(this))
    {
        socket->setParent(this);
        idle->setSingleShot(true);
    }

    QTcpSocket *socket;
    QTimer *idle;
    QByteArray pending; // received bytes not yet split into commands, at most one line's worth
    std::deque<RigctlCommand> commands; // of the line being answered
    bool waiting = false; // the current command's answer comes later
    bool closing = false; // no more commands are answered; deleted once disconnected
    bool serveQueued = false;
};

RigctlServer::RigctlServer(RigTarget &rig, QObject *parent)
    : QObject(parent)
    , m_rig(rig)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &RigctlServer::Accept);
}

RigctlServer::~RigctlServer()
{
    // Whoever set OnChange() may be gone already; the server's own end is told to no one.
    m_changed = nullptr;
    Stop();
}

bool RigctlServer::Listen(const QHostAddress &address, quint16 port)
{
    Stop();
    if (!m_server->listen(address, port)) {
        m_error = m_server->errorString();
        return false;
    }
    m_error.clear();
    Changed();
    return true;
}

void RigctlServer::Stop()
{
    const bool wasListening = m_server->isListening();
    m_server->close();
    for (Client *client : std::vector<Client *>(m_clients))
        Drop(client);
    if (wasListening)
        Changed();
}

void RigctlServer::Changed()
{
    if (m_changed)
        m_changed();
}

bool RigctlServer::isListening() const
{
    return m_server->isListening();
}

QHostAddress RigctlServer::address() const
{
    return m_server->serverAddress();
}

quint16 RigctlServer::port() const
{
    return m_server->serverPort();
}

std::optional<NetworkServer::Place> RigctlServer::ParsePlace(const QString &text) const
{
    const std::optional<ListenAddress> where = ParseListenAddress(text);
    if (!where)
        return std::nullopt;
    return Place {where->address.toString(), where->port, where->address.isLoopback()};
}

bool RigctlServer::Listen(const Place &place)
{
    return Listen(QHostAddress(place.address), place.port);
}

NetworkServer::Place RigctlServer::place() const
{
    return Place {address().toString(), port(), address().isLoopback()};
}

void RigctlServer::SetStrengthCalibration(const StrengthCalibration &calibration)
{
    m_state.calibration = calibration;
}

void RigctlServer::SetRefusePower(bool refuse)
{
    m_state.refusePower = refuse;
}

void RigctlServer::SetIdleTimeout(int milliseconds)
{
    m_idleTimeoutMs = milliseconds;
    for (Client *client : m_clients) {
        if (milliseconds > 0)
            client->idle->start(milliseconds);
        else
            client->idle->stop();
    }
}

void RigctlServer::Accept()
{
    bool anyAccepted = false;
    while (m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (int(m_clients.size()) >= kMaxClients) {
            SayGoodbye(socket, "RPRT " + QByteArray::number(kRigLimitExceeded) + '\n');
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kGoodbyeTimeoutMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            continue;
        }
        socket->setReadBufferSize(kSocketReadBufferBytes);
        auto *client = new Client(socket, this);
        m_clients.push_back(client);
        anyAccepted = true;
        connect(socket, &QTcpSocket::readyRead, client, [this, client] {
            if (m_idleTimeoutMs > 0)
                client->idle->start(m_idleTimeoutMs);
            Serve(client);
        });
        connect(socket, &QTcpSocket::disconnected, client, [this, client] { Drop(client); });
        connect(client->idle, &QTimer::timeout, client, [this, client] {
            qCDebug(lcLink).noquote()
                << LinkLogTime() << "rigctl client" << client->socket->peerAddress().toString()
                << "dropped: nothing received for" << m_idleTimeoutMs / 1000.0 << "s";
            Drop(client);
        });
        if (m_idleTimeoutMs > 0)
            client->idle->start(m_idleTimeoutMs);
        Changed();
        // Lines may have arrived with the connection.
        if (socket->bytesAvailable() > 0)
            ServeSoon(client);
    }
    // Switched on before any command of the new client is answered: its queued turn comes after.
    if (anyAccepted && m_switchOnWhenClientConnects && !m_rig.IsOn()) {
        qCDebug(lcLink).noquote() << LinkLogTime() << "rigctl client connected: switching on";
        m_rig.SetPower(true);
    }
}

void RigctlServer::ServeSoon(Client *client)
{
    if (client->serveQueued)
        return;
    client->serveQueued = true;
    QTimer::singleShot(0, client, [this, client] {
        client->serveQueued = false;
        Serve(client);
    });
}

void RigctlServer::Serve(Client *client)
{
    // While an answer is awaited the rest waits for it, so the answers keep their order; the
    // answer's arrival serves the client again.
    if (client->waiting || client->closing)
        return;
    const QPointer<Client> alive(client);
    QByteArray line;
    bool overlong = false;
    int linesTaken = 0;
    while (!client->waiting && !client->closing) {
        if (client->commands.empty()) {
            if (linesTaken == kLinesPerTurn || !NextLine(client, line, overlong))
                break;
            ++linesTaken;
            for (RigctlCommand &command :
                SplitRigctlLine(std::string_view(line.constData(), size_t(line.size()))))
                client->commands.push_back(std::move(command));
            continue;
        }
        const RigctlCommand command = std::move(client->commands.front());
        client->commands.pop_front();
        client->waiting = true;
        AnswerRigctlCommand(command, m_rig, m_state, [this, alive](const RigctlAnswer &answer) {
            if (alive)
                Answered(alive, answer);
        });
        // Carrying out the command may have let the client go.
        if (!alive)
            return;
    }
    if (overlong && !client->closing) {
        Forget(client);
        SayGoodbye(client->socket, "RPRT " + QByteArray::number(kRigInvalidArgument) + '\n');
        QTimer::singleShot(kGoodbyeTimeoutMs, client, [client] {
            client->socket->abort();
            client->deleteLater();
        });
        return;
    }
    if (!client->closing && !client->waiting
        && (!client->commands.empty() || client->pending.contains('\n')
            || client->pending.contains('\r') || client->socket->bytesAvailable() > 0))
        ServeSoon(client);
}

void RigctlServer::Answered(Client *client, const RigctlAnswer &answer)
{
    if (!client->waiting || client->closing)
        return;
    client->waiting = false;
    Send(client, QByteArray::fromStdString(answer.text));
    if (answer.quit && !client->closing) {
        Forget(client);
        client->commands.clear();
        client->socket->disconnectFromHost();
        if (client->socket->state() == QAbstractSocket::UnconnectedState)
            client->deleteLater();
        else
            QTimer::singleShot(kGoodbyeTimeoutMs, client, [client] {
                client->socket->abort();
                client->deleteLater();
            });
        return;
    }
    // An answer that came later serves what the client sent meanwhile; one given at once lets
    // the loop in Serve carry on, and this queued turn finds nothing left.
    ServeSoon(client);
}

bool RigctlServer::NextLine(Client *client, QByteArray &line, bool &overlong)
{
    QByteArray &pending = client->pending;
    qsizetype searchedUpTo = 0;
    for (;;) {
        for (qsizetype i = searchedUpTo; i < pending.size(); ++i) {
            if (pending[i] == '\n' || pending[i] == '\r') {
                if (i > kMaxLineBytes) {
                    overlong = true;
                    return false;
                }
                line = pending.left(i);
                pending.remove(0, i + 1);
                return true;
            }
        }
        searchedUpTo = pending.size();
        if (pending.size() > kMaxLineBytes) {
            overlong = true;
            return false;
        }
        // Never more than one line's worth plus its end: the rest stays with the socket.
        const QByteArray more = client->socket->read(kMaxLineBytes + 1 - pending.size());
        if (more.isEmpty())
            return false;
        pending += more;
    }
}

void RigctlServer::Send(Client *client, const QByteArray &bytes)
{
    client->socket->write(bytes);
    // A client that sends commands but never reads the answers would make them pile up here.
    if (client->socket->bytesToWrite() > kMaxUnsentBytes)
        Drop(client);
}

void RigctlServer::Forget(Client *client)
{
    client->closing = true;
    const auto it = std::find(m_clients.begin(), m_clients.end(), client);
    if (it == m_clients.end())
        return;
    m_clients.erase(it);
    Changed();
}

void RigctlServer::Drop(Client *client)
{
    Forget(client);
    client->idle->stop();
    client->socket->abort();
    // Deleted once the events that may still name it are done; a late answer finds it closing.
    client->deleteLater();
}

std::optional<ListenAddress> ParseListenAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    QString host;
    QString portText = trimmed;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1String("]:"));
        if (close < 0)
            return std::nullopt;
        host = trimmed.mid(1, close - 1);
        portText = trimmed.mid(close + 2);
    } else if (trimmed.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
        host = trimmed.left(colon);
        portText = trimmed.mid(colon + 1);
        if (host.isEmpty())
            return std::nullopt;
    } else if (trimmed.contains(QLatin1Char(':'))) {
        return std::nullopt; // an IPv6 address needs its brackets
    }

    ListenAddress result;
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
        return std::nullopt;
    result.port = quint16(port);
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        result.address = QHostAddress(QHostAddress::LocalHost);
    } else {
        result.address = QHostAddress(host);
        if (result.address.isNull())
            return std::nullopt;
    }
    return result;
}
