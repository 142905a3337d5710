#include "sweepplot.h"

#include "axisticks.h"
#include "sweeptrace.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kMinLeftPx = 46; // room for the reading labels at the usual font sizes
constexpr int kLabelGapPx = 6;
constexpr int kRightPx = 14;
constexpr int kTopPx = 8;
constexpr int kAxisBandPx = 22; // the frequency labels, between the trace and the waterfall
constexpr int kBottomPx = 6;
constexpr int kTracePercent = 55;
constexpr int kMinTickGapPx = 90;
constexpr int kGrabPx = 4; // how near the threshold line a press takes hold of it
constexpr int kClickSlopPx = 4;
constexpr int kMarkHeightPx = 4;

const QColor kBackground(12, 16, 22);
const QColor kGrid(45, 52, 62);
const QColor kLabel(200, 205, 210);
const QColor kFrame(90, 98, 110);
const QColor kCursorColour(255, 255, 255, 110);
constexpr QRgb kNotMeasuredRgb = qRgb(6, 8, 12);

struct ColourStop
{
    int raw;
    int r, g, b;
};

// Dark for the noise floor, through blue and cyan to yellow, red and white for the strongest.
constexpr ColourStop kLevelStops[] = {
    {0, 0, 0, 0},
    {30, 0, 0, 90},
    {70, 0, 60, 200},
    {110, 0, 190, 210},
    {150, 230, 220, 0},
    {200, 255, 60, 0},
    {255, 255, 255, 255},
};

std::array<QRgb, 256> BuildLevelColours()
{
    std::array<QRgb, 256> colours {};
    for (int raw = 0; raw < 256; ++raw) {
        size_t i = 1;
        while (i + 1 < std::size(kLevelStops) && kLevelStops[i].raw < raw)
            ++i;
        const ColourStop &a = kLevelStops[i - 1];
        const ColourStop &b = kLevelStops[i];
        const double t = std::clamp(double(raw - a.raw) / double(b.raw - a.raw), 0.0, 1.0);
        colours[size_t(raw)] = qRgb(int(std::lround(a.r + (b.r - a.r) * t)),
            int(std::lround(a.g + (b.g - a.g) * t)), int(std::lround(a.b + (b.b - a.b) * t)));
    }
    return colours;
}

} // namespace

const QColor SweepPlot::kTraceColour(90, 255, 120);
const QColor SweepPlot::kMaxHoldColour(240, 200, 40);
const QColor SweepPlot::kThresholdColour(255, 110, 40);
const QColor SweepPlot::kMissingColour(230, 40, 90);
const QColor SweepPlot::kLockedOutColour(120, 120, 130);

QRgb SweepPlot::LevelColour(int raw)
{
    static const std::array<QRgb, 256> colours = BuildLevelColours();
    if (raw >= 0)
        return colours[size_t(std::min(raw, 255))];
    if (raw == kReadingMissing)
        return kMissingColour.rgb();
    if (raw == kLockedOut)
        return kLockedOutColour.rgb();
    return kNotMeasuredRgb;
}

