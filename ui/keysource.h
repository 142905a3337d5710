#pragma once

#include <QHash>
#include <QObject>

#include <bitset>
#include <functional>
#include <memory>

// Virtual-key codes of the keyboard shortcuts, and of the other keys the sources can report.
namespace VirtualKey {
constexpr int Backspace = 0x08;
constexpr int Tab = 0x09;
constexpr int Clear = 0x0C;
constexpr int Return = 0x0D;
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Alt = 0x12;
constexpr int Pause = 0x13;
constexpr int CapsLock = 0x14;
constexpr int Escape = 0x1B;
constexpr int Space = 0x20;
constexpr int PageUp = 0x21;
constexpr int PageDown = 0x22;
constexpr int End = 0x23;
constexpr int Home = 0x24;
constexpr int Left = 0x25;
constexpr int Up = 0x26;
constexpr int Right = 0x27;
constexpr int Down = 0x28;
constexpr int Select = 0x29;
constexpr int Execute = 0x2B;
constexpr int PrintScreen = 0x2C;
constexpr int Insert = 0x2D;
constexpr int Delete = 0x2E;
constexpr int Help = 0x2F;
constexpr int Digit0 = 0x30; // 0x30..0x39
constexpr int LetterA = 0x41; // 0x41..0x5A
constexpr int LetterD = 0x44;
constexpr int LetterU = 0x55;
constexpr int LeftMeta = 0x5B;
constexpr int RightMeta = 0x5C;
constexpr int Menu = 0x5D;
constexpr int Numpad0 = 0x60; // 0x60..0x69
constexpr int NumpadMultiply = 0x6A;
constexpr int NumpadAdd = 0x6B;
constexpr int NumpadSeparator = 0x6C;
constexpr int NumpadSubtract = 0x6D;
constexpr int NumpadDecimal = 0x6E;
constexpr int NumpadDivide = 0x6F;
constexpr int F1 = 0x70; // 0x70..0x7F: F1..F16
constexpr int Count = 128; // codes 0..127
constexpr int NoKey = -1;
} // namespace VirtualKey

// The asynchronous key-state query the keyboard shortcuts are polled through.
class KeySource
{
public:
    virtual ~KeySource() = default;
    // True when the key is down now or was pressed since the previous query of that key; the
    // query consumes the press indication. Codes outside 0..127 are never pressed.
    virtual bool Query(int virtualKey) = 0;
    // Queries every code from 0 to 127 once and discards the answers.
    void Flush();
    // True when no key is down and no press waits to be queried, so a poll has nothing to find
    // until the activity handler is called. A source that cannot tell says false.
    virtual bool IsIdle() const { return false; }
    // Opens what the source reads now, if it waits for its first query otherwise.
    virtual void Prepare() { }
    // Called when a key goes down or up.
    void SetActivityHandler(std::function<void()> handler) { m_onActivity = std::move(handler); }

protected:
    void NotifyActivity()
    {
        if (m_onActivity)
            m_onActivity();
    }

private:
    std::function<void()> m_onActivity;
};

// Virtual key of a Qt key event's key, or VirtualKey::NoKey.
int VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// Answers from the program's own key events, seen by an application-wide event filter. Used where
// the physical keyboard cannot be read, so it only sees keys typed into this program's windows.
class EventKeySource : public QObject, public KeySource
{
    Q_OBJECT

public:
    // Installs itself on the application, which must exist.
    EventKeySource();
    ~EventKeySource() override;

    bool Query(int virtualKey) override;
    bool IsIdle() const override { return m_down.none() && m_pressed.none(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::bitset<VirtualKey::Count> m_down;
    std::bitset<VirtualKey::Count> m_pressed;
    // The key a native scan code went down as, so its release clears the same key even when the
    // modifiers changed in between (Shift+1 releases as '!').
    QHash<quint32, int> m_keyByScanCode;
};

// The physical keyboard's source where the platform offers one (X11 with XInput2), otherwise an
// EventKeySource.
std::unique_ptr<KeySource> CreateKeySource();
// The same, but on X11 the keyboard is opened at the first query rather than now.
std::unique_ptr<KeySource> CreateKeySourceOnFirstUse();
