#pragma once

#include "tuner.h"

struct Panel;

// The panel's controls as the tuning operations and the receiver session see them: the operator's
// choices are read from the widgets every time, and selections made from code set the widgets with
// their change signals blocked.
class WidgetControls : public PanelControls
{
public:
    explicit WidgetControls(const Panel &panel);

    int SelectedMode() const override;
    int SelectedFilter() const override;
    int SquelchLevel() const override;
    bool AfcChecked() const override;
    bool AgcChecked() const override;
    QString SelectedStepCaption() const override;
    QString ChannelText() const override;
    void ShowFrequency(const QString &line) override;
    void ShowSquelch(int level) override;
    bool SelectMode(int row) override;
    bool SelectFilter(int row) override;
    bool SelectStep(int row) override;
    bool SelectSquelch(int level) override;

private:
    const Panel &m_panel;
};
