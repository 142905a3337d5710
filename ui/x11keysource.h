#pragma once

#include "keysource.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include <array>
#include <bitset>
#include <memory>

class QSocketNotifier;
struct _XDisplay;

// Virtual key of an X keysym, or VirtualKey::NoKey.
int VirtualKeyFromKeysym(unsigned long keysym);

// Reads the physical keyboard whatever window has the focus, over a connection of its own to the
// X server: XInput2 raw key presses remember a key pressed and released between two queries, and
// the server's keymap tells which keys are down now.
class X11KeySource : public QObject, public KeySource
{
    Q_OBJECT

public:
    // Connects to the display Qt uses (or to displayName when given); null when the display
    // cannot be opened or has no XInput2.
    static std::unique_ptr<X11KeySource> Open(const QByteArray &displayName = {});
    ~X11KeySource() override;

    bool Query(int virtualKey) override;

private:
    static constexpr int KeycodeCount = 256;
    using KeycodeTable = std::array<int, KeycodeCount>;
    // One poll queries up to thirteen keys back to back: they share one reading of the keyboard
    // instead of two server round trips each.
    static constexpr qint64 kKeymapFreshMs = 5;

    X11KeySource(_XDisplay *display, int xinputOpcode);
    void ReadEvents();
    void BuildKeycodeTables();
    bool NumLockOn();
    void RefreshKeymap();

    _XDisplay *m_display = nullptr;
    int m_xinputOpcode = 0;
    unsigned int m_numLockMask = 0;
    // Virtual key of each keycode, with Num Lock off and on: the keypad's keys change meaning.
    KeycodeTable m_keyByKeycode {};
    KeycodeTable m_numLockKeyByKeycode {};
    std::bitset<KeycodeCount> m_pressedKeycodes;
    // The keys held down and the Num Lock state, as last read from the server.
    std::bitset<KeycodeCount> m_heldKeycodes;
    bool m_numLock = false;
    QElapsedTimer m_keymapAge;
    QSocketNotifier *m_notifier = nullptr;
};
