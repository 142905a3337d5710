#pragma once

#include <QObject>
#include <QTimer>

class Tuner;
struct Panel;
struct TunedState;

// The drawn tuning knob. Holding the left button tunes up and the right button tunes down, one
// step per pass, the lit mark walking round the knob; the first fifteen steps of a hold are paced
// 0.15 s apart (after their frequency command's own pause), later ones follow as fast as the
// frequency command allows. The hold is a timer: the window keeps working while it runs, and the
// release ends it. A dialog that opens during the hold takes the mouse, and with it the release:
// the hold then ends at once, and no step follows.
class KnobControl : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPacedSteps = 15;
    static constexpr int kPacedPauseMs = 150;

    KnobControl(TunedState &state, Tuner &tuner, const Panel &panel, QObject *parent = nullptr);

    // Hides every mark but mark 0.
    void Reset();
    // Starts a hold: the first step at once, the next ones from the timer until Release.
    void Press(int button);
    void Release();
    // Moves the lit mark one place and tunes one step: clockwise and up, or back and down. A hold
    // makes one turn per pass, the mouse wheel one per notch.
    void Turn(bool up);

private:
    void Pass();
    void ShowMark(bool visible);
    static Qt::MouseButton QtButtonFor(int button);

    TunedState &m_state;
    Tuner &m_tuner;
    const Panel &m_panel;
    QTimer m_hold;
    int m_button = 0;
    int m_passes = 0;
    // The press came from the platform's own input, so its release can also be seen by asking
    // whether the button is still down.
    bool m_watchButton = false;
};
