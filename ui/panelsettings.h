#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

class QSettings;

// Whether the keyboard shortcuts act whatever window is in front, or only while the panel is.
enum class KeyboardScope {
    Everywhere, // the panel's own behaviour, and the default
    WhileActive,
};

// The few choices the panel remembers between runs, kept in a QSettings store. Without a store
// they are kept for this run only, which is how a window made without one (in a test) behaves.
// Nothing is stored until the operator chooses something, so a fresh installation starts exactly
// as the panel was built to start.
class PanelSettings
{
public:
    explicit PanelSettings(QSettings *store = nullptr);

    // The port chosen with "Use this port", or empty.
    QString port() const;
    void setPort(const QString &device);
    // The text the channel box starts with: the port given on the command line, else the port
    // chosen earlier, else "1", the first serial port.
    QString startChannel(const QString &commandLinePort = QString()) const;

    KeyboardScope keyboardScope() const;
    void setKeyboardScope(KeyboardScope scope);

    // The store itself, for later options that keep their own values (null without one).
    QSettings *store() const { return m_store; }

private:
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    QSettings *m_store = nullptr;
    QHash<QString, QVariant> m_thisRun;
};
