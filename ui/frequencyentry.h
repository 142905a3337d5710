#pragma once

#include "keypad.h"

#include <QObject>

class QWidget;
class Tuner;
struct Panel;

// Typed frequencies: the direct-entry prompt and the on-screen keypad. An accepted frequency is
// tuned with its band's usual mode, filter and step (the band plan) and then sent.
class FrequencyEntry : public QObject
{
    Q_OBJECT

public:
    FrequencyEntry(Tuner &tuner, const Panel &panel, QWidget *dialogParent);

    // Asks for a frequency until the operator gives one in range or leaves with an empty text or
    // Cancel. Returns once the prompt has closed for good.
    void DirectEntry();
    void KeypadPress(int index);

    // True while the prompt or the keypad's error box is open.
    bool isDialogOpen() const { return m_dialogOpen; }

private:
    void DrawKeypad();

    Tuner &m_tuner;
    const Panel &m_panel;
    QWidget *m_dialogParent;
    Keypad m_keypad;
    bool m_dialogOpen = false;
};
