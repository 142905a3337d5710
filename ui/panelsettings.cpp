#include "panelsettings.h"

#include <QSettings>

namespace {

const QString kPortKey = QStringLiteral("serial/port");
const QString kScopeKey = QStringLiteral("keyboard/scope");
const QString kScopeEverywhere = QStringLiteral("everywhere");
const QString kScopeWhileActive = QStringLiteral("while-active");

} // namespace

PanelSettings::PanelSettings(QSettings *store)
    : m_store(store)
{ }

QString PanelSettings::port() const
{
    return value(kPortKey).toString().trimmed();
}

void PanelSettings::setPort(const QString &device)
{
    setValue(kPortKey, device.trimmed());
}

QString PanelSettings::startChannel(const QString &commandLinePort) const
{
    if (!commandLinePort.isEmpty())
        return commandLinePort;
    const QString remembered = port();
    return remembered.isEmpty() ? QStringLiteral("1") : remembered;
}

KeyboardScope PanelSettings::keyboardScope() const
{
    // Anything but the one other word (an edited or damaged file) keeps the default.
    return value(kScopeKey).toString() == kScopeWhileActive ? KeyboardScope::WhileActive
                                                            : KeyboardScope::Everywhere;
}

void PanelSettings::setKeyboardScope(KeyboardScope scope)
{
    setValue(kScopeKey, scope == KeyboardScope::WhileActive ? kScopeWhileActive : kScopeEverywhere);
}

QVariant PanelSettings::value(const QString &key) const
{
    return m_store ? m_store->value(key) : m_thisRun.value(key);
}

void PanelSettings::setValue(const QString &key, const QVariant &value)
{
    if (!m_store) {
        m_thisRun.insert(key, value);
        return;
    }
    m_store->setValue(key, value);
    // Written at once: a program that is killed, or a second panel started now, still sees it.
    m_store->sync();
}
