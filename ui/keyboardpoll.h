#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <bitset>
#include <functional>

#include "keysource.h"

// What the keyboard shortcuts do; a member left empty does nothing.
struct KeyboardActions
{
    std::function<void()> stepUp;
    std::function<void()> stepDown;
    std::function<void()> requestClose;
    std::function<void()> powerOn;
    std::function<void()> powerOff;
    std::function<void()> jumpToBottom; // 0.1 MHz, then send
    std::function<void()> jumpToTop; // 1100 MHz, then send
    std::function<void()> directEntry;
    std::function<void()> scanToggle;
    std::function<void()> bankScanToggle;
    std::function<bool()> bankScanEnabled;
};

// The buttons that take the keyboard focus after a shortcut; any may be null.
struct KeyboardFocusTargets
{
    QWidget *frequencyUp = nullptr;
    QWidget *frequencyDown = nullptr;
    QWidget *radioOn = nullptr;
    QWidget *radioOff = nullptr;
    QWidget *direct = nullptr;
    QWidget *scan = nullptr;
    QWidget *scanBank = nullptr;
};

// The keyboard shortcuts, polled from a KeySource on every tick of the window's 80 ms timer.
class KeyboardPoll : public QObject
{
    Q_OBJECT

public:
    KeyboardPoll(KeySource &keys, KeyboardActions actions, const KeyboardFocusTargets &targets,
        QObject *parent = nullptr);
    ~KeyboardPoll() override;

    static constexpr int kPollIntervalMs = 80;

    // Tests the shortcut rows in order; the first whose key counts as pressed acts, takes the
    // focus to its button and ends the tick.
    void Tick();
    // The poll runs from Start() to Stop(), ticking every 80 ms. While nothing is down on a
    // keyboard that can tell so, its timer rests and the first key event wakes it: an idle panel
    // then wakes the processor only for its own clock.
    void Start();
    void Stop();
    bool isRunning() const { return m_running; }

    // With a window, the shortcuts act only while that window is the active one: keys typed into
    // other programs meanwhile are dropped, not kept for later. Without one (the default) they act
    // whatever window is in front.
    void setActiveWindowOnly(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Pressed(int virtualKey);
    void MoveFocus(const QPointer<QWidget> &target);
    void DiscardKeysAfterDialog();
    void TickOnce();
    void Wake();
    void RestIfIdle();

    KeySource &m_keys;
    KeyboardActions m_actions;
    QPointer<QWidget> m_frequencyUp;
    QPointer<QWidget> m_frequencyDown;
    QPointer<QWidget> m_radioOn;
    QPointer<QWidget> m_radioOff;
    QPointer<QWidget> m_direct;
    QPointer<QWidget> m_scan;
    QPointer<QWidget> m_scanBank;
    // Set by setActiveWindowOnly: the window that must be active.
    bool m_activeWindowOnly = false;
    QPointer<QWidget> m_scopeWindow;
    // A modal dialog was shown since the keys were last discarded.
    bool m_dialogSeen = false;
    // Keys still held when a dialog closed: they do not count until seen released.
    std::bitset<VirtualKey::Count> m_suppressed;
    QTimer m_timer;
    bool m_running = false;
};
