#include "bandactivity.h"

#include "bandactivitygroup.h"
#include "bandactivitywindow.h"
#include "hitslog.h"
#include "receiversession.h"
#include "sweepoptions.h"
#include "tuner.h"

#include <QTimer>

#include <cstdio>

BandActivity::BandActivity(ReceiverSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    connect(&session.sweep(), &BandSweep::hitRecorded, this, &BandActivity::LogHit);
}

BandActivity::~BandActivity()
{
    // The window follows the sweep's signals: it goes first.
    m_window.reset();
}

BandActivityWindow &BandActivity::window()
{
    if (!m_window) {
        m_window = std::make_unique<BandActivityWindow>(m_session.sweep());
        m_window->ShowSettings();
        connect(m_window.get(), &BandActivityWindow::tuneRequested, this,
            [this](double frequencyMHz) { m_session.tuner().TuneTo(frequencyMHz); });
        if (!m_logProblem.isEmpty())
            m_window->ShowProblem(m_logProblem);
    }
    return *m_window;
}

void BandActivity::Apply(const SweepCommandLine &options)
{
    m_session.sweep().setSettings(options.settings);
    if (!options.hitsLogPath.isEmpty()) {
        m_log = std::make_unique<HitsLog>(options.hitsLogPath);
        if (!m_log->Check())
            ReportLogProblem();
    }
    if (m_window)
        m_window->ShowSettings();
    if (!options.plan)
        return;
    window().setPlan(*options.plan);
    OpenWindow();
    QTimer::singleShot(0, this, [this] {
        if (m_session.PowerOn())
            m_window->StartSweep();
    });
}

void BandActivity::OpenWindow()
{
    ShowAndRaise(&window());
}

void BandActivity::LogHit(const SweepHit &hit)
{
    if (!m_log)
        return;
    if (m_log->Append(hit)) {
        m_logFailing = false;
        m_logProblem.clear();
        return;
    }
    // Said once per run of failures; the hit stays in the window's table.
    if (!m_logFailing)
        ReportLogProblem();
}

void BandActivity::ReportLogProblem()
{
    m_logFailing = true;
    m_logProblem = tr("The hits log %1 cannot be written: %2. The hits stay in the table.")
                       .arg(m_log->path(), m_log->errorString());
    std::fprintf(stderr, "qz-remote: %s\n", qPrintable(m_logProblem));
    if (m_window)
        m_window->ShowProblem(m_logProblem);
}
