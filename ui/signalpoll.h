#pragma once

#include <QObject>

class CodeLog;
class CommandLink;
class TextDisplay;
struct TunedState;

// The signal-strength poll: every tick of its timer (800 ms while the link is on and no scan
// runs) it asks the receiver for its signal strength, shows everything the receiver sent since the
// last poll in the received-codes log, and draws the reading on the bar meter.
class SignalPoll : public QObject
{
    Q_OBJECT

public:
    SignalPoll(CommandLink &link, CodeLog &codesIn, TunedState &state, TextDisplay &meter,
        QObject *parent = nullptr);

    static constexpr int kPollIntervalMs = 800;
    static constexpr double kReplyWaitSeconds = 0.01;

    // One tick of the poll timer.
    void Poll();
    void ShowReceivedCodes(const QByteArray &text);
    void DrawSignalMeter(int level);

signals:
    // A poll found a signal reading (raw, 0 … 255) in the receiver's reply.
    void readingTaken(int reading);

private:
    CommandLink &m_link;
    CodeLog &m_codesIn;
    TunedState &m_state;
    TextDisplay &m_meter;
};
