#pragma once

#include <functional>
#include <optional>

// What a network client may read and change on the receiver. The panel implements it over its own
// routines, so every change a client makes goes the way the operator's own would: a retune ends in
// the frequency command carrying the current mode and filter, and the display follows.
class RigTarget
{
public:
    virtual ~RigTarget() = default;

    // The link to the receiver is on (the panel's ON lamp is green).
    virtual bool IsOn() const = 0;
    // The panel's ON or OFF. True when the link is in the wanted state afterwards: switching on
    // fails when the serial port cannot be opened.
    virtual bool SetPower(bool on) = 0;

    // The tuned frequency in MHz.
    virtual double FrequencyMHz() const = 0;
    // Stops a running frequency scan or bank scan, then retunes exactly as a typed frequency does.
    // The caller has checked the range.
    virtual void TuneTo(double frequencyMHz) = 0;

    // The selected mode button as a row of kModeTable, -1 when none is selected.
    virtual int ModeIndex() const = 0;
    // The selected filter button as a row of kFilterTable, -1 when none is selected.
    virtual int FilterIndex() const = 0;
    // Selects the mode or filter button of that row as the operator's click does.
    virtual void SetMode(int modeRow) = 0;
    virtual void SetFilter(int filterRow) = 0;

    // The squelch bar, 0 … 40.
    virtual int SquelchLevel() const = 0;
    virtual void SetSquelch(int level) = 0;

    // Asks the receiver for its signal strength now. The question goes out behind everything
    // already queued for the receiver, so after a retune the reading is of the new frequency.
    // done is called exactly once, later, from the event loop (never from inside this call): with
    // the raw reading 0 … 255, or with nothing when the link is off or the receiver gave no
    // reading in time (about 100 ms after the question left). During a band sweep the reading is
    // the sweep's next one. The caller guards its own lifetime (the client may be gone by then).
    virtual void ReadSignal(std::function<void(std::optional<int> raw)> done) = 0;
};
