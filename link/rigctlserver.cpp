#include "rigctlserver.h"

#include "rigctlprotocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
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

// One connection. It stays alive while one of its lines is being answered, even when the client
// has gone meanwhile: answering may run other events (the commands' pacing waits).
struct RigctlServer::Client : QObject
{
    explicit Client(QTcpSocket *s, QObject *parent)
        : QObject(parent)
        , socket(s)
    {
        socket->setParent(this);
    }

    QTcpSocket *socket;
    QByteArray pending; // received bytes not yet answered, at most one line's worth
    bool busy = false; // one of its lines is being answered
    bool closing = false; // no more lines are answered; deleted once idle and disconnected
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
    emit listeningChanged(true);
    return true;
}

void RigctlServer::Stop()
{
    const bool wasListening = m_server->isListening();
    m_server->close();
    for (Client *client : std::vector<Client *>(m_clients))
        Drop(client);
    if (wasListening)
        emit listeningChanged(false);
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

void RigctlServer::Accept()
{
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
        connect(socket, &QTcpSocket::readyRead, client, [this, client] { Serve(client); });
        connect(socket, &QTcpSocket::disconnected, client, [this, client] { Drop(client); });
        emit clientCountChanged(clientCount());
        // Lines may have arrived with the connection.
        if (socket->bytesAvailable() > 0)
            ServeSoon(client);
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
    // A line of this client is already being answered further down the stack (its command is
    // pacing the receiver): the rest waits for it, so the answers keep their order.
    if (client->busy || client->closing)
        return;
    client->busy = true;
    QByteArray line;
    bool overlong = false;
    for (int served = 0; served < kLinesPerTurn && !client->closing; ++served) {
        if (!NextLine(client, line, overlong))
            break;
        for (const RigctlCommand &command :
            SplitRigctlLine(std::string_view(line.constData(), size_t(line.size())))) {
            if (client->closing)
                break;
            const RigctlAnswer answer = AnswerRigctlCommand(command, m_rig);
            // The client may have gone while the command ran.
            if (client->closing)
                break;
            Send(client, QByteArray::fromStdString(answer.text));
            if (answer.quit) {
                Forget(client);
                client->socket->disconnectFromHost();
                break;
            }
        }
    }
    if (overlong && !client->closing) {
        Forget(client);
        SayGoodbye(client->socket, "RPRT " + QByteArray::number(kRigInvalidArgument) + '\n');
    }
    client->busy = false;
    if (client->closing) {
        if (client->socket->state() == QAbstractSocket::UnconnectedState)
            client->deleteLater();
        else
            QTimer::singleShot(kGoodbyeTimeoutMs, client, [client] {
                client->socket->abort();
                client->deleteLater();
            });
        return;
    }
    if (client->pending.contains('\n') || client->pending.contains('\r')
        || client->socket->bytesAvailable() > 0)
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
    emit clientCountChanged(clientCount());
}

void RigctlServer::Drop(Client *client)
{
    Forget(client);
    client->socket->abort();
    if (!client->busy)
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
            result << QString::number(RigctlServer::kDefaultPort);
    }
    return result;
}
