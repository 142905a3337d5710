#include "bandactivitywindow.h"

#include "bandactivitygroup.h"
#include "bandsweep.h"
#include "replyparser.h"
#include "rigctldgroup.h"
#include "steptable.h"
#include "sweepplot.h"
#include "sweeptrace.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <deque>

namespace {

constexpr int kDefaultStepIndex = 14; // "25 KHz"
constexpr double kDefaultStartMHz = 144.0;
constexpr double kDefaultStopMHz = 146.0;

QString MHz(double frequencyMHz)
{
    return QString::fromStdString(FormatMHz(frequencyMHz, 3));
}

QString PlanText(const SweepPlan &plan)
{
    return QStringLiteral("%1–%2 MHz by %3")
        .arg(MHz(plan.startMHz()), MHz(plan.lastMHz()),
            QString::fromLatin1(kStepTable[size_t(plan.stepIndex)].caption));
}

QDoubleSpinBox *FrequencyBox(const QString &name, double value, QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    // A "." whatever the locale, as everywhere on the panel.
    box->setLocale(QLocale::c());
    box->setDecimals(6);
    box->setRange(kLowestFrequencyMHz, kHighestFrequencyMHz);
    box->setValue(value);
    return box;
}

} // namespace

// The hits, oldest first in memory and newest first on screen, at most kMaxHitRows of them.
class HitTableModel : public QAbstractTableModel
{
public:
    explicit HitTableModel(QObject *parent)
        : QAbstractTableModel(parent)
    { }

    // The operator's S-meter table, as the OPTIONS page holds it now: with one, a column beside
    // the readings gives each in dB over S9.
    void RefreshStrengthTable()
    {
        std::optional<StrengthCalibration> table = RigctldGroup::SavedStrengthTable();
        if (table.has_value() == m_table.has_value()
            && (!table || table->Text() == m_table->Text()))
            return;
        beginResetModel();
        m_table = std::move(table);
        endResetModel();
    }
    const std::optional<StrengthCalibration> &strengthTable() const { return m_table; }

    void Add(const SweepHit &hit)
    {
        RefreshStrengthTable();
        beginInsertRows(QModelIndex(), 0, 0);
        m_hits.push_back(hit);
        endInsertRows();
        if (int(m_hits.size()) > BandActivityWindow::kMaxHitRows) {
            const int last = int(m_hits.size()) - 1;
            beginRemoveRows(QModelIndex(), last, last);
            m_hits.pop_front();
            endRemoveRows();
        }
    }
    const std::deque<SweepHit> &hits() const { return m_hits; }
    // The frequency of the hit shown on a row.
    double FrequencyAt(int row) const
    {
        return m_hits[m_hits.size() - 1 - size_t(row)].frequencyMHz;
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_hits.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_table ? 6 : 5;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_hits.size()))
            return {};
        const SweepHit &hit = m_hits[m_hits.size() - 1 - size_t(index.row())];
        switch (index.column()) {
        case 0: {
            // Today's hits by their time alone, so that the table fits beside the panel.
            const QDateTime time = QDateTime::fromMSecsSinceEpoch(hit.timeMsUtc);
            return time.toString(time.date() == QDate::currentDate()
                    ? QStringLiteral("hh:mm:ss")
                    : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        }
        case 1:
            return MHz(hit.frequencyMHz);
        case 2:
            return hit.peakReading;
        case 3:
            return QString::fromStdString(hit.mode);
        case 4:
            return QString::fromStdString(FilterCaptionForWord(hit.filter));
        default:
            return m_table ? QVariant(m_table->DbForReading(hit.peakReading)) : QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char *const titles[]
            = {"Time", "Frequency (MHz)", "Peak reading", "Mode", "Filter", "dB over S9"};
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0
            || section >= columnCount())
            return {};
        return BandActivityWindow::tr(titles[section]);
    }

private:
    std::deque<SweepHit> m_hits;
    std::optional<StrengthCalibration> m_table;
};

BandActivityWindow::BandActivityWindow(BandSweep &sweep, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_sweep(sweep)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setObjectName(QStringLiteral("BandActivity"));
    // The panel's window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls();
    WireSweep();
    m_plot->setSources(&m_sweep.trace(), &m_sweep.waterfall());
    m_plot->setThreshold(m_sweep.settings().threshold);
    if (m_sweep.plan().PointCount() > 0)
        setPlan(m_sweep.plan());
    m_plot->setPlan(PlanFromControls().plan.value_or(SweepPlan()));
    SetStatus(tr("Stopped"));
    UpdateButtons();
    resize(kDefaultWidthPx, kDefaultHeightPx);
}

