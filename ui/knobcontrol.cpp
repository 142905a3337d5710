#include "knobcontrol.h"

#include "commandlink.h"

#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"
#include "waittimer.h"

#include <QCoreApplication>
#include <QGuiApplication>

KnobControl::KnobControl(
    TunedState &state, Tuner &tuner, WaitTimer &wait, const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_tuner(tuner)
    , m_wait(wait)
    , m_panel(panel)
{
    connect(&m_wait, &WaitTimer::ticked, this, [this] { ++m_waitTicks; });
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
    // A release can be taken by a dialog opened during the hold (the exit question, a prompt, a
    // message box): the window under the pointer is blocked then and never hears of it. So each
    // pass also asks whether the button is still down, when the press was seen by the platform's
    // own input (a press made up by a program leaves that record alone and waits for its release).
    const Qt::MouseButton qtButton = QtButtonFor(button);
    const bool watchButton
        = qtButton != Qt::NoButton && QGuiApplication::mouseButtons().testFlag(qtButton);
    int passes = 0;
    while (m_state.KnobHeld) {
        const quint64 ticksBefore = m_waitTicks;
        QCoreApplication::processEvents();
        if (watchButton && !QGuiApplication::mouseButtons().testFlag(qtButton))
            Release();
        // A pass that has begun completes, even when the release was seen just now.
        if (button == TuningKnobArea::kLeftButton)
            Turn(true);
        else if (button == TuningKnobArea::kRightButton)
            Turn(false);
        if (passes < kPacedSteps)
            ++passes;
        else
            passes = kPacedSteps + 1;
        const double pause = passes > kPacedSteps ? 0.0 : kPacedPauseSeconds;
        // A fast pass is paced by its frequency command's wait. When nothing waited (the link is
        // off, or the button does not tune) the loop would spin the processor and whirl the
        // display, so the pass takes as long as a frequency command would have.
        if (pause == 0.0 && m_waitTicks == ticksBefore)
            m_wait.Delay(CommandLink::kCommandPauseSeconds);
        else
            m_wait.Delay(pause);
    }
}

void KnobControl::Release()
{
    m_state.KnobHeld = 0;
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
