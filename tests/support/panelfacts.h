#pragma once

#include "tunedstate.h"

#include <QByteArray>
#include <QColor>

// The start-up values: 105.900 MHz, 100 kHz steps, FM, filter 3.
inline TunedState StartTuned()
{
    TunedState tuned;
    tuned.CurrentFrequency = 105.9;
    tuned.StepSize = 0.1;
    tuned.ModeCommand = "FM";
    tuned.FilterCommand = "BW3";
    return tuned;
}

// What ON writes with the start-up values.
inline const QByteArray kPowerOnBytes("RMT\rCOR 1\rAFC/\rAGC/\r"
                                      "FRQ 0105.900;FM;BW3\rFRQ 0105.900;FM;BW3\r"
                                      "FRQ 0105.900;FM;BW3\r");

// The lamps' colours.
inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);
inline const QColor kBlue(0, 0, 255);
inline const QColor kYellow(255, 255, 0);