void BandActivityWindow::BuildControls()
{
    auto *layout = new QVBoxLayout(this);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    m_plot = new SweepPlot(splitter);
    m_plot->setObjectName(QStringLiteral("SweepPlot"));
    auto *lower = new QWidget(splitter);
    auto *lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);

    auto *hitsBox = new QGroupBox(tr("Hits (click one to tune)"), lower);
    auto *hitsLayout = new QVBoxLayout(hitsBox);
    hitsLayout->setContentsMargins(4, 4, 4, 4);
    m_hitModel = new HitTableModel(this);
    m_hits = new QTableView(hitsBox);
    m_hits->setObjectName(QStringLiteral("Hits"));
    m_hits->setModel(m_hitModel);
    m_hits->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_hits->setSelectionMode(QAbstractItemView::SingleSelection);
    m_hits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_hits->verticalHeader()->hide();
    // Rows as tall as the text, and room for kVisibleHitRows of them.
    const int rowHeight = m_hits->fontMetrics().height() + 4;
    m_hits->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_hits->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_hits->horizontalHeader()->setStretchLastSection(true);
    m_hits->setMinimumHeight(m_hits->horizontalHeader()->sizeHint().height()
        + kVisibleHitRows * rowHeight + 2 * m_hits->frameWidth()
        + m_hits->horizontalScrollBar()->sizeHint().height());
    m_hits->setToolTip(tr("Click a hit to tune the receiver there."));
    const QFontMetrics metrics = m_hits->fontMetrics();
    m_hits->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("23:59:59")) + 16);
    m_hits->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("Frequency (MHz)")) + 12);
    m_hits->setColumnWidth(2, metrics.horizontalAdvance(QStringLiteral("Peak reading")) + 12);
    m_hits->setColumnWidth(3, metrics.horizontalAdvance(QStringLiteral("Mode")) + 16);
    hitsLayout->addWidget(m_hits);
    m_exportButton = new QPushButton(tr("Export CSV…"), hitsBox);
    m_exportButton->setObjectName(QStringLiteral("ExportHits"));
    auto *exportRow = new QHBoxLayout;
    m_notice = new QLabel(hitsBox);
    m_notice->setObjectName(QStringLiteral("SweepNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    exportRow->addWidget(m_notice, 1);
    exportRow->addWidget(m_exportButton);
    hitsLayout->addLayout(exportRow);
    lowerLayout->addWidget(hitsBox, 1);

    auto *settingsBox = new QGroupBox(tr("Sweep"), lower);
    auto *settingsLayout = new QVBoxLayout(settingsBox);
    settingsLayout->setContentsMargins(4, 4, 4, 4);
    lowerLayout->addWidget(settingsBox);
    splitter->addWidget(m_plot);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    layout->addWidget(splitter, 1);

    auto *readout = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("SweepStatus"));
    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("PointerReadout"));
    m_pointer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout->addWidget(m_status, 1);
    readout->addWidget(m_pointer);
    layout->addLayout(readout);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    const SweepSettings &settings = m_sweep.settings();
    m_start = FrequencyBox(QStringLiteral("SweepStart"), kDefaultStartMHz, this);
    m_stop = FrequencyBox(QStringLiteral("SweepStop"), kDefaultStopMHz, this);
    m_step = new QComboBox(this);
    m_step->setObjectName(QStringLiteral("SweepStep"));
    for (const StepRow &row : kStepTable)
        m_step->addItem(QString::fromLatin1(row.caption));
    m_step->setCurrentIndex(kDefaultStepIndex);
    m_dwell = new QSpinBox(this);
    m_dwell->setObjectName(QStringLiteral("SweepDwell"));
    m_dwell->setRange(0, SweepSettings::kMaxDwellMs);
    m_dwell->setValue(settings.dwellMs);
    m_threshold = new QSpinBox(this);
    m_threshold->setObjectName(QStringLiteral("SweepThreshold"));
    m_threshold->setRange(0, 255);
    m_threshold->setValue(settings.threshold);
    m_hold = new QDoubleSpinBox(this);
    m_hold->setObjectName(QStringLiteral("SweepHold"));
    m_hold->setLocale(QLocale::c());
    m_hold->setDecimals(3);
    m_hold->setRange(0, SweepSettings::kMaxHoldMs / 1000.0);
    m_hold->setValue(settings.holdMs / 1000.0);
    m_stopOnSignal = new QCheckBox(tr("Stop on signal"), this);
    m_stopOnSignal->setObjectName(QStringLiteral("StopOnSignal"));
    m_stopOnSignal->setChecked(settings.stopOnSignal);

    // Narrow fields, so that the hits get the width.
    const int fieldWidth
        = m_start->fontMetrics().horizontalAdvance(QStringLiteral("1100.000000")) + 30;
    const std::pair<QString, QWidget *> fields[] = {
        {tr("Start (MHz)"), m_start},
        {tr("Stop (MHz)"), m_stop},
        {tr("Step"), m_step},
        {tr("Dwell (ms)"), m_dwell},
        {tr("Threshold (0–255)"), m_threshold},
        {tr("Hold (s)"), m_hold},
    };
    int row = 0;
    for (const auto &[text, field] : fields) {
        auto *label = new QLabel(text, this);
        label->setBuddy(field);
        field->setMaximumWidth(fieldWidth);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->addWidget(m_stopOnSignal, row, 0, 1, 2);
    grid->setVerticalSpacing(2);
    settingsLayout->addLayout(grid);

    auto *buttons = new QGridLayout;
    buttons->setSpacing(2);
    int buttonCount = 0;
    const auto button = [this, buttons, &buttonCount](const QString &text, const QString &name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        buttons->addWidget(b, buttonCount / 2, buttonCount % 2);
        ++buttonCount;
        return b;
    };
    m_startButton = button(tr("Start"), QStringLiteral("StartSweep"));
    m_stopButton = button(tr("Stop"), QStringLiteral("StopSweep"));
    m_resumeButton = button(tr("Resume"), QStringLiteral("ResumeSweep"));
    m_skipButton = button(tr("Skip"), QStringLiteral("SkipSignal"));
    m_clearButton = new QPushButton(tr("Clear max hold"), this);
    m_clearButton->setObjectName(QStringLiteral("ClearMaxHold"));
    buttons->addWidget(m_clearButton, 2, 0, 1, 2);
    settingsLayout->addLayout(buttons);
    settingsLayout->addStretch(1);

    connect(m_startButton, &QPushButton::clicked, this, &BandActivityWindow::StartSweep);
    connect(m_stopButton, &QPushButton::clicked, &m_sweep, &BandSweep::Stop);
    connect(m_resumeButton, &QPushButton::clicked, &m_sweep, &BandSweep::Resume);
    connect(m_skipButton, &QPushButton::clicked, &m_sweep, &BandSweep::Skip);
    connect(m_clearButton, &QPushButton::clicked, this, [this] {
        m_sweep.ClearMaxHold();
        m_plot->TraceReset();
    });
    connect(m_exportButton, &QPushButton::clicked, this, &BandActivityWindow::ExportHitsAs);
    connect(m_dwell, &QSpinBox::valueChanged, this, &BandActivityWindow::ApplySettingsFromControls);
    connect(
        m_threshold, &QSpinBox::valueChanged, this, &BandActivityWindow::ApplySettingsFromControls);
    connect(m_hold, &QDoubleSpinBox::valueChanged, this,
        &BandActivityWindow::ApplySettingsFromControls);
    connect(
        m_stopOnSignal, &QCheckBox::toggled, this, &BandActivityWindow::ApplySettingsFromControls);
    // The spin boxes step by the sweep's step.
    const auto stepBoxes = [this] {
        const int row = m_step->currentIndex();
        if (row < 0)
            return;
        m_start->setSingleStep(kStepTable[size_t(row)].sizeMHz);
        m_stop->setSingleStep(kStepTable[size_t(row)].sizeMHz);
    };
    connect(m_step, &QComboBox::currentIndexChanged, this, stepBoxes);
    stepBoxes();

    connect(m_plot, &SweepPlot::thresholdDragged, m_threshold, &QSpinBox::setValue);
    connect(m_plot, &SweepPlot::tuneRequested, &m_sweep, &BandSweep::HoldAt);
    connect(m_plot, &SweepPlot::pointerMoved, this, &BandActivityWindow::ShowPointer);
    // A click picks the row; a double-click is the same click twice and tunes only once.
    connect(m_hits, &QTableView::clicked, this, &BandActivityWindow::TuneToHit);
    connect(m_hits, &QTableView::activated, this, &BandActivityWindow::TuneToHit);
}