SweepPlot::SweepPlot(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    // Every pixel is painted here: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void SweepPlot::setSources(const SweepTrace *trace, const SweepWaterfall *waterfall)
{
    m_trace = trace;
    m_rows = waterfall;
    RebuildWaterfall();
    update();
}

void SweepPlot::setPlan(const SweepPlan &plan)
{
    m_plan = plan;
    m_cursor = -1;
    RebuildWaterfall();
    update();
}

void SweepPlot::setThreshold(int raw)
{
    raw = std::clamp(raw, 0, 255);
    if (raw == m_threshold)
        return;
    const int before = YForReading(m_threshold);
    m_threshold = raw;
    const QRect trace = traceRect();
    update(QRect(trace.left(), before - 2, trace.width(), 5));
    update(QRect(trace.left(), YForReading(raw) - 2, trace.width(), 5));
}

void SweepPlot::PointChanged(int index)
{
    if (index >= 0 && index < Points())
        update(StripAround(index));
}

void SweepPlot::setCursorIndex(int index)
{
    if (index == m_cursor)
        return;
    const QRect trace = traceRect();
    if (m_cursor >= 0 && m_cursor < Points())
        update(QRect(XForIndex(m_cursor) - 1, trace.top(), 3, trace.height()));
    m_cursor = index;
    if (m_cursor >= 0 && m_cursor < Points())
        update(QRect(XForIndex(m_cursor) - 1, trace.top(), 3, trace.height()));
}

void SweepPlot::RowAdded(int passMs)
{
    const QRect area = waterfallRect();
    if (!m_rows || m_rows->rowCount() == 0 || area.isEmpty())
        return;
    m_rowMs.push_front(std::max(0, passMs));
    while (int(m_rowMs.size()) > m_rows->rowCount())
        m_rowMs.pop_back();
    if (m_waterfall.width() != area.width() || m_waterfall.height() != area.height()) {
        RebuildWaterfall();
        update(area);
        return;
    }
    // Scroll the image down by the new row's height and draw only the new row.
    const int rows = m_waterfall.height();
    const int height = std::min(rows, RowHeightPx(m_rowMs.front(), m_carryPx));
    if (rows > height) {
        uchar *bits = m_waterfall.bits();
        const qsizetype bytesPerLine = m_waterfall.bytesPerLine();
        std::memmove(bits + bytesPerLine * height, bits, size_t(bytesPerLine * (rows - height)));
    }
    RenderWaterfallRow(0, 0, height);
    update(area);
}

int SweepPlot::RowHeightPx(int passMs, double &carryPx) const
{
    // A sweep takes as much of the height as its time takes of kWaterfallSpanMs, so the picture
    // fills in that time however slow the sweep; a very slow one still leaves room for three more.
    const int height = waterfallRect().height();
    const double exact = double(passMs) * height / kWaterfallSpanMs + carryPx;
    // (A hair over, so that sweeps adding up to the minute fill the last pixel row too.)
    const int px = std::clamp(int(exact + 1e-6), 1, std::max(1, height / 4));
    carryPx = std::clamp(exact - px, 0.0, 1.0);
    return px;
}

void SweepPlot::TraceReset()
{
    update(traceRect());
}

QRect SweepPlot::traceRect() const
{
    const int left = LeftPx();
    const int width = std::max(2, this->width() - left - kRightPx);
    const int height
        = std::max(40, (this->height() - kTopPx - kAxisBandPx - kBottomPx) * kTracePercent / 100);
    return {left, kTopPx, width, height};
}

QRect SweepPlot::waterfallRect() const
{
    const QRect trace = traceRect();
    const int top = trace.bottom() + 1 + kAxisBandPx;
    return {trace.left(), top, trace.width(), std::max(0, height() - kBottomPx - top)};
}

int SweepPlot::LeftPx() const
{
    // The unit and the readings in the margin, whatever the font's size.
    const QFontMetrics metrics(font());
    const int widest = std::max(metrics.horizontalAdvance(QStringLiteral("MHz")),
        metrics.horizontalAdvance(QStringLiteral("250")));
    return std::max(kMinLeftPx, widest + 2 * kLabelGapPx);
}

int SweepPlot::Points() const
{
    return m_plan.PointCount();
}

int SweepPlot::XForIndex(int index) const
{
    const QRect trace = traceRect();
    const int n = Points();
    if (n <= 1)
        return trace.left();
    return trace.left() + int(std::llround(double(index) * (trace.width() - 1) / (n - 1)));
}

int SweepPlot::IndexAtX(int x) const
{
    const QRect trace = traceRect();
    const int n = Points();
    if (n <= 1)
        return 0;
    const long long index
        = std::llround(double(x - trace.left()) * (n - 1) / std::max(1, trace.width() - 1));
    return int(std::clamp<long long>(index, 0, n - 1));
}

void SweepPlot::StepsInColumn(int x, int &first, int &last) const
{
    const QRect trace = traceRect();
    const int n = Points();
    const double stepsPerColumn = double(n - 1) / std::max(1, trace.width() - 1);
    if (stepsPerColumn <= 1) {
        first = last = IndexAtX(x);
        return;
    }
    const double column = x - trace.left();
    first = std::clamp(int(std::ceil((column - 0.5) * stepsPerColumn)), 0, n - 1);
    last = std::clamp(int(std::floor((column + 0.5) * stepsPerColumn)), 0, n - 1);
    if (first > last)
        first = last = IndexAtX(x);
}

int SweepPlot::YForReading(int raw) const
{
    const QRect trace = traceRect();
    return trace.bottom() - int(std::lround(double(raw) * (trace.height() - 1) / 255.0));
}

int SweepPlot::ReadingAtY(int y) const
{
    const QRect trace = traceRect();
    const long raw = std::lround(double(trace.bottom() - y) * 255.0 / (trace.height() - 1));
    return int(std::clamp(raw, 0L, 255L));
}

QRect SweepPlot::StripAround(int index) const
{
    const QRect trace = traceRect();
    const int left = XForIndex(std::max(0, index - 1));
    const int right = XForIndex(std::min(Points() - 1, index + 1));
    return {left - 2, trace.top(), right - left + 5, trace.height()};
}

void SweepPlot::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect clip = event->rect();
    const QRect trace = traceRect();
    const QRect water = waterfallRect();
    // Margins and the axis band.
    if (!trace.contains(clip) && !water.contains(clip))
        PaintAxes(painter, clip);
    if (clip.intersects(trace))
        PaintTrace(painter, clip);
    if (clip.intersects(water)) {
        painter.fillRect(water & clip, QColor::fromRgb(kNotMeasuredRgb));
        const QRect image = QRect(water.topLeft(), m_waterfall.size()) & clip;
        if (!image.isEmpty())
            painter.drawImage(image.topLeft(), m_waterfall, image.translated(-water.topLeft()));
    }
}

