#pragma once

#include "keysource.h"

#include <QByteArray>
#include <QObject>

#include <array>
#include <bitset>
#include <memory>

class QSocketNotifier;
struct _XDisplay;

// Virtual key of an X keysym, or VirtualKey::NoKey.
int VirtualKeyFromKeysym(unsigned long keysym);

// Reads the physical keyboard whatever window has the focus, over a connection of its own to the
// X server. XInput2 raw key events keep the set of keys held down and remember a key pressed and
// released between two queries; XKB state events follow Num Lock. The server's keymap is asked
// only at the start and after the keyboard mapping changes: a query costs no round trip to the
// server, so the 80 ms poll keeps an idle program idle.
class X11KeySource : public QObject, public KeySource
{
    Q_OBJECT

public:
    // Connects to the display Qt uses (or to displayName when given); null when the display
    // cannot be opened or has no XInput2.
    static std::unique_ptr<X11KeySource> Open(const QByteArray &displayName = {});
    ~X11KeySource() override;

    bool Query(int virtualKey) override;
    bool IsIdle() const override { return m_heldKeycodes.none() && m_pressedKeycodes.none(); }

private:
    static constexpr int KeycodeCount = 256;
    using KeycodeTable = std::array<int, KeycodeCount>;
    X11KeySource(_XDisplay *display, int xinputOpcode, int xkbEventBase);
    void ReadEvents();
    void BuildKeycodeTables();
    bool NumLockOn();
    void RefreshKeymap();

    _XDisplay *m_display = nullptr;
    int m_xinputOpcode = 0;
    int m_xkbEventBase = -1;
    unsigned int m_numLockMask = 0;
    // Virtual key of each keycode, with Num Lock off and on: the keypad's keys change meaning.
    KeycodeTable m_keyByKeycode {};
    KeycodeTable m_numLockKeyByKeycode {};
    std::bitset<KeycodeCount> m_pressedKeycodes;
    // The keys held down and the Num Lock state.
    std::bitset<KeycodeCount> m_heldKeycodes;
    bool m_numLock = false;
    QSocketNotifier *m_notifier = nullptr;
};
