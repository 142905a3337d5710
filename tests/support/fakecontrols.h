#pragma once

#include "options.h"
#include "steptable.h"
#include "tuner.h"

// The panel's controls as plain values, for driving the tuning operations and the receiver
// session without a window.
class FakeControls : public PanelControls
{
public:
    int SelectedMode() const override { return mode; }
    int SelectedFilter() const override { return filter; }
    int SquelchLevel() const override { return squelch; }
    bool AfcChecked() const override { return afc; }
    bool AgcChecked() const override { return agc; }
    QString SelectedStepCaption() const override { return step; }
    QString ChannelText() const override { return channel; }
    void ShowFrequency(const QString &line) override { display = line; }
    void ShowSquelch(int level) override
    {
        squelchCaption = QStringLiteral("Squelch %1").arg(level);
    }
    bool SelectMode(int row) override { return Select(mode, row); }
    bool SelectFilter(int row) override { return Select(filter, row); }
    bool SelectStep(int row) override
    {
        const QString caption = QString::fromLatin1(kStepTable[size_t(row)].caption);
        if (caption == step)
            return false;
        step = caption;
        return true;
    }
    bool SelectSquelch(int level) override { return Select(squelch, level); }

    int mode = kModeFM;
    int filter = kFilter3;
    int squelch = 1;
    bool afc = false;
    bool agc = false;
    QString step = QStringLiteral("100 KHz");
    QString channel;
    QString display;
    QString squelchCaption;

private:
    static bool Select(int &field, int value)
    {
        if (field == value)
            return false;
        field = value;
        return true;
    }
};
