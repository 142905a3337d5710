#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class RigctlServer;

// The OPTIONS page's network control: switch the rigctld server on and off, choose its address
// and port, see how many clients are connected. The operator's choice is remembered between runs
// (QSettings keys under "rigctld/"); a server asked for on the command line is not.
class RigctldGroup : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr const char *kEnabledKey = "rigctld/enabled";
    static constexpr const char *kAddressKey = "rigctld/address";
    static constexpr const char *kPortKey = "rigctld/port";

    explicit RigctldGroup(RigctlServer &server, QWidget *parent = nullptr);

    // Takes the remembered address and port, and starts the server if it was left on.
    void Restore();
    // Listens at "[ADDRESS:]PORT" for this run, without remembering it. False, with the reason in
    // `error`, when the text is no such address or the address cannot be bound.
    bool ListenAt(const QString &hostAndPort, QString *error);

private:
    void EnableClicked(bool on);
    bool Start(QString *error);
    void Save();
    void ShowState();

    RigctlServer &m_server;
    QCheckBox *m_enable = nullptr;
    QLineEdit *m_address = nullptr;
    QSpinBox *m_port = nullptr;
    QLabel *m_status = nullptr;
    QString m_problem; // why the last start failed, until the next one
};
