#include "signalpoll.h"

#include "codelog.h"
#include "commandlink.h"
#include "panel.h"
#include "replyparser.h"
#include "seriallink.h"
#include "tunedstate.h"

#include <QColor>

SignalPoll::SignalPoll(
    CommandLink &link, CodeLog &codesIn, TunedState &state, TextDisplay &meter, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_codesIn(codesIn)
    , m_state(state)
    , m_meter(meter)
{ }

void SignalPoll::Poll()
{
    if (!m_link.isOpen())
        return;
    // Not a command the operator needs to see logged, but it queues behind the commands.
    m_link.SendQuery(QStringLiteral("SS?"));
    m_link.Delay(kReplyWaitSeconds);
    // The port may have been closed (OFF, or a vanished device) while we waited.
    if (!m_link.isOpen())
        return;
    const QByteArray received = m_link.port().readAll();
    ShowReceivedCodes(received);
    const std::optional<int> reading
        = SignalReading(std::string_view(received.constData(), size_t(received.size())));
    if (!reading)
        return;
    const int level = SignalLevelForReading(*reading);
    m_state.SignalLevel = std::int16_t(level);
    DrawSignalMeter(level);
}

void SignalPoll::ShowReceivedCodes(const QByteArray &text)
{
    const std::vector<std::string> lines
        = ReceivedCodeLines(std::string_view(text.constData(), size_t(text.size())));
    if (lines.empty())
        return;
    QStringList shown;
    shown.reserve(qsizetype(lines.size()));
    for (const std::string &line : lines)
        shown << QString::fromLatin1(line.data(), qsizetype(line.size()));
    m_codesIn.append(shown);
}

void SignalPoll::DrawSignalMeter(int level)
{
    m_meter.setTextColor(level <= kSignalMeterBlueMaxLevel ? QColor(0, 0, 255) : QColor(255, 0, 0));
    m_meter.setLine(QString::fromStdString(SignalMeterLine(level)));
}
