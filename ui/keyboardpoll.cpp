#include "keyboardpoll.h"

#include <QApplication>
#include <QEvent>

KeyboardPoll::KeyboardPoll(
    KeySource &keys, KeyboardActions actions, const KeyboardFocusTargets &targets, QObject *parent)
    : QObject(parent)
    , m_keys(keys)
    , m_actions(std::move(actions))
    , m_frequencyUp(targets.frequencyUp)
    , m_frequencyDown(targets.frequencyDown)
    , m_radioOn(targets.radioOn)
    , m_radioOff(targets.radioOff)
    , m_direct(targets.direct)
    , m_scan(targets.scan)
    , m_scanBank(targets.scanBank)
{
    m_timer.setInterval(kPollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &KeyboardPoll::Tick);
    m_keys.SetActivityHandler([this] { Wake(); });
    // Watches for modal dialogs being shown, also those opened and closed between two ticks.
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

KeyboardPoll::~KeyboardPoll()
{
    m_keys.SetActivityHandler(nullptr);
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void KeyboardPoll::Start()
{
    m_running = true;
    m_timer.start();
}

void KeyboardPoll::Stop()
{
    m_running = false;
    m_timer.stop();
}

void KeyboardPoll::Wake()
{
    if (m_running && !m_timer.isActive()) {
        m_timer.start();
        // The key is seen at once rather than a whole interval later.
        QTimer::singleShot(0, this, [this] {
            if (m_running)
                Tick();
        });
    }
}

void KeyboardPoll::RestIfIdle()
{
    // Keys still to be seen released, or a dialog to be followed, keep the poll ticking.
    if (m_dialogSeen || m_suppressed.any() || QApplication::activeModalWidget() || !m_keys.IsIdle())
        return;
    m_timer.stop();
}

void KeyboardPoll::Tick()
{
    // A tick that falls while an action's dialog is open finds the dialog and does nothing.
    // The action may close the window and delete this poll.
    const QPointer<KeyboardPoll> self(this);
    TickOnce();
    if (self)
        RestIfIdle();
}

void KeyboardPoll::TickOnce()
{
    // Keys typed into a dialog belong to the dialog.
    if (QApplication::activeModalWidget()) {
        m_dialogSeen = true;
        return;
    }
    if (m_activeWindowOnly && !(m_scopeWindow && m_scopeWindow->isActiveWindow())) {
        // Read and dropped: a key typed elsewhere must not act once the panel is in front.
        m_keys.Flush();
        return;
    }
    if (m_dialogSeen)
        DiscardKeysAfterDialog();

    using Action = std::function<void()> KeyboardActions::*;
    using Target = QPointer<QWidget> KeyboardPoll::*;
    struct Row
    {
        int key;
        int otherKey;
        Action action;
        Target focus;
    };
    static const Row rows[] = {
        {VirtualKey::PageUp, VirtualKey::LetterU, &KeyboardActions::stepUp,
            &KeyboardPoll::m_frequencyUp},
        {VirtualKey::PageDown, VirtualKey::LetterD, &KeyboardActions::stepDown,
            &KeyboardPoll::m_frequencyDown},
        {VirtualKey::Escape, VirtualKey::NoKey, &KeyboardActions::requestClose, nullptr},
        {VirtualKey::Insert, VirtualKey::NoKey, &KeyboardActions::powerOn,
            &KeyboardPoll::m_radioOn},
        {VirtualKey::Delete, VirtualKey::NoKey, &KeyboardActions::powerOff,
            &KeyboardPoll::m_radioOff},
        {VirtualKey::Home, VirtualKey::NoKey, &KeyboardActions::jumpToBottom,
            &KeyboardPoll::m_frequencyUp},
        {VirtualKey::End, VirtualKey::NoKey, &KeyboardActions::jumpToTop,
            &KeyboardPoll::m_frequencyDown},
        {VirtualKey::Pause, VirtualKey::NoKey, nullptr, nullptr},
        {VirtualKey::Control, VirtualKey::NoKey, &KeyboardActions::directEntry,
            &KeyboardPoll::m_direct},
        {VirtualKey::Shift, VirtualKey::NoKey, &KeyboardActions::scanToggle, &KeyboardPoll::m_scan},
        {VirtualKey::Backspace, VirtualKey::NoKey, &KeyboardActions::bankScanToggle,
            &KeyboardPoll::m_scanBank},
    };

    for (const Row &row : rows) {
        // Both keys of a row are queried, so a press of either is consumed and the row acts once.
        const bool keyPressed = Pressed(row.key);
        const bool otherPressed = row.otherKey != VirtualKey::NoKey && Pressed(row.otherKey);
        if (!keyPressed && !otherPressed)
            continue;
        if (!row.action)
            return; // Pause: the rows below it do not act
        if (row.key == VirtualKey::Backspace
            && !(m_actions.bankScanEnabled && m_actions.bankScanEnabled()))
            return;

        // The action may close the window and delete this poll: it runs from a copy, and nothing
        // of this poll is touched after it unless the poll is still there.
        const std::function<void()> action = m_actions.*(row.action);
        const QPointer<KeyboardPoll> self(this);
        if (action)
            action();
        if (!self)
            return;
        // A dialog shown by the action held this timer still until it closed.
        if (m_dialogSeen && !QApplication::activeModalWidget())
            DiscardKeysAfterDialog();
        if (row.focus)
            MoveFocus(this->*(row.focus));
        return;
    }
}

void KeyboardPoll::setActiveWindowOnly(QWidget *window)
{
    m_activeWindowOnly = window != nullptr;
    m_scopeWindow = window;
}

bool KeyboardPoll::eventFilter(QObject *watched, QEvent *event)
{
    // Coming to the front: what was typed elsewhere since the last poll is dropped now, not at the
    // next poll, which would drop the first key typed into the panel too. Keys still held (the
    // Alt+Tab that brought it forward) count once released, as after a dialog.
    if (m_activeWindowOnly && event->type() == QEvent::WindowActivate && watched == m_scopeWindow)
        DiscardKeysAfterDialog();
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        const auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && widget->isModal())
            m_dialogSeen = true;
    }
    return QObject::eventFilter(watched, event);
}

bool KeyboardPoll::Pressed(int virtualKey)
{
    const bool pressed = m_keys.Query(virtualKey);
    if (!m_suppressed.test(virtualKey))
        return pressed;
    if (!pressed)
        m_suppressed.reset(virtualKey);
    return false;
}

void KeyboardPoll::MoveFocus(const QPointer<QWidget> &target)
{
    // For a window that is not active Qt only records the focus widget for its next activation.
    if (target)
        target->setFocus(Qt::ShortcutFocusReason);
}

void KeyboardPoll::DiscardKeysAfterDialog()
{
    // Presses made while the dialog was open are dropped; a key still held now (the Esc or Enter
    // that answered it) must be released before it counts again.
    m_keys.Flush();
    for (int key = 0; key < VirtualKey::Count; ++key)
        m_suppressed[static_cast<std::size_t>(key)] = m_keys.Query(key);
    m_dialogSeen = false;
}