void SweepPlot::PaintAxes(QPainter &painter, const QRect &clip)
{
    const QRect trace = traceRect();
    const QRect water = waterfallRect();
    QRegion margins(rect());
    margins -= trace;
    margins -= water;
    for (const QRect &r : margins)
        painter.fillRect(r & clip, palette().window());
    painter.setPen(kFrame);
    painter.drawRect(trace.adjusted(-1, -1, 0, 0));
    if (!water.isEmpty())
        painter.drawRect(water.adjusted(-1, -1, 0, 0));

    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    // Raw readings up the left side.
    for (int raw = 0; raw <= 250; raw += 50) {
        const int y = YForReading(raw);
        painter.drawText(
            QRect(0, y - metrics.height() / 2, trace.left() - kLabelGapPx, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(raw));
    }
    const int band = trace.bottom() + 1;
    painter.drawText(QRect(0, band, trace.left() - kLabelGapPx, kAxisBandPx),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("MHz"));
    if (Points() < 2)
        return;
    // Frequencies along the band between the trace and the waterfall.
    const int maxTicks = std::max(1, trace.width() / kMinTickGapPx);
    for (const AxisTick &tick : AxisTicks(m_plan.startMHz(), m_plan.lastMHz(), maxTicks)) {
        const int x = XForIndex(m_plan.IndexNearest(tick.value));
        const QString label = QString::fromStdString(tick.label);
        const int width = metrics.horizontalAdvance(label) + 4;
        painter.drawLine(x, band, x, band + 3);
        // Labels at the ends stay over the plot, clear of the unit in the margin.
        const int left = std::clamp(x - width / 2, trace.left(), trace.right() + 1 - width);
        painter.drawText(QRect(left, band + 3, width, kAxisBandPx - 3),
            Qt::AlignHCenter | Qt::AlignVCenter, label);
    }
}

void SweepPlot::PaintTrace(QPainter &painter, const QRect &clip)
{
    const QRect trace = traceRect();
    const QRect area = trace & clip;
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, kBackground);
    painter.setPen(kGrid);
    for (int raw = 50; raw <= 250; raw += 50)
        painter.drawLine(area.left(), YForReading(raw), area.right(), YForReading(raw));
    if (Points() >= 2) {
        const int maxTicks = std::max(1, trace.width() / kMinTickGapPx);
        for (const AxisTick &tick : AxisTicks(m_plan.startMHz(), m_plan.lastMHz(), maxTicks)) {
            const int x = XForIndex(m_plan.IndexNearest(tick.value));
            if (x >= area.left() && x <= area.right())
                painter.drawLine(x, area.top(), x, area.bottom());
        }
    }
    if (m_trace && m_trace->size() == Points() && Points() > 0) {
        PaintCurve(painter, area, true);
        PaintCurve(painter, area, false);
    }
    QPen threshold(kThresholdColour, 1, Qt::DashLine);
    painter.setPen(threshold);
    const int y = YForReading(m_threshold);
    painter.drawLine(area.left(), y, area.right(), y);
    if (m_cursor >= 0 && m_cursor < Points()) {
        painter.setPen(kCursorColour);
        const int x = XForIndex(m_cursor);
        painter.drawLine(x, area.top(), x, area.bottom());
    }
    painter.restore();
}

