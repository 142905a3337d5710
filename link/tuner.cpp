#include "tuner.h"

#include "bandplan.h"
#include "commandlink.h"
#include "frequencyformat.h"
#include "options.h"
#include "recall.h"
#include "steptable.h"
#include "tunedstate.h"

Tuner::Tuner(TunedState &state, CommandLink &link, PanelControls &controls)
    : m_state(state)
    , m_link(link)
    , m_controls(controls)
{ }

void Tuner::SendFrequency()
{
    // The display first, whether or not the port is open.
    DrawFrequency();
    m_link.SendCommand(QString::fromStdString(
        FrequencyCommand(m_state.CurrentFrequency, m_state.ModeCommand, m_state.FilterCommand)));
}

void Tuner::DrawFrequency()
{
    m_controls.ShowFrequency(
        QString::fromStdString(FormatDisplayFrequency(m_state.CurrentFrequency)));
}

void Tuner::ApplyMode()
{
    const int mode = m_controls.SelectedMode();
    if (mode >= 0 && mode < int(kModeTable.size()))
        m_state.ModeCommand = kModeTable[size_t(mode)].word;
    SendFrequency();
}

void Tuner::ApplyFilter()
{
    const int filter = m_controls.SelectedFilter();
    if (filter >= 0 && filter < int(kFilterTable.size()))
        m_state.FilterCommand = kFilterTable[size_t(filter)].word;
    SendFrequency();
}

void Tuner::SendSquelch()
{
    const int level = m_controls.SquelchLevel();
    m_link.SendCommand(QStringLiteral("COR %1").arg(level));
    m_controls.ShowSquelch(level);
}

void Tuner::SendAfc()
{
    m_link.SendCommand(m_controls.AfcChecked() ? QStringLiteral("AFC") : QStringLiteral("AFC/"));
}

void Tuner::SendAgc()
{
    m_link.SendCommand(m_controls.AgcChecked() ? QStringLiteral("AGC") : QStringLiteral("AGC/"));
}

void Tuner::ApplyStep()
{
    const int row = StepIndexForCaption(m_controls.SelectedStepCaption().toStdString());
    if (row >= 0)
        m_state.StepSize = kStepTable[size_t(row)].sizeMHz;
}

void Tuner::StepUp()
{
    m_state.CurrentFrequency = SteppedUp(m_state.CurrentFrequency, m_state.StepSize);
    SendFrequency();
}

void Tuner::StepDown()
{
    m_state.CurrentFrequency = SteppedDown(m_state.CurrentFrequency, m_state.StepSize);
    SendFrequency();
}

void Tuner::TuneTo(double frequencyMHz)
{
    m_state.CurrentFrequency = frequencyMHz;
    SendFrequency();
}

void Tuner::SelectMode(int row)
{
    if (m_controls.SelectMode(row))
        ApplyMode();
}

void Tuner::SelectFilter(int row)
{
    if (m_controls.SelectFilter(row))
        ApplyFilter();
}

void Tuner::SelectStep(int row)
{
    if (m_controls.SelectStep(row))
        ApplyStep();
}

void Tuner::SelectSquelch(int level)
{
    if (m_controls.SelectSquelch(level))
        SendSquelch();
}

void Tuner::ApplyBandPlan()
{
    const std::optional<BandRow> band = BandPlanLookup(m_state.CurrentFrequency);
    if (!band)
        return;
    SelectMode(band->modeIndex);
    SelectFilter(band->filterIndex);
    const int step = StepIndexForCaption(band->stepCaption);
    if (step >= 0)
        SelectStep(step);
}

void Tuner::Recall(int slot)
{
    if (slot < 1 || slot > kBankSlots)
        return;
    const size_t n = size_t(slot);
    const std::optional<RecallDecision> recall = DecideRecall(
        m_state.MemFrequency[n], m_state.MemMode[n], m_state.MemFilter[n], m_state.MemStep[n]);
    if (!recall)
        return;
    TuneTo(recall->frequencyMHz);
    if (recall->modeIndex >= 0)
        SelectMode(recall->modeIndex);
    if (recall->filterIndex >= 0)
        SelectFilter(recall->filterIndex);
    if (recall->stepIndex >= 0)
        SelectStep(recall->stepIndex);
}
