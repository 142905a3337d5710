#include "stoponsignal.h"

void StopOnSignal::Reset(int points)
{
    m_locked.assign(size_t(points > 0 ? points : 0), false);
    m_newlyLocked.clear();
    m_lockedCount = 0;
    m_armed = true;
    m_followingSkip = false;
}

StopOnSignal::Decision StopOnSignal::Reading(int index, std::optional<int> reading)
{
    m_newlyLocked.clear();
    if (!reading)
        return Decision::GoOn;
    const bool strong = *reading >= m_threshold;
    if (m_followingSkip) {
        if (strong) {
            LockOut(index);
            m_newlyLocked.push_back(index);
            return Decision::GoOn;
        }
        m_followingSkip = false;
    }
    if (!strong) {
        m_armed = true;
        return Decision::GoOn;
    }
    const bool stop = m_armed && m_enabled;
    m_armed = false;
    return stop ? Decision::Hold : Decision::GoOn;
}

void StopOnSignal::Skip(int index)
{
    LockOut(index);
    m_followingSkip = true;
    m_armed = false;
}

void StopOnSignal::NewPass()
{
    m_armed = true;
    m_followingSkip = false;
}

bool StopOnSignal::IsLockedOut(int index) const
{
    return index >= 0 && index < int(m_locked.size()) && m_locked[size_t(index)];
}

int StopOnSignal::NextIndex(int index, bool *wrapped) const
{
    const int count = int(m_locked.size());
    if (wrapped)
        *wrapped = false;
    for (int i = index + 1; i < count; ++i) {
        if (!m_locked[size_t(i)])
            return i;
    }
    if (wrapped)
        *wrapped = true;
    return FirstIndex();
}

int StopOnSignal::FirstIndex() const
{
    for (int i = 0; i < int(m_locked.size()); ++i) {
        if (!m_locked[size_t(i)])
            return i;
    }
    return -1;
}

void StopOnSignal::LockOut(int index)
{
    if (index < 0 || index >= int(m_locked.size()) || m_locked[size_t(index)])
        return;
    m_locked[size_t(index)] = true;
    ++m_lockedCount;
}
