#pragma once

#include "sweephit.h"
#include "sweepplan.h"

#include <QElapsedTimer>
#include <QWidget>

class BandSweep;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QModelIndex;
class QPushButton;
class QSpinBox;
class HitTableModel;
class QTableView;
class SweepPlot;

// The "Band activity" window: a plot and waterfall of what the sweep hears, the hits it stopped
// on, and the sweep's controls. A window of its own, resizable, that first shows beside the panel
// rather than over it; closing it only hides it, the sweep goes on. A click on a hit tunes there.
//
// It drives the sweep through BandSweep's functions and follows it by its signals.
class BandActivityWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char *kTitle = "Band activity";
    // Hits kept in the table (and exported); the hits log keeps every one.
    static constexpr int kMaxHitRows = 10000;
    // Rows of the hits table in view without scrolling.
    static constexpr int kVisibleHitRows = 8;
    static constexpr int kDefaultWidthPx = 780;
    static constexpr int kDefaultHeightPx = 640;

    explicit BandActivityWindow(BandSweep &sweep, QWidget *parent = nullptr);

    // Shows the sweep's dwell, threshold, hold and stop-on-signal in the controls.
    void ShowSettings();
    // Puts a plan into the start, stop and step controls.
    void setPlan(const SweepPlan &plan);
    // The plan the controls describe, or the reason there is none.
    SweepPlanResult PlanFromControls() const;
    // Shows a problem beside the hits (the hits log cannot be written, say) until another one
    // comes; the sweep's status line stays as it is.
    void ShowProblem(const QString &text);
    // Writes the kept hits as CSV, oldest first. False, with the reason, when it cannot.
    bool ExportHits(const QString &path, QString *error = nullptr) const;
    // Asks for a file and exports to it; a failure is reported in a message box. The dialog
    // opens in the folder of the last export, at first in the given one (the home folder).
    void ExportHitsAs();
    void setExportFolder(const QString &folder) { m_exportFolder = folder; }

    // Starts the sweep over the controls' plan; the status line says why when it cannot.
    void StartSweep();

    SweepPlot *plot() const { return m_plot; }
    QString statusText() const;
    QString pointerText() const;
    QString noticeText() const;
    QTableView *hitsTable() const { return m_hits; }
    int hitCount() const;

    void setVisible(bool visible) override;

signals:
    // A hit was clicked while no sweep runs over its frequency: tune the receiver there.
    void tuneRequested(double frequencyMHz);

private:
    void BuildControls();
    void TuneToHit(const QModelIndex &index);
    void ShowNotice(const QString &text, bool problem);
    void WireSweep();
    void AddHit(const SweepHit &hit);
    void ShowPointer(int index);
    void ShowSweeping();
    void SetStatus(const QString &text, bool problem = false);
    void UpdateButtons();
    void ApplySettingsFromControls();

    BandSweep &m_sweep;
    SweepPlot *m_plot = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_pointer = nullptr;
    QLabel *m_notice = nullptr;
    bool m_noticeIsProblem = false;
    bool m_placed = false;
    int m_lastTunedRow = -1;
    qint64 m_lastTunedAtMs = 0;
    QElapsedTimer m_passClock;
    QDoubleSpinBox *m_start = nullptr;
    QDoubleSpinBox *m_stop = nullptr;
    QComboBox *m_step = nullptr;
    QSpinBox *m_dwell = nullptr;
    QSpinBox *m_threshold = nullptr;
    QDoubleSpinBox *m_hold = nullptr;
    QCheckBox *m_stopOnSignal = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_resumeButton = nullptr;
    QPushButton *m_skipButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QTableView *m_hits = nullptr;
    HitTableModel *m_hitModel = nullptr;
    int m_pointerIndex = -1;
    QString m_exportFolder;
};
