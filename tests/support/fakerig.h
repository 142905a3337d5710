#pragma once

#include "options.h"
#include "rigtarget.h"

#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

// A receiver that records what the protocol asks of it.
class FakeRig : public RigTarget
{
public:
    bool on = true;
    bool powerFails = false;
    double mhz = 105.9;
    int mode = kModeFM;
    int filter = kFilter3;
    int squelch = 1;
    std::optional<int> reading = 75;
    QStringList calls;

    bool IsOn() const override { return on; }
    bool SetPower(bool wanted) override
    {
        calls << QStringLiteral("SetPower %1").arg(wanted);
        if (!(wanted && powerFails))
            on = wanted;
        return on == wanted;
    }
    double FrequencyMHz() const override { return mhz; }
    void TuneTo(double frequencyMHz) override
    {
        calls << QStringLiteral("TuneTo %1").arg(frequencyMHz, 0, 'g', 12);
        mhz = frequencyMHz;
    }
    int ModeIndex() const override { return mode; }
    int FilterIndex() const override { return filter; }
    void SetMode(int row) override
    {
        calls << QStringLiteral("SetMode %1").arg(kModeTable[size_t(row)].caption);
        mode = row;
    }
    void SetFilter(int row) override
    {
        calls << QStringLiteral("SetFilter %1").arg(kFilterTable[size_t(row)].word);
        filter = row;
    }
    int SquelchLevel() const override { return squelch; }
    void SetSquelch(int level) override
    {
        calls << QStringLiteral("SetSquelch %1").arg(level);
        squelch = level;
    }
    // As the receiver does: the reading comes later, from the event loop; with holdReadings,
    // only when the test gives it (Read).
    void ReadSignal(std::function<void(std::optional<int>)> done) override
    {
        if (holdReadings)
            questions.push_back(std::move(done));
        else
            QTimer::singleShot(0, [done, now = reading] { done(now); });
    }
    // Answers the oldest question still open.
    void Read(std::optional<int> raw)
    {
        auto done = std::move(questions.front());
        questions.erase(questions.begin());
        done(raw);
    }

    bool holdReadings = false;
    std::vector<std::function<void(std::optional<int>)>> questions;
};
