#pragma once

#include <QByteArray>

// One channel line of a bank of the memory file, fields padded to their widths and ended by
// CR LF; an empty field is left out.
inline QByteArray ChannelLine(int bank, const QByteArray &frequency, const QByteArray &name = {},
    const QByteArray &mode = {}, const QByteArray &filter = {}, const QByteArray &step = {})
{
    QByteArray line = " MEMORY BANK #" + QByteArray::number(bank).rightJustified(2, '0');
    line += " FREQUENCY=" + frequency.leftJustified(11, ' ');
    if (!name.isEmpty())
        line += "NAME=" + name.leftJustified(6, ' ', true);
    if (!mode.isEmpty())
        line += "MODE=" + mode.leftJustified(3, ' ');
    if (!filter.isEmpty())
        line += "FILTER=" + filter.leftJustified(7, ' ');
    if (!step.isEmpty())
        line += "STEP=" + step;
    return line + "\r\n";
}