void BandActivityWindow::WireSweep()
{
    connect(&m_sweep, &BandSweep::started, this, [this] {
        m_passClock.start();
        m_plot->setPlan(m_sweep.plan());
        ShowSweeping();
        UpdateButtons();
    });
    connect(&m_sweep, &BandSweep::stopped, this, [this](const QString &reason) {
        m_plot->setCursorIndex(-1);
        SetStatus(reason.isEmpty() ? tr("Stopped") : tr("Stopped: %1").arg(reason));
        UpdateButtons();
    });
    connect(&m_sweep, &BandSweep::stepStarted, m_plot, &SweepPlot::setCursorIndex);
    connect(&m_sweep, &BandSweep::readingTaken, this, [this](int index) {
        m_plot->PointChanged(index);
        if (index == m_pointerIndex)
            ShowPointer(index);
    });
    connect(&m_sweep, &BandSweep::lockedOut, m_plot, &SweepPlot::PointChanged);
    connect(&m_sweep, &BandSweep::sweepFinished, this, [this] {
        m_plot->RowAdded(int(m_passClock.restart()));
        if (!m_sweep.isHolding())
            ShowSweeping();
    });
    connect(&m_sweep, &BandSweep::holdStarted, this, [this](double frequencyMHz, int reading) {
        if (reading >= 0)
            SetStatus(tr("Holding on %1 MHz: reading %2. Resume goes on, Skip leaves it out.")
                          .arg(MHz(frequencyMHz))
                          .arg(reading));
        else
            SetStatus(tr("Holding on %1 MHz until Resume.").arg(MHz(frequencyMHz)));
        UpdateButtons();
    });
    connect(&m_sweep, &BandSweep::holdEnded, this, [this] {
        if (m_sweep.isRunning())
            ShowSweeping();
        UpdateButtons();
    });
    connect(&m_sweep, &BandSweep::hitRecorded, this, &BandActivityWindow::AddHit);
}

