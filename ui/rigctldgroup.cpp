#include "rigctldgroup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// An IPv6 address in brackets, as it stands before ":PORT"; others, and one in brackets already,
// as they are.
QString AddressText(const QString &address)
{
    return address.contains(QLatin1Char(':')) && !address.startsWith(QLatin1Char('['))
        ? QLatin1Char('[') + address + QLatin1Char(']')
        : address;
}

// The protocol has no password: anyone who reaches the port is the operator.
const char *const kExposureText
    = "reachable from the network: anyone who can reach this port can tune and switch the receiver";

} // namespace

RigctldGroup::RigctldGroup(ServerSource server, QWidget *parent)
    : QGroupBox(tr("Network control (rigctld)"), parent)
    , m_source(std::move(server))
{
    setObjectName(QStringLiteral("RigctldGroup"));
    m_enable = new QCheckBox(tr("Serve rigctl clients"), this);
    m_enable->setObjectName(QStringLiteral("RigctldEnable"));
    m_address = new QLineEdit(QStringLiteral("127.0.0.1"), this);
    m_address->setObjectName(QStringLiteral("RigctldAddress"));
    m_address->setToolTip(tr("127.0.0.1 serves this computer only; 0.0.0.0 every network"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("RigctldPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(NetworkServer::kDefaultPort);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("RigctldStatus"));
    m_exposure = new QLabel(this);
    m_exposure->setObjectName(QStringLiteral("RigctldExposure"));
    m_exposure->setWordWrap(true);
    m_exposure->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
    m_refusePower = new QCheckBox(tr("Refuse ON/OFF"), this);
    m_refusePower->setObjectName(QStringLiteral("RigctldRefusePower"));
    m_switchOn = new QCheckBox(tr("ON on connect"), this);
    m_switchOn->setObjectName(QStringLiteral("RigctldSwitchOn"));
    m_refusePower->setToolTip(tr("Clients may tune, but not switch the link on or off"));
    m_switchOn->setToolTip(tr("Switch the link on when a client connects"));
    m_strengthTable = new QLineEdit(this);
    m_strengthTable->setObjectName(QStringLiteral("RigctldStrengthTable"));
    m_strengthTable->setPlaceholderText(tr("S-meter table"));
    m_strengthTable->setToolTip(
        tr("Raw reading and dB over S9 as RAW:DB points, readings rising: straight lines between "
           "them, the ends held. Empty: the meter's own scale."));
    m_strengthProblem = new QLabel(this);
    m_strengthProblem->setObjectName(QStringLiteral("RigctldStrengthProblem"));

    auto *layout = new QGridLayout(this);
    m_address->setMaximumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 12);
    m_strengthTable->setMaximumWidth(m_address->maximumWidth());
    // Three rows, so that the OPTIONS page shows every group without scrolling; the warnings take
    // a row only while they have something to say.
    layout->addWidget(m_enable, 0, 0, 1, 3);
    layout->addWidget(m_status, 0, 3, 1, 3);
    // A long status ("Listening on …, 3 clients connected") must not widen the page: it is cut,
    // and whole in its tooltip.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(new QLabel(tr("Address"), this), 1, 0);
    layout->addWidget(m_address, 1, 1);
    layout->addWidget(new QLabel(tr("Port"), this), 1, 2);
    layout->addWidget(m_port, 1, 3);
    layout->addWidget(m_strengthTable, 2, 4, 1, 2);
    layout->addWidget(m_refusePower, 2, 0, 1, 2);
    layout->addWidget(m_switchOn, 2, 2, 1, 2);
    layout->addWidget(m_exposure, 3, 0, 1, 6);
    layout->addWidget(m_strengthProblem, 4, 0, 1, 6);
    m_exposure->hide();
    m_strengthProblem->hide();

    connect(m_enable, &QCheckBox::clicked, this, &RigctldGroup::EnableClicked);
    connect(m_refusePower, &QCheckBox::clicked, this, [this] {
        ApplyClientChoices();
        QSettings().setValue(kRefusePowerKey, m_refusePower->isChecked());
    });
    connect(m_switchOn, &QCheckBox::clicked, this, [this] {
        ApplyClientChoices();
        QSettings().setValue(kSwitchOnKey, m_switchOn->isChecked());
    });
    connect(m_strengthTable, &QLineEdit::editingFinished, this, [this] {
        if (ApplyStrengthTable())
            QSettings().setValue(kStrengthTableKey, m_strengthTable->text().trimmed());
    });
    ShowState();
}

NetworkServer *RigctldGroup::Server()
{
    if (m_server)
        return m_server;
    QString why;
    m_server = m_source(&why);
    if (!m_server) {
        m_problem = tr("Network control is not available: %1").arg(why);
        return nullptr;
    }
    // The server may outlive the group, at the program's end.
    m_server->OnChange([group = QPointer<RigctldGroup>(this)] {
        if (group)
            group->ShowState();
    });
    ApplyClientChoices();
    ApplyStrengthTable();
    return m_server;
}

std::optional<StrengthCalibration> RigctldGroup::SavedStrengthTable()
{
    const QString text = QSettings().value(kStrengthTableKey).toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return StrengthCalibration::Parse(text.toStdString(), nullptr);
}

void RigctldGroup::Restore()
{
    QSettings settings;
    m_address->setText(settings.value(kAddressKey, QStringLiteral("127.0.0.1")).toString());
    m_port->setValue(settings.value(kPortKey, NetworkServer::kDefaultPort).toInt());
    {
        const QSignalBlocker refuseBlocker(m_refusePower);
        const QSignalBlocker switchOnBlocker(m_switchOn);
        const QSignalBlocker tableBlocker(m_strengthTable);
        m_refusePower->setChecked(settings.value(kRefusePowerKey, false).toBool());
        m_switchOn->setChecked(settings.value(kSwitchOnKey, false).toBool());
        m_strengthTable->setText(settings.value(kStrengthTableKey).toString());
    }
    ApplyClientChoices();
    ApplyStrengthTable();
    if (settings.value(kEnabledKey, false).toBool())
        Start(nullptr);
    ShowState();
}

bool RigctldGroup::ListenAt(const QString &hostAndPort, QString *error)
{
    NetworkServer *server = Server();
    const std::optional<NetworkServer::Place> where
        = server ? server->ParsePlace(hostAndPort) : std::nullopt;
    if (!where) {
        if (error)
            *error = server ? tr("\"%1\" is not [ADDRESS:]PORT").arg(hostAndPort) : m_problem;
        ShowState();
        return false;
    }
    m_address->setText(where->address);
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
        if (m_server)
            m_server->Stop();
        m_problem.clear();
    }
    Save();
    ShowState();
}

bool RigctldGroup::Start(QString *error)
{
    NetworkServer *server = Server();
    if (!server) {
        if (error)
            *error = m_problem;
        return false;
    }
    const QString address = m_address->text().trimmed();
    const std::optional<NetworkServer::Place> where = server->ParsePlace(
        AddressText(address) + QLatin1Char(':') + QString::number(m_port->value()));
    if (!where)
        m_problem = tr("\"%1\" is not an address to listen on").arg(address);
    else if (!server->Listen(*where))
        m_problem = tr("Cannot listen on %1:%2: %3")
                        .arg(AddressText(where->address))
                        .arg(where->port)
                        .arg(server->errorString());
    else
        m_problem.clear();
    if (error)
        *error = m_problem;
    if (m_problem.isEmpty() && !where->loopback)
        std::fprintf(stderr, "qz-remote: rigctld on %s:%d is %s\n",
            qPrintable(AddressText(where->address)), where->port, kExposureText);
    return m_problem.isEmpty();
}

void RigctldGroup::ApplyClientChoices()
{
    if (!m_server)
        return; // given to the server when it is loaded
    m_server->SetRefusePower(m_refusePower->isChecked());
    m_server->SetSwitchOnWhenClientConnects(m_switchOn->isChecked());
}

bool RigctldGroup::ApplyStrengthTable()
{
    std::string why;
    const QString text = m_strengthTable->text().trimmed();
    const std::optional<StrengthCalibration> table
        = StrengthCalibration::Parse(text.toStdString(), &why);
    if (!table) {
        // The table in use stays until a good one is written.
        m_strengthProblem->setText(tr("Not used: %1").arg(QString::fromStdString(why)));
        m_strengthProblem->show();
        return false;
    }
    m_strengthProblem->clear();
    m_strengthProblem->hide();
    if (m_server)
        m_server->SetStrengthCalibration(*table);
    return true;
}

void RigctldGroup::Save()
{
    QSettings settings;
    settings.setValue(kEnabledKey, m_server && m_server->isListening());
    settings.setValue(kAddressKey, m_address->text().trimmed());
    settings.setValue(kPortKey, m_port->value());
}

void RigctldGroup::ShowState()
{
    const bool listening = m_server && m_server->isListening();
    {
        const QSignalBlocker blocker(m_enable);
        m_enable->setChecked(listening);
    }
    // The address and port are chosen while the server is off.
    m_address->setEnabled(!listening);
    m_port->setEnabled(!listening);
    const NetworkServer::Place place = listening ? m_server->place() : NetworkServer::Place();
    m_exposure->setText(listening && !place.loopback ? tr("Listening on %1:%2 is %3")
                                                           .arg(AddressText(place.address))
                                                           .arg(place.port)
                                                           .arg(tr(kExposureText))
                                                     : QString());
    m_exposure->setVisible(!m_exposure->text().isEmpty());
    if (!listening) {
        m_status->setText(m_problem.isEmpty() ? tr("Off") : m_problem);
        m_status->setToolTip(m_status->text());
        return;
    }
    const int clients = m_server->clientCount();
    m_status->setText(tr("Listening on %1:%2, %3")
                          .arg(AddressText(place.address))
                          .arg(place.port)
                          .arg(clients == 0      ? tr("no clients connected")
                                  : clients == 1 ? tr("1 client connected")
                                                 : tr("%1 clients connected").arg(clients)));
    m_status->setToolTip(m_status->text());
}
