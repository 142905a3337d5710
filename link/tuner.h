#pragma once

#include <QString>

class CommandLink;
struct TunedState;

// What the tuning operations read from the panel and show on it. The window implements it over its
// controls; tests implement it over plain values. Selections are read afresh every time they are
// needed: the controls, not copies, hold the operator's choice.
class PanelControls
{
public:
    virtual ~PanelControls() = default;
    // The selected mode button as a row of kModeTable, or -1 when none is selected.
    virtual int SelectedMode() const = 0;
    // The selected filter button as a row of kFilterTable, or -1.
    virtual int SelectedFilter() const = 0;
    // The squelch bar's value, 0 … 40.
    virtual int SquelchLevel() const = 0;
    virtual bool AfcChecked() const = 0;
    virtual bool AgcChecked() const = 0;
    // The text of the tuning-step list's selected entry.
    virtual QString SelectedStepCaption() const = 0;
    // The text of the channel box, which names the serial port.
    virtual QString ChannelText() const = 0;
    // Clears the frequency display and draws the 12-character line.
    virtual void ShowFrequency(const QString &line) = 0;
    // Shows the squelch level on its frame.
    virtual void ShowSquelch(int level) = 0;

    // Select a control's value from code, without running its handler: true when the selection
    // changed. The tuning operations below then run the handler themselves, so what is sent never
    // depends on a control's change signal. A mode or filter row of its table, a row of the
    // tuning-step list, a squelch level 0 … 40.
    virtual bool SelectMode(int row) = 0;
    virtual bool SelectFilter(int row) = 0;
    virtual bool SelectStep(int row) = 0;
    virtual bool SelectSquelch(int level) = 0;
};

// The tuning operations: every change of frequency, mode or filter ends in SendFrequency, which
// redraws the display and sends the "FRQ " command (dropped while the port is closed).
class Tuner
{
public:
    Tuner(TunedState &state, CommandLink &link, PanelControls &controls);

    void SendFrequency();
    // Redraws the frequency display only; start-up draws it without sending.
    void DrawFrequency();
    void ApplyMode();
    void ApplyFilter();
    void SendSquelch();
    void SendAfc();
    void SendAgc();
    // Takes the step from the selected entry of the tuning-step list; sends nothing.
    void ApplyStep();
    void StepUp();
    void StepDown();
    // Sets the frequency directly (the band-edge keys, typed entries) and sends it.
    void TuneTo(double frequencyMHz);

    // Selections made from code (start-up, the band plan, recall, the squelch's end dots): each
    // runs its control's handler when it changes the selection, as the operator's choice would.
    void SelectMode(int row);
    void SelectFilter(int row);
    void SelectStep(int row);
    void SelectSquelch(int level);
    // Selects the band's usual mode, filter and step for the current frequency; outside the band
    // plan nothing changes.
    void ApplyBandPlan();
    // Tunes memory slot 1 … 32: its frequency, then its mode, filter and step where it has them.
    void Recall(int slot);

    TunedState &state() { return m_state; }

private:
    TunedState &m_state;
    CommandLink &m_link;
    PanelControls &m_controls;
};