void BandActivityWindow::ShowSettings()
{
    const SweepSettings &settings = m_sweep.settings();
    const QSignalBlocker b1(m_dwell);
    const QSignalBlocker b2(m_threshold);
    const QSignalBlocker b3(m_hold);
    const QSignalBlocker b4(m_stopOnSignal);
    m_dwell->setValue(settings.dwellMs);
    m_threshold->setValue(settings.threshold);
    m_hold->setValue(settings.holdMs / 1000.0);
    m_stopOnSignal->setChecked(settings.stopOnSignal);
    m_plot->setThreshold(settings.threshold);
}

void BandActivityWindow::setPlan(const SweepPlan &plan)
{
    if (plan.PointCount() == 0)
        return;
    m_step->setCurrentIndex(plan.stepIndex);
    m_start->setValue(plan.startMHz());
    m_stop->setValue(plan.stopMHz());
    if (!m_sweep.isRunning())
        m_plot->setPlan(plan);
}

SweepPlanResult BandActivityWindow::PlanFromControls() const
{
    return MakeSweepPlan(m_start->value(), m_stop->value(), m_step->currentIndex());
}

void BandActivityWindow::StartSweep()
{
    const SweepPlanResult result = PlanFromControls();
    if (!result.plan) {
        SetStatus(QString::fromStdString(result.error), true);
        return;
    }
    ApplySettingsFromControls();
    if (!m_sweep.Start(*result.plan))
        SetStatus(tr("The sweep needs the receiver link: press ON on the panel first, and stop "
                     "any scan."),
            true);
}

void BandActivityWindow::ApplySettingsFromControls()
{
    m_sweep.setDwellMs(m_dwell->value());
    m_sweep.setThreshold(m_threshold->value());
    m_sweep.setHoldMs(int(std::lround(m_hold->value() * 1000)));
    m_sweep.setStopOnSignal(m_stopOnSignal->isChecked());
    m_plot->setThreshold(m_threshold->value());
}

void BandActivityWindow::ShowSweeping()
{
    SetStatus(tr("Sweeping %1, sweep %2").arg(PlanText(m_sweep.plan())).arg(m_sweep.pass()));
}

void BandActivityWindow::SetStatus(const QString &text, bool problem)
{
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
}

void BandActivityWindow::ShowProblem(const QString &text)
{
    ShowNotice(text, true);
}

