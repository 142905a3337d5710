#pragma once

#include "networkserver.h"
#include "strengthcalibration.h"

#include <QGroupBox>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The OPTIONS page's network control: switch the rigctld server on and off, choose its address
// and port, see how many clients are connected; whether clients may switch the receiver on and
// off, whether a client's arrival switches it on, and the S-meter table clients read through. The
// operator's choices are remembered between runs (QSettings keys under "rigctld/"); a server asked
// for on the command line is not. A server reachable from other computers is said to be, here and
// on standard error. The server is asked for only when it is first needed: a panel that serves no
// clients never loads it.
class RigctldGroup : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr const char *kEnabledKey = "rigctld/enabled";
    static constexpr const char *kAddressKey = "rigctld/address";
    static constexpr const char *kPortKey = "rigctld/port";
    static constexpr const char *kRefusePowerKey = "rigctld/refusePower";
    static constexpr const char *kSwitchOnKey = "rigctld/switchOnWhenClientConnects";
    static constexpr const char *kStrengthTableKey = "rigctld/strengthTable";

    // The server, loaded when first called; nothing, and why, when it cannot be.
    using ServerSource = std::function<NetworkServer *(QString *why)>;

    explicit RigctldGroup(ServerSource server, QWidget *parent = nullptr);

    // The S-meter table the operator wrote on the page, if any (nothing for the meter's own scale).
    static std::optional<StrengthCalibration> SavedStrengthTable();

    // Takes the remembered choices, and starts the server if it was left on.
    void Restore();
    // Listens at "[ADDRESS:]PORT" for this run, without remembering it. False, with the reason in
    // `error`, when the text is no such address or the address cannot be bound.
    bool ListenAt(const QString &hostAndPort, QString *error);

private:
    // The server, loaded now if it is not yet; nothing (and m_problem says why) when it cannot be.
    NetworkServer *Server();
    void EnableClicked(bool on);
    bool Start(QString *error);
    void Save();
    void ShowState();
    void ApplyClientChoices();
    // Gives the server the table written, if it is one; false (and why, beside it) if not.
    bool ApplyStrengthTable();

    ServerSource m_source;
    NetworkServer *m_server = nullptr;
    QCheckBox *m_enable = nullptr;
    QLineEdit *m_address = nullptr;
    QSpinBox *m_port = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_exposure = nullptr;
    QCheckBox *m_refusePower = nullptr;
    QCheckBox *m_switchOn = nullptr;
    QLineEdit *m_strengthTable = nullptr;
    QLabel *m_strengthProblem = nullptr;
    QString m_problem; // why the last start failed, until the next one
};
