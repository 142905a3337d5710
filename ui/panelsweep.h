#pragma once

#include "bandsweep.h"

#include <QObject>
#include <QPointer>

#include <memory>

class BandActivityWindow;
class HitsLog;
class MainWindow;
class QSerialPort;
struct SweepCommandLine;

// Band activity on the panel as it stands: the sweep's link owner until the receiver session
// takes the sweep over. It implements the sweep's port over the window's link and tuner, hands
// the sweep what the receiver sends while it measures, pauses and resumes the signal poll, and
// ends the sweep on OFF, SC&AN, Scan Bank and the panel's own retunes (UP, DOWN, memory buttons).
class PanelSweep : public QObject, public SweepPort
{
    Q_OBJECT

public:
    explicit PanelSweep(MainWindow &panel, QObject *parent = nullptr);
    ~PanelSweep() override;

    // Takes the command line's settings and hits log; with --sweep, opens the window, switches
    // the link on as ON does and starts the sweep (once the event loop runs).
    void Apply(const SweepCommandLine &options);
    void OpenWindow();

    BandSweep &sweep() { return *m_sweep; }
    BandActivityWindow &window() { return *m_window; }

    // SweepPort
    bool LinkIsOn() const override;
    void Tune(double frequencyMHz) override;
    void SendQuery() override;
    QString ModeWord() const override;
    QString FilterWord() const override;

private:
    void OnReadyRead();
    void OnStarted();
    void OnStopped();
    void LogHit(const SweepHit &hit);

    MainWindow &m_panel;
    BandSweep *m_sweep = nullptr;
    std::unique_ptr<BandActivityWindow> m_window;
    std::unique_ptr<HitsLog> m_log;
    QPointer<QSerialPort> m_serial;
    bool m_logFailing = false;
};
