#include "knobcontrol.h"

#include "commandlink.h"
#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QApplication>
#include <QGuiApplication>

KnobControl::KnobControl(TunedState &state, Tuner &tuner, const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_tuner(tuner)
    , m_panel(panel)
{
    m_hold.setSingleShot(true);
    m_hold.setTimerType(Qt::PreciseTimer);
    connect(&m_hold, &QTimer::timeout, this, &KnobControl::Pass);
}

void KnobControl::Reset()
{
    for (QWidget *mark : m_panel.TuningKnobMark)
        mark->hide();
    m_state.KnobMarkIndex = 0;
    ShowMark(true);
}

void KnobControl::ShowMark(bool visible)
{
    const int index = m_state.KnobMarkIndex;
    if (index >= 0 && index < TuningKnobArea::kMarkCount)
        m_panel.TuningKnobMark[size_t(index)]->setVisible(visible);
}

void KnobControl::Press(int button)
{
    m_state.KnobHeld = -1;
    m_button = button;
    m_passes = 0;
    // A press made up by a program leaves the platform's record of the buttons alone: such a
    // hold waits for its release event.
    const Qt::MouseButton qtButton = QtButtonFor(button);
    m_watchButton = qtButton != Qt::NoButton && QGuiApplication::mouseButtons().testFlag(qtButton);
    Pass();
}

void KnobControl::Release()
{
    m_state.KnobHeld = 0;
    m_hold.stop();
}

void KnobControl::Pass()
{
    if (!m_state.KnobHeld)
        return;
    // A dialog has the mouse now: the release, when it comes, goes to the dialog.
    if (QApplication::activeModalWidget()
        || (m_watchButton && !QGuiApplication::mouseButtons().testFlag(QtButtonFor(m_button)))) {
        Release();
        return;
    }
    if (m_button == TuningKnobArea::kLeftButton)
        Turn(true);
    else if (m_button == TuningKnobArea::kRightButton)
        Turn(false);
    ++m_passes;
    // Each pass takes its frequency command's pause, the first fifteen the knob's own pause too.
    // With the link off nothing is sent, and the pass still takes as long, so a hold never spins.
    m_hold.start(CommandLink::kCommandPauseMs + (m_passes <= kPacedSteps ? kPacedPauseMs : 0));
}

void KnobControl::Turn(bool up)
{
    ShowMark(false);
    if (up) {
        m_state.KnobMarkIndex = std::int16_t(
            m_state.KnobMarkIndex + 1 > TuningKnobArea::kMarkCount - 1 ? 0
                                                                       : m_state.KnobMarkIndex + 1);
        m_tuner.StepUp();
    } else {
        m_state.KnobMarkIndex
            = std::int16_t(m_state.KnobMarkIndex - 1 < 0 ? TuningKnobArea::kMarkCount - 1
                                                         : m_state.KnobMarkIndex - 1);
        m_tuner.StepDown();
    }
    ShowMark(true);
}

Qt::MouseButton KnobControl::QtButtonFor(int button)
{
    switch (button) {
    case TuningKnobArea::kLeftButton:
        return Qt::LeftButton;
    case TuningKnobArea::kRightButton:
        return Qt::RightButton;
    case TuningKnobArea::kMiddleButton:
        return Qt::MiddleButton;
    default:
        return Qt::NoButton;
    }
}
