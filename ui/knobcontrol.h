#pragma once

#include <QObject>

class Tuner;
class WaitTimer;
struct Panel;
struct TunedState;

// The drawn tuning knob. Holding the left button tunes up and the right button tunes down, one
// step per pass, the lit mark walking round the knob; the first fifteen steps of a hold are paced
// 0.15 s apart, later ones follow as fast as the frequency command allows. The hold loop keeps the
// window alive by processing pending events on every pass, which is also where the release is
// seen, or, when a dialog took the release, the button found up.
class KnobControl : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPacedSteps = 15;
    static constexpr double kPacedPauseSeconds = 0.15;

    KnobControl(TunedState &state, Tuner &tuner, WaitTimer &wait, const Panel &panel,
        QObject *parent = nullptr);

    // Hides every mark but mark 0.
    void Reset();
    // Runs for as long as the button is held.
    void Press(int button);
    void Release();
    // Moves the lit mark one place and tunes one step: clockwise and up, or back and down. A hold
    // makes one turn per pass, the mouse wheel one per notch.
    void Turn(bool up);

private:
    void ShowMark(bool visible);
    static Qt::MouseButton QtButtonFor(int button);

    TunedState &m_state;
    Tuner &m_tuner;
    WaitTimer &m_wait;
    const Panel &m_panel;
    // Waits that have ended, so a pass can tell whether anything in it waited.
    quint64 m_waitTicks = 0;
};
