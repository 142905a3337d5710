#pragma once

#include "sweepplan.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>
#include <deque>

class SweepTrace;
class SweepWaterfall;

// The band activity picture: the latest sweep as raw reading (0 … 255) against frequency, with the
// max-hold trace and the threshold line, and under it a waterfall of the past sweeps, newest at
// the top, coloured by level. Both share the frequency axis. The waterfall's height stands for a
// minute: each sweep's row is as tall as its share of that minute (at least one pixel), so the
// picture fills within a minute however long a sweep takes.
//
// The plot only reads the sweep's readings and waterfall. A new reading repaints the few pixels
// around its step, a finished sweep scrolls the waterfall image by its row and draws only the new
// one, so the cost of a step does not grow with the window.
//
// Dragging the threshold line moves the threshold; a click elsewhere asks to tune there.
class SweepPlot : public QWidget
{
    Q_OBJECT

public:
    explicit SweepPlot(QWidget *parent = nullptr);

    void setSources(const SweepTrace *trace, const SweepWaterfall *waterfall);
    // A new run (or its plan): everything is drawn afresh.
    void setPlan(const SweepPlan &plan);
    const SweepPlan &plan() const { return m_plan; }
    void setThreshold(int raw);
    int threshold() const { return m_threshold; }
    // The reading of a step has changed.
    void PointChanged(int index);
    // The step the receiver is on, marked by a thin line; -1 for none.
    void setCursorIndex(int index);
    static constexpr int kWaterfallSpanMs = 60000;

    // The waterfall has gained its newest row, a sweep that took passMs.
    void RowAdded(int passMs);
    // The readings have changed as a whole (max-hold cleared).
    void TraceReset();

    // Where things are, in widget pixels.
    QRect traceRect() const;
    QRect waterfallRect() const;
    int XForIndex(int index) const;
    // The step nearest to a pixel column.
    int IndexAtX(int x) const;
    int YForReading(int raw) const;
    int ReadingAtY(int y) const;
    const QImage &waterfallImage() const { return m_waterfall; }

    QSize sizeHint() const override { return {760, 440}; }
    QSize minimumSizeHint() const override { return {320, 220}; }

    // Colours, for the window's legend and the tests.
    static QRgb LevelColour(int raw);
    static const QColor kTraceColour;
    static const QColor kMaxHoldColour;
    static const QColor kThresholdColour;
    static const QColor kMissingColour;
    static const QColor kLockedOutColour;

signals:
    // The pointer is over this step; -1 when it left the plot.
    void pointerMoved(int index);
    void tuneRequested(double frequencyMHz);
    void thresholdDragged(int raw);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    int LeftPx() const;
    int Points() const;
    // The steps drawn in a pixel column: one, or a run of them when the sweep has more steps
    // than the plot has columns.
    void StepsInColumn(int x, int &first, int &last) const;
    void PaintTrace(QPainter &painter, const QRect &clip);
    void PaintCurve(QPainter &painter, const QRect &clip, bool maxHold);
    void PaintAxes(QPainter &painter, const QRect &clip);
    void RebuildWaterfall();
    void RenderWaterfallRow(int age, int y, int height);
    int RowHeightPx(int passMs, double &carryPx) const;
    QRect StripAround(int index) const;
    bool NearThreshold(const QPoint &pos) const;

    const SweepTrace *m_trace = nullptr;
    const SweepWaterfall *m_rows = nullptr;
    SweepPlan m_plan;
    int m_threshold = 0;
    int m_cursor = -1;
    QImage m_waterfall;
    // How long each waterfall row's sweep took, newest first.
    std::deque<int> m_rowMs;
    double m_carryPx = 0;
    bool m_dragging = false;
    bool m_clickPending = false;
    QPoint m_pressPos;
};
