#include "rigctldgroup.h"

#include "rigctlserver.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString AddressText(const QHostAddress &address)
{
    return address.protocol() == QAbstractSocket::IPv6Protocol
        ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
        : address.toString();
}

} // namespace

RigctldGroup::RigctldGroup(RigctlServer &server, QWidget *parent)
    : QGroupBox(tr("Network control (rigctld)"), parent)
    , m_server(server)
{
    setObjectName(QStringLiteral("RigctldGroup"));
    m_enable = new QCheckBox(tr("Let rigctl clients tune the receiver"), this);
    m_enable->setObjectName(QStringLiteral("RigctldEnable"));
    m_address = new QLineEdit(QStringLiteral("127.0.0.1"), this);
    m_address->setObjectName(QStringLiteral("RigctldAddress"));
    m_address->setToolTip(tr("127.0.0.1 serves this computer only; 0.0.0.0 every network"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("RigctldPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(RigctlServer::kDefaultPort);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("RigctldStatus"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_enable, 0, 0, 1, 4);
    layout->addWidget(new QLabel(tr("Address"), this), 1, 0);
    layout->addWidget(m_address, 1, 1);
    layout->addWidget(new QLabel(tr("Port"), this), 1, 2);
    layout->addWidget(m_port, 1, 3);
    layout->addWidget(m_status, 2, 0, 1, 4);

    connect(m_enable, &QCheckBox::clicked, this, &RigctldGroup::EnableClicked);
    connect(&m_server, &RigctlServer::clientCountChanged, this, &RigctldGroup::ShowState);
    connect(&m_server, &RigctlServer::listeningChanged, this, &RigctldGroup::ShowState);
    ShowState();
}

void RigctldGroup::Restore()
{
    QSettings settings;
    m_address->setText(settings.value(kAddressKey, QStringLiteral("127.0.0.1")).toString());
    m_port->setValue(settings.value(kPortKey, RigctlServer::kDefaultPort).toInt());
    if (settings.value(kEnabledKey, false).toBool())
        Start(nullptr);
    ShowState();
}

bool RigctldGroup::ListenAt(const QString &hostAndPort, QString *error)
{
    const std::optional<ListenAddress> where = ParseListenAddress(hostAndPort);
    if (!where) {
        if (error)
            *error = tr("\"%1\" is not [ADDRESS:]PORT").arg(hostAndPort);
        return false;
    }
    m_address->setText(where->address.toString());
    m_port->setValue(where->port);
    const bool started = Start(error);
    ShowState();
    return started;
}

void RigctldGroup::EnableClicked(bool on)
{
    if (on) {
        if (!Start(nullptr)) {
            ShowState();
            return;
        }
    } else {
        m_server.Stop();
        m_problem.clear();
    }
    Save();
    ShowState();
}

bool RigctldGroup::Start(QString *error)
{
    const QString address = m_address->text().trimmed();
    const QString hostAndPort = (address.contains(QLatin1Char(':')) && !address.startsWith('['))
        ? QStringLiteral("[%1]:%2").arg(address).arg(m_port->value())
        : QStringLiteral("%1:%2").arg(address).arg(m_port->value());
    const std::optional<ListenAddress> where = ParseListenAddress(hostAndPort);
    if (!where)
        m_problem = tr("\"%1\" is not an address to listen on").arg(address);
    else if (!m_server.Listen(where->address, where->port))
        m_problem = tr("Cannot listen on %1:%2: %3")
                        .arg(AddressText(where->address))
                        .arg(where->port)
                        .arg(m_server.errorString());
    else
        m_problem.clear();
    if (error)
        *error = m_problem;
    return m_problem.isEmpty();
}

void RigctldGroup::Save()
{
    QSettings settings;
    settings.setValue(kEnabledKey, m_server.isListening());
    settings.setValue(kAddressKey, m_address->text().trimmed());
    settings.setValue(kPortKey, m_port->value());
}

void RigctldGroup::ShowState()
{
    const bool listening = m_server.isListening();
    {
        const QSignalBlocker blocker(m_enable);
        m_enable->setChecked(listening);
    }
    // The address and port are chosen while the server is off.
    m_address->setEnabled(!listening);
    m_port->setEnabled(!listening);
    if (!listening) {
        m_status->setText(m_problem.isEmpty() ? tr("Off") : m_problem);
        return;
    }
    const int clients = m_server.clientCount();
    m_status->setText(tr("Listening on %1:%2, %3")
                          .arg(AddressText(m_server.address()))
                          .arg(m_server.port())
                          .arg(clients == 0      ? tr("no clients connected")
                                  : clients == 1 ? tr("1 client connected")
                                                 : tr("%1 clients connected").arg(clients)));
}
