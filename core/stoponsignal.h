#pragma once

#include <optional>
#include <vector>

// The sweep's decisions about signals: where to stop, and which steps the operator has locked out.
//
// A signal usually covers several neighbouring steps. The sweep stops on the first step of a
// signal only: after a stop it waits for a reading below the threshold before it stops again, so
// one signal makes one stop and one hit, not one per step it covers. A missing reading neither
// stops the sweep nor counts as below the threshold.
//
// Skip locks out the step held and the steps right after it that are still at or above the
// threshold, so a skipped signal stays out however many steps it covers.
class StopOnSignal
{
public:
    enum class Decision { GoOn, Hold };

    // A new run over this many steps: nothing locked out, ready to stop.
    void Reset(int points);
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }
    void setThreshold(int raw) { m_threshold = raw; }
    int threshold() const { return m_threshold; }

    // The reading taken at a step (nothing when it was missing).
    Decision Reading(int index, std::optional<int> reading);
    // The steps Reading() has just locked out (while following a skipped signal); cleared by the
    // next call.
    const std::vector<int> &newlyLockedOut() const { return m_newlyLocked; }
    // The operator skipped the signal at this step.
    void Skip(int index);
    // The sweep was held by hand: the signal there, if any, does not stop it again.
    void Disarm() { m_armed = false; }
    // A sweep ended and the next begins at the start: the steps either side of the wrap are not
    // neighbours.
    void NewPass();

    bool IsLockedOut(int index) const;
    int lockedOutCount() const { return m_lockedCount; }
    // The next step to visit after `index` that is not locked out, going round to the start after
    // the last step (wrapped is then set); -1 when every step is locked out.
    int NextIndex(int index, bool *wrapped) const;
    // The first step not locked out, or -1.
    int FirstIndex() const;

private:
    void LockOut(int index);

    std::vector<bool> m_locked;
    std::vector<int> m_newlyLocked;
    int m_lockedCount = 0;
    bool m_enabled = true;
    int m_threshold = 0;
    bool m_armed = true;
    bool m_followingSkip = false;
};
