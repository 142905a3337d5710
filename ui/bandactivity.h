#pragma once

#include <QObject>
#include <QString>

#include <memory>

class BandActivityWindow;
class HitsLog;
class ReceiverSession;
struct SweepCommandLine;
struct SweepHit;

// Band activity on the panel: the "Band activity" window over the receiver session's sweep, and
// the hits log the command line may ask for.
class BandActivity : public QObject
{
    Q_OBJECT

public:
    explicit BandActivity(ReceiverSession &session, QObject *parent = nullptr);
    ~BandActivity() override;

    // Takes the command line's settings and hits log; with --sweep, opens the window, switches
    // the link on as ON does and starts the sweep (once the event loop runs).
    void Apply(const SweepCommandLine &options);
    void OpenWindow();

    // The window, built on first use: the panel's start-up need not wait for it.
    BandActivityWindow &window();

private:
    void LogHit(const SweepHit &hit);
    // On standard error and in the window (now, or when it is built).
    void ReportLogProblem();

    ReceiverSession &m_session;
    std::unique_ptr<BandActivityWindow> m_window;
    std::unique_ptr<HitsLog> m_log;
    bool m_logFailing = false;
    QString m_logProblem;
};
