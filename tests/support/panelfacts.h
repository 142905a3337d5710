#pragma once

#include <QByteArray>
#include <QColor>

// What ON writes with the start-up values.
inline const QByteArray kPowerOnBytes("RMT\rCOR 1\rAFC/\rAGC/\r"
                                      "FRQ 0105.900;FM;BW3\rFRQ 0105.900;FM;BW3\r"
                                      "FRQ 0105.900;FM;BW3\r");

// The lamps' colours.
inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);
inline const QColor kBlue(0, 0, 255);
inline const QColor kYellow(255, 255, 0);
