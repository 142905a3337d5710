#include "keysource.h"

#include "x11keysource.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

void KeySource::Flush()
{
    for (int key = 0; key < VirtualKey::Count; ++key)
        Query(key);
}

int VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return VirtualKey::LetterA + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        const int base
            = modifiers.testFlag(Qt::KeypadModifier) ? VirtualKey::Numpad0 : VirtualKey::Digit0;
        return base + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F16)
        return VirtualKey::F1 + (qtKey - Qt::Key_F1);
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        switch (qtKey) {
        case Qt::Key_Asterisk:
            return VirtualKey::NumpadMultiply;
        case Qt::Key_Plus:
            return VirtualKey::NumpadAdd;
        case Qt::Key_Comma:
            return VirtualKey::NumpadSeparator;
        case Qt::Key_Minus:
            return VirtualKey::NumpadSubtract;
        case Qt::Key_Period:
            return VirtualKey::NumpadDecimal;
        case Qt::Key_Slash:
            return VirtualKey::NumpadDivide;
        default:
            break;
        }
    }
    switch (qtKey) {
    case Qt::Key_Backspace:
        return VirtualKey::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VirtualKey::Tab;
    case Qt::Key_Clear:
        return VirtualKey::Clear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VirtualKey::Return;
    case Qt::Key_Shift:
        return VirtualKey::Shift;
    case Qt::Key_Control:
        return VirtualKey::Control;
    case Qt::Key_Alt:
        return VirtualKey::Alt;
    case Qt::Key_Pause:
        return VirtualKey::Pause;
    case Qt::Key_CapsLock:
        return VirtualKey::CapsLock;
    case Qt::Key_Escape:
        return VirtualKey::Escape;
    case Qt::Key_Space:
        return VirtualKey::Space;
    case Qt::Key_PageUp:
        return VirtualKey::PageUp;
    case Qt::Key_PageDown:
        return VirtualKey::PageDown;
    case Qt::Key_End:
        return VirtualKey::End;
    case Qt::Key_Home:
        return VirtualKey::Home;
    case Qt::Key_Left:
        return VirtualKey::Left;
    case Qt::Key_Up:
        return VirtualKey::Up;
    case Qt::Key_Right:
        return VirtualKey::Right;
    case Qt::Key_Down:
        return VirtualKey::Down;
    case Qt::Key_Select:
        return VirtualKey::Select;
    case Qt::Key_Execute:
        return VirtualKey::Execute;
    case Qt::Key_Print:
        return VirtualKey::PrintScreen;
    case Qt::Key_Insert:
        return VirtualKey::Insert;
    case Qt::Key_Delete:
        return VirtualKey::Delete;
    case Qt::Key_Help:
        return VirtualKey::Help;
    case Qt::Key_Meta:
        return VirtualKey::LeftMeta;
    case Qt::Key_Menu:
        return VirtualKey::Menu;
    default:
        return VirtualKey::NoKey;
    }
}

EventKeySource::EventKeySource()
{
    QCoreApplication::instance()->installEventFilter(this);
}

EventKeySource::~EventKeySource()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool EventKeySource::Query(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= VirtualKey::Count)
        return false;
    const bool result = m_down.test(virtualKey) || m_pressed.test(virtualKey);
    m_pressed.reset(virtualKey);
    return result;
}

bool EventKeySource::eventFilter(QObject *watched, QEvent *event)
{
    // A key event reaches the filter once for each widget it propagates to; setting the same
    // state again is harmless.
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = VirtualKeyFromQtKey(keyEvent->key(), keyEvent->modifiers());
        if (key == VirtualKey::NoKey)
            break;
        if (keyEvent->nativeScanCode() != 0)
            m_keyByScanCode.insert(keyEvent->nativeScanCode(), key);
        m_down.set(key);
        m_pressed.set(key);
        NotifyActivity();
        break;
    }
    case QEvent::KeyRelease: {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        // Auto-repeat sends a release before each repeated press: the key is still held.
        if (keyEvent->isAutoRepeat())
            break;
        int key = VirtualKeyFromQtKey(keyEvent->key(), keyEvent->modifiers());
        const auto pressedAs = m_keyByScanCode.constFind(keyEvent->nativeScanCode());
        if (keyEvent->nativeScanCode() != 0 && pressedAs != m_keyByScanCode.cend()) {
            key = pressedAs.value();
            m_keyByScanCode.erase(pressedAs);
        }
        if (key != VirtualKey::NoKey)
            m_down.reset(key);
        NotifyActivity();
        break;
    }
    case QEvent::ApplicationStateChange:
        // Releases made while another program has the keyboard never arrive here.
        if (static_cast<QApplicationStateChangeEvent *>(event)->applicationState()
            != Qt::ApplicationActive) {
            m_down.reset();
            m_keyByScanCode.clear();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// The X keyboard, opened at its first query: a connection of its own to the X server and the
// XInput2 set-up take round trips that the window's first frame need not wait for. Presses made
// before it opens never count, as at start-up.
class DeferredX11KeySource : public KeySource
{
public:
    bool Query(int virtualKey) override { return Source().Query(virtualKey); }
    bool IsIdle() const override { return m_source && m_source->IsIdle(); }
    void Prepare() override { Source(); }

private:
    KeySource &Source()
    {
        if (!m_source) {
            m_source = X11KeySource::Open();
            if (!m_source)
                m_source = std::make_unique<EventKeySource>();
            m_source->SetActivityHandler([this] { NotifyActivity(); });
            m_source->Flush();
        }
        return *m_source;
    }

    std::unique_ptr<KeySource> m_source;
};

} // namespace

std::unique_ptr<KeySource> CreateKeySource()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11KeySource::Open())
            return x11;
    }
    return std::make_unique<EventKeySource>();
}

std::unique_ptr<KeySource> CreateKeySourceOnFirstUse()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<DeferredX11KeySource>();
    return std::make_unique<EventKeySource>();
}