void SweepPlot::PaintCurve(QPainter &painter, const QRect &area, bool maxHold)
{
    const std::vector<std::int16_t> &values = maxHold ? m_trace->maxHold() : m_trace->latest();
    const QRect trace = traceRect();
    const int n = Points();
    const int xFrom = std::max(trace.left(), area.left() - 2);
    const int xTo = std::min(trace.right(), area.right() + 2);
    const bool columns = n - 1 > trace.width() - 1;

    std::vector<QPoint> segment;
    std::vector<int> missing;
    std::vector<int> locked;
    painter.setPen(maxHold ? kMaxHoldColour : kTraceColour);
    const auto flush = [&] {
        if (segment.size() >= 2)
            painter.drawPolyline(segment.data(), int(segment.size()));
        else if (segment.size() == 1)
            painter.drawLine(segment[0] - QPoint(1, 0), segment[0] + QPoint(1, 0));
        segment.clear();
    };
    const auto take = [&](int x, std::int16_t value) {
        if (value >= 0) {
            segment.emplace_back(x, YForReading(value));
            return;
        }
        flush();
        if (value == kReadingMissing)
            missing.push_back(x);
        else if (value == kLockedOut)
            locked.push_back(x);
    };
    if (columns) {
        for (int x = xFrom; x <= xTo; ++x) {
            int first = 0;
            int last = 0;
            StepsInColumn(x, first, last);
            take(x, *std::max_element(values.begin() + first, values.begin() + last + 1));
        }
    } else {
        const int from = std::max(0, IndexAtX(xFrom) - 1);
        const int to = std::min(n - 1, IndexAtX(xTo) + 1);
        for (int i = from; i <= to; ++i)
            take(XForIndex(i), values[size_t(i)]);
    }
    flush();
    if (maxHold)
        return;
    // Steps without a reading are marked along the bottom edge: they are not zero.
    const int bottom = trace.bottom();
    painter.setPen(kMissingColour);
    for (const int x : missing)
        painter.drawLine(x, bottom - kMarkHeightPx * 2, x, bottom);
    painter.setPen(kLockedOutColour);
    for (const int x : locked)
        painter.drawLine(x, bottom - kMarkHeightPx, x, bottom);
}

void SweepPlot::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    RebuildWaterfall();
}

void SweepPlot::RebuildWaterfall()
{
    const QRect area = waterfallRect();
    if (area.width() <= 0 || area.height() <= 0 || !m_rows) {
        m_waterfall = QImage();
        return;
    }
    m_waterfall = QImage(area.width(), area.height(), QImage::Format_RGB32);
    m_waterfall.fill(kNotMeasuredRgb);
    while (int(m_rowMs.size()) > m_rows->rowCount())
        m_rowMs.pop_back();
    m_carryPx = 0;
    if (m_rows->points() != Points() || Points() == 0)
        return;
    int y = 0;
    for (int age = 0; age < m_rows->rowCount() && y < area.height(); ++age) {
        const int ms = age < int(m_rowMs.size()) ? m_rowMs[size_t(age)] : 0;
        const int height = std::min(area.height() - y, RowHeightPx(ms, m_carryPx));
        RenderWaterfallRow(age, y, height);
        y += height;
    }
}

void SweepPlot::RenderWaterfallRow(int age, int y, int height)
{
    if (!m_rows || age >= m_rows->rowCount() || m_rows->points() != Points() || Points() == 0)
        return;
    auto *line = reinterpret_cast<QRgb *>(m_waterfall.scanLine(y));
    const int left = waterfallRect().left();
    for (int c = 0; c < m_waterfall.width(); ++c) {
        int first = 0;
        int last = 0;
        StepsInColumn(left + c, first, last);
        line[c] = LevelColour(m_rows->MaxOver(age, first, last));
    }
    for (int i = 1; i < height && y + i < m_waterfall.height(); ++i)
        std::memcpy(m_waterfall.scanLine(y + i), line, size_t(m_waterfall.width()) * sizeof(QRgb));
}

bool SweepPlot::NearThreshold(const QPoint &pos) const
{
    return traceRect().adjusted(0, -kGrabPx, 0, kGrabPx).contains(pos)
        && std::abs(pos.y() - YForReading(m_threshold)) <= kGrabPx;
}

void SweepPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (NearThreshold(pos)) {
        m_dragging = true;
        return;
    }
    if ((traceRect().contains(pos) || waterfallRect().contains(pos)) && Points() > 0) {
        m_clickPending = true;
        m_pressPos = pos;
    }
}

void SweepPlot::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        const int raw = ReadingAtY(pos.y());
        if (raw != m_threshold) {
            setThreshold(raw);
            emit thresholdDragged(raw);
        }
        return;
    }
    if (m_clickPending && (pos - m_pressPos).manhattanLength() > kClickSlopPx)
        m_clickPending = false;
    setCursor(NearThreshold(pos) ? Qt::SizeVerCursor : Qt::CrossCursor);
    const bool over = traceRect().contains(pos) || waterfallRect().contains(pos);
    emit pointerMoved(over && Points() > 0 ? IndexAtX(pos.x()) : -1);
}

void SweepPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragging) {
        m_dragging = false;
        return;
    }
    if (m_clickPending) {
        m_clickPending = false;
        emit tuneRequested(m_plan.FrequencyAt(IndexAtX(event->position().toPoint().x())));
    }
}

void SweepPlot::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    emit pointerMoved(-1);
}