void BandActivityWindow::ShowNotice(const QString &text, bool problem)
{
    // A problem stays until another one replaces it; a plain notice does not hide one.
    if (!problem && m_noticeIsProblem)
        return;
    m_noticeIsProblem = problem;
    m_notice->setText(text);
    m_notice->setStyleSheet(problem ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
}

QString BandActivityWindow::noticeText() const
{
    return m_notice->text();
}

void BandActivityWindow::TuneToHit(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (index.row() == m_lastTunedRow
        && now - m_lastTunedAtMs < QApplication::doubleClickInterval())
        return;
    m_lastTunedRow = index.row();
    m_lastTunedAtMs = now;
    const double frequencyMHz = m_hitModel->FrequencyAt(index.row());
    const SweepPlan &plan = m_sweep.plan();
    // A running sweep holds there, as a click on the plot does; otherwise the receiver is tuned
    // to the hit itself, which an earlier sweep's plan may have and the present one lack.
    if (m_sweep.isRunning() && plan.PointCount() > 0
        && std::abs(plan.FrequencyAt(plan.IndexNearest(frequencyMHz)) - frequencyMHz) < 1e-7) {
        m_sweep.HoldAt(frequencyMHz);
        return;
    }
    emit tuneRequested(frequencyMHz);
}

void BandActivityWindow::setVisible(bool visible)
{
    if (visible && !m_placed && !isVisible()) {
        m_placed = true;
        if (const QWidget *panel = PanelWindow(this)) {
            const QRect available = panel->screen()->availableGeometry();
            const QRect place
                = PlaceBeside(panel->frameGeometry(), size(), minimumSizeHint(), available);
            resize(place.size());
            move(place.topLeft());
        }
    }
    QWidget::setVisible(visible);
}

QString BandActivityWindow::statusText() const
{
    return m_status->text();
}

QString BandActivityWindow::pointerText() const
{
    return m_pointer->text();
}

void BandActivityWindow::UpdateButtons()
{
    m_stopButton->setEnabled(m_sweep.isRunning());
    m_resumeButton->setEnabled(m_sweep.isHolding());
    m_skipButton->setEnabled(m_sweep.isHolding());
}

void BandActivityWindow::ShowPointer(int index)
{
    m_pointerIndex = index;
    const SweepPlan &plan = m_plot->plan();
    if (index < 0 || index >= plan.PointCount()) {
        m_pointer->clear();
        return;
    }
    QString text = MHz(plan.FrequencyAt(index)) + QStringLiteral(" MHz: ");
    const SweepTrace &trace = m_sweep.trace();
    const bool measured = trace.size() == plan.PointCount() && plan == m_sweep.plan();
    const std::int16_t value = measured ? trace.At(index) : kNotMeasured;
    if (value >= 0)
        text += tr("reading %1 (meter %2)").arg(value).arg(SignalLevelForReading(value));
    else if (value == kReadingMissing)
        text += tr("no reading (missing)");
    else if (value == kLockedOut)
        text += tr("locked out");
    else
        text += tr("not measured");
    if (measured && trace.MaxAt(index) >= 0)
        text += tr(", max %1").arg(trace.MaxAt(index));
    m_pointer->setText(text);
}

void BandActivityWindow::AddHit(const SweepHit &hit)
{
    m_hitModel->Add(hit);
}

int BandActivityWindow::hitCount() const
{
    return m_hitModel->rowCount();
}

bool BandActivityWindow::ExportHits(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    m_hitModel->RefreshStrengthTable();
    const std::optional<StrengthCalibration> &table = m_hitModel->strengthTable();
    QByteArray text = QByteArray::fromStdString(HitCsvHeader()) + (table ? ",strength_db\n" : "\n");
    for (const SweepHit &hit : m_hitModel->hits()) {
        text += QByteArray::fromStdString(HitCsvLine(hit));
        if (table)
            text += ',' + QByteArray::number(table->DbForReading(hit.peakReading));
        text += '\n';
    }
    if (file.write(text) != text.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void BandActivityWindow::ExportHitsAs()
{
    const QString folder = m_exportFolder.isEmpty() ? QDir::homePath() : m_exportFolder;
    QFileDialog dialog(this, tr("Export hits"), QDir(folder).filePath(QStringLiteral("hits.csv")),
        tr("CSV files (*.csv);;All files (*)"));
    dialog.setObjectName(QStringLiteral("ExportHitsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    m_exportFolder = QFileInfo(path).absolutePath();
    QString error;
    if (ExportHits(path, &error)) {
        // Beside the hits, so that the sweep's own status stays where it is.
        ShowNotice(tr("%n hit(s) exported to %1", nullptr, hitCount()).arg(path), false);
        return;
    }
    QMessageBox box(QMessageBox::Warning, tr("Export hits"),
        tr("The hits cannot be written to %1:\n%2").arg(path, error), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ExportProblem"));
    box.exec();
}
