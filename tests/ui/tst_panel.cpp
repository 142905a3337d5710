#include "panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

// Twips at 96 dpi: 15 to the pixel.
int Px(int twips)
{
    return qRound(twips / 15.0);
}

QRect TwipRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// What an operator reads on a control.
QString CaptionOf(const QWidget *widget)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    return QStringLiteral("-");
}

// The bounding box of the pixels near one colour (sum of channel differences) in an image.
QRect InkOf(const QImage &image, const QColor &color, int tolerance = 60)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - color.red()) + qAbs(c.green() - color.green())
                    + qAbs(c.blue() - color.blue())
                <= tolerance)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowIsFixed();
    void layout_data();
    void layout();
    void arrays();
    void tabsAlongTheBottom();
    void fonts_data();
    void fonts();
    void accelerators_data();
    void accelerators();
    void lists();
    void designTimeContents();
    void optionGroups();
    void colours_data();
    void colours();
    void textDisplayKeepsAndDrawsItsLine();
    void keypadDisplayShowsWholeDigits();
    void bankNamesClearTheArrow();
    void channelLabelOnTheLineOfItsBox();
    void fullMeterFitsItsArea();
    void lampAndDots();
    void knobIsRoundWithVisibleMarks();
    void knobReportsButtons_data();
    void knobReportsButtons();

private:
    QWidget *named(const QString &name) const { return m_window->findChild<QWidget *>(name); }

    std::unique_ptr<QMainWindow> m_window;
    Panel m_panel;
};

void TestPanel::initTestCase()
{
    // The program runs with the Fusion style; the coloured keys are checked as it draws them.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    m_window = std::make_unique<QMainWindow>();
    m_panel = BuildPanel(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestPanel::windowIsFixed()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("QZ SERIAL REMOTE CONTROL"));
    QCOMPARE(m_window->centralWidget()->size(), QSize(Px(9465), Px(7065)));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->size(), m_window->minimumSize());
    // The status bar runs along the bottom, under the client area and not over it.
    const QRect bar = m_panel.StatusBar1->geometry();
    QCOMPARE(m_window->statusBar(), m_panel.StatusBar1);
    QVERIFY(bar.top() > m_window->centralWidget()->geometry().bottom());
    QCOMPARE(bar.bottom(), m_window->height() - 1);
    // No two controls share a name.
    QStringList names;
    for (auto *widget : m_window->findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_"))
            names << widget->objectName();
    }
    QVERIFY(names.size() > 120);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
}

void TestPanel::layout_data()
{
    QTest::addColumn<QWidget *>("widget"); // as the panel hands it out
    QTest::addColumn<QString>("parent"); // "client", "page N" of the tabs, or a frame's name
    QTest::addColumn<QRect>("twips"); // height -1: the drop-down list's own height
    QTest::addColumn<QString>("caption"); // "-": none to read

    const Panel &p = m_panel;
    auto row = [](QWidget *w, const char *name, const char *parent, QRect r, const char *caption) {
        QTest::newRow(name) << w << QString(parent) << r << QString(caption);
    };
    row(p.SignalStrengthMeter, "SignalStrengthMeter", "client", {120, 240, 9255, 495}, "-");
    row(p.SignalScale, "SignalScale", "client", {120, 720, 9255, 495},
        "   0          1          2          3          4          5          6          7 "
        "         8          9      +20      +40      +60");
    row(p.DisplayFrequency, "DisplayFrequency", "client", {120, 1200, 9255, 1095}, "-");
    row(p.OnOffLabel, "OnOffLabel", "client", {120, 2400, 255, 615}, "-");
    row(p.RadioOn, "RadioOn", "client", {480, 2400, 1335, 615}, "&ON");
    row(p.RadioOff, "RadioOff", "client", {1920, 2400, 1335, 615}, "O&FF");
    row(p.FrequencyUp, "FrequencyUp", "client", {3360, 2400, 1335, 615}, "&UP");
    row(p.FrequencyDown, "FrequencyDown", "client", {4800, 2400, 1335, 615}, "&DOWN");
    row(p.Direct, "Direct", "client", {6240, 2400, 1335, 615}, "DI&RECT");
    row(p.Scan, "Scan", "client", {7680, 2400, 1335, 615}, "SC&AN");
    row(p.ScanLabel, "ScanLabel", "client", {9120, 2400, 255, 615}, "-");
    row(p.SSTab1, "SSTab1", "client", {120, 3120, 9255, 3855}, "-");

    row(p.SquelchFrame, "SquelchFrame", "page 0", {360, 120, 2775, 855}, "Squelch");
    row(p.Squelch, "Squelch", "SquelchFrame", {240, 480, 2295, 255}, "-");
    row(p.Label3, "Label3", "page 0", {3720, 120, 1335, 210}, "TUNING STEP");
    row(p.TuningStepFrame, "TuningStepFrame", "page 0", {3240, 360, 2175, 615}, "");
    row(p.TuningStep, "TuningStep", "TuningStepFrame", {120, 120, 1935, -1}, "-");
    row(p.Label2, "Label2", "page 0", {3960, 960, 735, 210}, "SIGNAL");
    row(p.ImproveSignalFrame, "ImproveSignalFrame", "page 0", {3240, 1200, 2175, 495}, "");
    row(p.AFC, "AFC", "ImproveSignalFrame", {240, 120, 855, 255}, "AFC");
    row(p.AGC, "AGC", "ImproveSignalFrame", {1200, 120, 855, 255}, "AGC");
    row(p.ModeFrame, "ModeFrame", "page 0", {5520, 120, 1335, 2535}, "Mode");
    row(p.Mode[0], "AM", "ModeFrame", {240, 360, 975, 315}, "AM");
    row(p.Mode[1], "FM", "ModeFrame", {240, 720, 975, 315}, "FM");
    row(p.Mode[2], "WFM", "ModeFrame", {240, 1080, 975, 315}, "PLS");
    row(p.Mode[3], "USB", "ModeFrame", {240, 1440, 975, 315}, "USB");
    row(p.Mode[4], "LSB", "ModeFrame", {240, 1800, 975, 315}, "LSB");
    row(p.Mode[5], "CW", "ModeFrame", {240, 2160, 975, 315}, "CW");
    row(p.FilterFrame, "FilterFrame", "page 0", {6960, 120, 1935, 2295}, "Filter");
    row(p.Filter[0], "Filter1", "FilterFrame", {240, 480, 1575, 315}, "10 KHz");
    row(p.Filter[1], "Filter2", "FilterFrame", {240, 840, 1575, 315}, "50 KHz");
    row(p.Filter[2], "Filter3", "FilterFrame", {240, 1200, 1575, 315}, "100 KHz");
    row(p.Filter[3], "Filter4", "FilterFrame", {240, 1560, 1575, 315}, "300 KHz");
    row(p.Filter[4], "Filter5", "FilterFrame", {240, 1920, 1575, 315}, "1 MHz");
    row(p.Label1, "Label1", "page 0", {120, 2950, 615, 315}, "Channel");
    row(p.Channelnum, "Channelnum", "page 0", {840, 2950, 2400, 315}, "1");

    row(p.CodesOutFrame, "CodesOutFrame", "page 1", {360, 120, 4215, 3135}, "  CODES OUT");
    row(p.CodesOut, "CodesOut", "CodesOutFrame", {120, 240, 3975, 2790}, "-");
    row(p.CodesInFrame, "CodesInFrame", "page 1", {4680, 120, 4215, 3135}, "  CODES IN");
    row(p.CodesIn, "CodesIn", "CodesInFrame", {120, 240, 3975, 2790}, "-");

    row(p.KeypadFrame[1], "KeypadFrame1", "page 2", {480, 120, 5055, 1095}, "");
    row(p.KeypadFrequency, "KeypadFrequency", "KeypadFrame1", {120, 120, 4815, 495}, "-");
    row(p.TuningKnobFrame, "TuningKnobFrame", "page 2", {480, 840, 5055, 2055}, "Tuning Knob");
    row(p.TuningKnob, "TuningKnob", "TuningKnobFrame", {2280, 240, 1935, 1695}, "-");
    row(p.TuningKnobMark[0], "TuningKnobMark0", "TuningKnob", {480, 1080, 255, 255}, "-");
    row(p.TuningKnobMark[2], "TuningKnobMark2", "TuningKnob", {360, 600, 255, 255}, "-");
    row(p.TuningKnobMark[4], "TuningKnobMark4", "TuningKnob", {720, 240, 255, 255}, "-");
    row(p.TuningKnobMark[7], "TuningKnobMark7", "TuningKnob", {1320, 600, 255, 255}, "-");
    row(p.TuningKnobMark[10], "TuningKnobMark10", "TuningKnob", {960, 1200, 255, 255}, "-");
    row(p.KeypadFrame[0], "KeypadFrame0", "page 2", {5760, 0, 3015, 3015}, "");
    row(p.Keypad[12], "Keypad12", "KeypadFrame0", {120, 2520, 2775, 405}, "ENTER");

    row(p.MemoryFrame, "MemoryFrame", "page 3", {360, 120, 8535, 3135}, "");
    row(p.MemoryBanks, "MemoryBanks", "MemoryFrame", {360, 240, 3375, -1}, "-");
    row(p.ScanBank, "ScanBank", "MemoryFrame", {3960, 240, 2055, 435}, "Scan Bank");
    row(p.EditMemory, "EditMemory", "MemoryFrame", {6240, 240, 2055, 435}, "Edit Memory");
    row(p.NBofMemory, "NBofMemory", "MemoryFrame", {360, 840, 255, 255}, "32");
}

void TestPanel::layout()
{
    QFETCH(QWidget *, widget);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->objectName(), name);
    QCOMPARE(named(name), widget);

    QWidget *expectedParent = named(parent);
    if (parent == "client")
        expectedParent = m_window->centralWidget();
    else if (parent.startsWith("page "))
        expectedParent = m_panel.SSTab1->widget(parent.mid(5).toInt());
    QCOMPARE(widget->parentWidget(), expectedParent);

    const int height = twips.height() < 0 ? widget->height() : Px(twips.height());
    QCOMPARE(widget->geometry(), QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), height));
    QVERIFY(widget->geometry().bottom() < widget->parentWidget()->height());
    QCOMPARE(CaptionOf(widget), caption);
}

void TestPanel::arrays()
{
    // Memory(n): rows A to D, columns 1 to 8, filled row by row; headings beside and above.
    QVERIFY(m_panel.Memory[0] == nullptr);
    for (int n = 1; n <= 32; ++n) {
        const int row = (n - 1) / 8;
        const int column = (n - 1) % 8;
        QPushButton *memory = m_panel.Memory[n];
        QCOMPARE(memory, named(QStringLiteral("Memory%1").arg(n)));
        QCOMPARE(memory->parentWidget(), m_panel.MemoryFrame);
        QCOMPARE(memory->geometry(), TwipRect(720 + 960 * column, 1200 + 480 * row, 855, 375));
        QCOMPARE(memory->text(), QStringLiteral("EMPTY"));
        QLabel *heading = m_panel.MemoryLabel[4 + column];
        QCOMPARE(heading->objectName(), QStringLiteral("MemoryLabel%1").arg(4 + column));
        QCOMPARE(heading->text(), QString::number(column + 1));
        QCOMPARE(heading->geometry().topLeft(), QPoint(Px(1080 + 960 * column), Px(840)));
        QVERIFY(qAbs(heading->geometry().center().x() - memory->geometry().center().x()) <= 1);
        QLabel *side = m_panel.MemoryLabel[row];
        QCOMPARE(side->objectName(), QStringLiteral("MemoryLabel%1").arg(row));
        QCOMPARE(side->text(), QString(QChar('A' + row)));
        QCOMPARE(side->geometry().topLeft(), QPoint(Px(360), Px(1200 + 480 * row)));
    }
    // Keypad(i): telephone order, top row first; a digit's index is the digit itself.
    const QStringList keys {"1", "2", "3", "4", "5", "6", "7", "8", "9", ".", "0", "CLS"};
    const QMap<QString, int> index {{".", 10}, {"CLS", 11}};
    for (int k = 0; k < keys.size(); ++k) {
        QPushButton *key = m_panel.Keypad[index.value(keys[k], keys[k].toInt())];
        QCOMPARE(key->text(), keys[k]);
        QCOMPARE(key->objectName(),
            QStringLiteral("Keypad%1").arg(index.value(keys[k], keys[k].toInt())));
        QCOMPARE(key->parentWidget(), m_panel.KeypadFrame[0]);
        QCOMPARE(key->geometry(), TwipRect(120 + 960 * (k % 3), 120 + 600 * (k / 3), 855, 495));
    }
    for (int i = 0; i < 12; ++i) {
        QCOMPARE(m_panel.TuningKnobMark[i], m_panel.TuningKnob->mark(i));
        QCOMPARE(
            m_panel.TuningKnobMark[i]->objectName(), QStringLiteral("TuningKnobMark%1").arg(i));
        QCOMPARE(m_panel.TuningKnobMark[i]->size(), QSize(Px(255), Px(255)));
    }
    QCOMPARE(m_panel.Dot[2]->objectName(), QStringLiteral("Dot2"));
    QCOMPARE(m_panel.Dot[3]->objectName(), QStringLiteral("Dot3"));
    QVERIFY(m_panel.Dot[0] == nullptr && m_panel.Dot[1] == nullptr);
}

void TestPanel::tabsAlongTheBottom()
{
    QTabWidget *tabs = m_panel.SSTab1;
    QCOMPARE(tabs->tabPosition(), QTabWidget::South);
    const QStringList captions {" &MAIN", " &CODES", " &KEYPAD", " MEMOR&Y", " &LOAD", " O&PTIONS"};
    QCOMPARE(tabs->count(), captions.size());
    const QRect bar = tabs->tabBar()->geometry();
    QVERIFY(bar.bottom() >= tabs->height() - 3);
    for (int i = 0; i < captions.size(); ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->tabBar()->tabRect(i).top(), tabs->tabBar()->tabRect(0).top());
        // No control of a page reaches into the tab row.
        for (auto *child : tabs->widget(i)->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY(child->geometry().bottom() < Px(3265));
            QVERIFY(child->mapTo(tabs, QPoint(0, child->height())).y() <= bar.top());
        }
    }
    QVERIFY(tabs->tabBar()->tabRect(captions.size() - 1).right() < tabs->width());
}

void TestPanel::fonts_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QStringList>("faces"); // what may stand in for it on the screen

    const QStringList sans {"Arial", "Liberation Sans", "Arimo"};
    const QStringList mono {"Courier New", "Liberation Mono", "Cousine"};
    auto row
        = [](const char *name, const char *family, double points, bool bold, QStringList faces) {
              QTest::newRow(name) << QString(family) << points << bold << faces;
          };
    row("SignalStrengthMeter", "MS Sans Serif", 24, true, sans);
    row("SignalScale", "Arial", 11.25, false, sans);
    row("Scan", "Arial", 15.75, true, sans);
    row("TuningStep", "Microsoft Sans Serif", 12, false, sans);
    row("CodesIn", "Courier New", 8.25, false, mono);
    row("KeypadFrequency", "Arial", 36, true, sans);
    row("Keypad7", "Arial", 20.25, true, sans);
    row("Keypad10", "Arial", 33, true, sans);
    row("MemoryBanks", "Arial", 15.75, true, sans);
    row("NBofMemory", "Comic Sans MS", 9.75, false,
        {"Comic Sans MS", "Comic Neue", "Liberation Sans"});
}

void TestPanel::fonts()
{
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QStringList, faces);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QFont font = named(name)->font();
    // The design's face, or where it is not installed the stand-in the panel names instead.
    QVERIFY2(font.family() == family || faces.contains(font.family()), qPrintable(font.family()));
    // The bank list's font is made a little smaller where its names would run under the arrow.
    if (name == QLatin1String("MemoryBanks"))
        QVERIFY2(font.pointSizeF() <= points && font.pointSizeF() >= points - 1.0,
            qPrintable(QString::number(font.pointSizeF())));
    else
        QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);
    const QFontInfo shown(font);
    QVERIFY2(faces.contains(shown.family()), qPrintable(shown.family()));
    QCOMPARE(shown.bold(), bold);
    QCOMPARE(shown.fixedPitch(), family == "Courier New"); // the logs' columns line up
}

void TestPanel::accelerators_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("page"); // -1: a button's key
    QTest::addColumn<QString>("button");
    QTest::newRow("Alt+K") << int(Qt::Key_K) << 2 << QString();
    QTest::newRow("Alt+Y") << int(Qt::Key_Y) << 3 << QString();
    QTest::newRow("Alt+M") << int(Qt::Key_M) << 0 << QString();
    QTest::newRow("Alt+O") << int(Qt::Key_O) << -1 << "RadioOn";
    QTest::newRow("Alt+R") << int(Qt::Key_R) << -1 << "Direct";
    QTest::newRow("Alt+A") << int(Qt::Key_A) << -1 << "Scan";
}

void TestPanel::accelerators()
{
    QFETCH(int, key);
    QFETCH(int, page);
    QFETCH(QString, button);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    if (page >= 0) {
        m_panel.SSTab1->setCurrentIndex(page == 0 ? 1 : 0);
        QTest::keyClick(m_window.get(), Qt::Key(key), Qt::AltModifier);
        QCOMPARE(m_panel.SSTab1->currentIndex(), page);
    } else {
        QSignalSpy clicks(qobject_cast<QPushButton *>(named(button)), &QPushButton::clicked);
        QTest::keyClick(m_window.get(), Qt::Key(key), Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 1);
    }
}

void TestPanel::lists()
{
    const QStringList steps {"1 Hz", "10 Hz", "20 Hz", "50 Hz", "100 Hz", "500 Hz", "1 KHz",
        "2.5 KHz", "5 KHz", "6.25 KHz", "9 KHz", "10 KHz", "12.5 KHz", "20 KHz", "25 KHz", "30 KHz",
        "50 KHz", "100 KHz", "500 KHz", "1 MHz", "10 MHz"};
    QCOMPARE(m_panel.TuningStep->count(), steps.size());
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(m_panel.TuningStep->itemText(i), steps[i]);

    QComboBox *banks = m_panel.MemoryBanks;
    QCOMPARE(banks->count(), 99);
    QCOMPARE(banks->itemText(0), QStringLiteral("MEMORY BANK #01"));
    QCOMPARE(banks->itemText(8), QStringLiteral("MEMORY BANK #09"));
    QCOMPARE(banks->itemText(9), QStringLiteral("MEMORY BANK #10"));
    QCOMPARE(banks->itemText(98), QStringLiteral("MEMORY BANK #99"));
    for (int i = 0; i < banks->count(); ++i) {
        QCOMPARE(banks->itemText(i).size(), 15);
        QCOMPARE(banks->itemText(i).left(13), QStringLiteral("MEMORY BANK #"));
        QCOMPARE(banks->itemText(i).right(2).toInt(), i + 1);
    }
    QVERIFY(!banks->isEditable() && !m_panel.TuningStep->isEditable());
}

void TestPanel::designTimeContents()
{
    QCOMPARE(m_panel.Squelch->orientation(), Qt::Horizontal);
    QCOMPARE(m_panel.Squelch->minimum(), 0);
    QCOMPARE(m_panel.Squelch->maximum(), 40);
    // The two dots stand just beyond the ends of the squelch bar, inside its frame.
    const QRect bar = m_panel.Squelch->geometry();
    const QRect low = m_panel.Dot[2]->geometry();
    const QRect high = m_panel.Dot[3]->geometry();
    QCOMPARE(low.size(), QSize(14, 14));
    QCOMPARE(high.size(), QSize(14, 14));
    QVERIFY(low.right() < bar.left() && bar.left() - low.right() <= 3);
    QVERIFY(high.left() > bar.right() && high.left() - bar.right() <= 3);
    QVERIFY(qAbs(low.center().y() - bar.center().y()) <= 1);
    QVERIFY(
        m_panel.SquelchFrame->rect().contains(high) && m_panel.SquelchFrame->rect().contains(low));
    for (QListView *log : {m_panel.CodesOut, m_panel.CodesIn})
        QVERIFY(log->uniformItemSizes());
    QCOMPARE(m_panel.OnOffLabel->color(), QColor(128, 0, 0));
    QCOMPARE(m_panel.ScanLabel->color(), QColor(128, 0, 0));

    // Seven empty status panels, left to right, of the given widths, each wide enough for its
    // longest text; the link's panel last.
    const int widthsTwips[] = {80, 2800, 1400, 1000, 400, 1000, 1620};
    const char *const longest[] = {"", "", "", "12.5 KHz", "USB", "300 KHz", "MEMORY BANK #99"};
    QVERIFY(m_panel.StatusPanel[0] == nullptr);
    int left = -1;
    for (int i = 1; i <= 7; ++i) {
        QLabel *panel = m_panel.StatusPanel[i];
        QVERIFY(panel->isVisible() && panel->text().isEmpty());
        QCOMPARE(panel->width(), Px(widthsTwips[i - 1]));
        const int needed
            = panel->fontMetrics().horizontalAdvance(QString::fromLatin1(longest[i - 1]));
        QVERIFY2(needed <= panel->contentsRect().width(),
            qPrintable(QStringLiteral("%1: %2 px of %3")
                           .arg(QString::fromLatin1(longest[i - 1]))
                           .arg(needed)
                           .arg(panel->contentsRect().width())));
        const QRect inBar(panel->mapTo(m_panel.StatusBar1, QPoint(0, 0)), panel->size());
        QVERIFY(inBar.left() > left);
        QVERIFY(m_panel.StatusBar1->rect().contains(inBar));
        left = inBar.right();
    }
    const QRect link(m_panel.LinkStatePanel->mapTo(m_panel.StatusBar1, QPoint(0, 0)),
        m_panel.LinkStatePanel->size());
    QVERIFY(link.left() > left && m_panel.StatusBar1->rect().contains(link));
}

void TestPanel::optionGroups()
{
    m_panel.SSTab1->setCurrentIndex(0);
    QTest::mouseClick(m_panel.Mode[0], Qt::LeftButton);
    QTest::mouseClick(m_panel.Filter[1], Qt::LeftButton);
    QVERIFY(m_panel.Mode[0]->isChecked() && m_panel.Filter[1]->isChecked());
    QTest::mouseClick(m_panel.Mode[2], Qt::LeftButton);
    QVERIFY(m_panel.Mode[2]->isChecked() && !m_panel.Mode[0]->isChecked());
    QVERIFY(m_panel.Filter[1]->isChecked());
    QTest::mouseClick(m_panel.Filter[4], Qt::LeftButton);
    QVERIFY(m_panel.Filter[4]->isChecked() && !m_panel.Filter[1]->isChecked());
    QVERIFY(m_panel.Mode[2]->isChecked());
    // AFC and AGC are independent check boxes.
    QTest::mouseClick(m_panel.AFC, Qt::LeftButton);
    QVERIFY(m_panel.AFC->isChecked() && !m_panel.AGC->isChecked());
    QTest::mouseClick(m_panel.AFC, Qt::LeftButton);
}

void TestPanel::colours_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("Memory1") << 3 << QColor(192, 192, 255);
    QTest::newRow("ScanBank") << 3 << QColor(192, 192, 255);
    QTest::newRow("MemoryBanks") << 3 << QColor(192, 192, 255);
    QTest::newRow("Keypad1") << 2 << QColor(128, 128, 255);
    QTest::newRow("Keypad10") << 2 << QColor(128, 128, 255);
    QTest::newRow("Keypad12") << 2 << QColor(192, 192, 192);
    QTest::newRow("TuningStep") << 0 << QColor(224, 224, 224);
}

void TestPanel::colours()
{
    QFETCH(int, page);
    QFETCH(QColor, colour);
    m_panel.SSTab1->setCurrentIndex(page);
    QWidget *widget = named(QString::fromLatin1(QTest::currentDataTag()));
    // The middle of the face, left of the caption.
    const QColor face = widget->grab().toImage().pixelColor(5, widget->height() / 2);
    QVERIFY2(qAbs(face.red() - colour.red()) <= 8 && qAbs(face.green() - colour.green()) <= 8
            && qAbs(face.blue() - colour.blue()) <= 8,
        qPrintable(face.name()));
    // And the frames around stay the panel's grey.
    QCOMPARE(widget->parentWidget()->palette().color(QPalette::Window), QColor(192, 192, 192));
}

void TestPanel::textDisplayKeepsAndDrawsItsLine()
{
    TextDisplay display;
    display.resize(200, 40);
    display.setFont(PanelFont("Arial", 18));
    display.setTextColor(Qt::red);
    display.setLine(" 88");
    QCOMPARE(display.line(), QStringLiteral(" 88"));
    QImage image = display.grab().toImage();
    const QRect ink = InkOf(image, Qt::red);
    // From the top left, after the leading space; the rest stays black.
    QVERIFY(ink.left() > 2 && ink.left() < 15 && ink.right() < 60 && ink.top() < 15);
    QCOMPARE(image.pixelColor(150, 20), QColor(Qt::black));

    display.setTextColor(Qt::cyan);
    QCOMPARE(display.textColor(), QColor(Qt::cyan));
    image = display.grab().toImage();
    QVERIFY(InkOf(image, Qt::red).isEmpty() && !InkOf(image, Qt::cyan).isEmpty());
    // A shorter line clears what the longer one drew.
    display.setLine(" 8");
    QVERIFY(InkOf(display.grab().toImage(), Qt::cyan).right() < ink.right() - 5);
    display.setLine(QString());
    QVERIFY(InkOf(display.grab().toImage(), Qt::cyan).isEmpty());
}

void TestPanel::keypadDisplayShowsWholeDigits()
{
    // Its font is taller than the area: the digits are drawn whole, in the middle, with black
    // above and below them, and still fill most of the height.
    m_panel.SSTab1->setCurrentIndex(2);
    TextDisplay *display = m_panel.KeypadFrequency;
    for (const QString line : {"1100.00000", "8888", "0.5"}) {
        display->setLine(line);
        const QImage image = display->grab().toImage();
        const QRect ink = InkOf(image, Qt::cyan, 120);
        const int above = ink.top();
        const int below = image.height() - 1 - ink.bottom();
        const QString where
            = QStringLiteral("%1: %2 above, %3 below").arg(line).arg(above).arg(below);
        QVERIFY2(above >= 1 && below >= 1, qPrintable(where));
        QVERIFY2(qAbs(above - below) <= 2, qPrintable(where));
        QVERIFY2(ink.height() >= image.height() - 8, qPrintable(where));
        QVERIFY(ink.right() < image.width() - 1);
    }
    display->setLine(QString());
}

void TestPanel::bankNamesClearTheArrow()
{
    // Every bank's name fits the list's text field, so no digit hides under the arrow, and the
    // list is as tall as its font wants, once the list is on screen.
    QComboBox *banks = m_panel.MemoryBanks;
    m_panel.SSTab1->setCurrentIndex(3);
    QVERIFY(banks->height() >= banks->sizeHint().height());
    QStyleOptionComboBox option;
    option.initFrom(banks);
    option.rect = banks->rect();
    option.frame = true;
    option.subControls = QStyle::SC_All;
    const QRect field = banks->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, banks);
    const QRect arrow = banks->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, banks);
    QVERIFY(field.right() < arrow.left());
    const QFontMetrics metrics(banks->font());
    for (int i = 0; i < banks->count(); ++i)
        QVERIFY2(metrics.horizontalAdvance(banks->itemText(i)) < field.width(),
            qPrintable(banks->itemText(i)));
    // Drawn: the last digit's ink ends before the arrow begins.
    banks->setCurrentIndex(1);
    const QImage image = banks->grab().toImage();
    banks->setCurrentIndex(0);
    QRect text;
    for (int y = field.top(); y <= field.bottom(); ++y) {
        for (int x = field.left(); x < arrow.left(); ++x) {
            if (qGray(image.pixel(x, y)) < 60)
                text |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(text.width() > field.width() / 2);
    QVERIFY2(text.right() < arrow.left() - 2,
        qPrintable(
            QStringLiteral("text to %1, arrow from %2").arg(text.right()).arg(arrow.left())));
}

void TestPanel::channelLabelOnTheLineOfItsBox()
{
    // "Channel" and the "1" in the box beside it stand on one baseline.
    m_panel.SSTab1->setCurrentIndex(0);
    QWidget *page = m_panel.SSTab1->widget(0);
    const QImage image = page->grab().toImage();
    auto inkBottom = [&image](const QRect &area) {
        int bottom = -1;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (qGray(image.pixel(x, y)) < 90)
                    bottom = y;
            }
        }
        return bottom;
    };
    const QRect label = m_panel.Label1->geometry();
    // The digit only: inside the box's frame, left of any cursor.
    const QRect box = m_panel.Channelnum->geometry().adjusted(3, 3, -3, -3);
    const QRect digit(box.left(), box.top(), 12, box.height());
    const int labelBaseline = inkBottom(label);
    const int boxBaseline = inkBottom(digit);
    QVERIFY(labelBaseline > 0 && boxBaseline > 0);
    QVERIFY2(qAbs(labelBaseline - boxBaseline) <= 1,
        qPrintable(QStringLiteral("label %1, box %2").arg(labelBaseline).arg(boxBaseline)));
}

void TestPanel::fullMeterFitsItsArea()
{
    // Drawn as readings are: the bars' spacing comes with the first reading that has bars.
    TextDisplay *meter = m_panel.SignalStrengthMeter;
    const auto inkAt = [meter](int level) {
        DrawSignalMeter(*meter, level);
        return InkOf(meter->grab().toImage(), meter->textColor(), 200);
    };
    const QRect full = inkAt(128);
    const QRect hundred = inkAt(100);
    QVERIFY(inkAt(0).isEmpty());
    // All 128 bars are seen, and they fill most of the width.
    QVERIFY(full.right() < meter->width() - 1);
    QVERIFY(full.right() > meter->width() * 9 / 10);
    QVERIFY(hundred.right() < full.right() - 100);
}

void TestPanel::lampAndDots()
{
    Lamp *lamp = m_panel.ScanLabel;
    const QPoint middle = lamp->rect().center();
    QCOMPARE(lamp->grab().toImage().pixelColor(middle), QColor(128, 0, 0));
    lamp->setColor(QColor(255, 255, 0));
    QCOMPARE(lamp->grab().toImage().pixelColor(middle), QColor(255, 255, 0));
    lamp->setColor(QColor(128, 0, 0));

    m_panel.SSTab1->setCurrentIndex(0);
    DotPicture *dot = m_panel.Dot[3];
    QSignalSpy clicks(dot, &DotPicture::clicked);
    QTest::mouseClick(dot, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QTest::mouseClick(dot, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);
    // Let go outside the dot: no click.
    QTest::mousePress(dot, Qt::LeftButton);
    QTest::mouseRelease(dot, Qt::LeftButton, {}, QPoint(40, 5));
    QCOMPARE(clicks.count(), 1);
    QTest::mouseClick(m_panel.Dot[2], Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

void TestPanel::knobIsRoundWithVisibleMarks()
{
    m_panel.SSTab1->setCurrentIndex(2);
    TuningKnobArea *knob = m_panel.TuningKnob;
    QImage image = knob->grab().toImage();
    const QColor background = image.pixelColor(1, 1);
    // The knob's circles are round: the corners and the far left show the frame behind.
    QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), background);
    QCOMPARE(image.pixelColor(Px(60), Px(847)), background);
    QVERIFY(image.pixelColor(Px(220), Px(847)) != background);
    QVERIFY(image.pixelColor(Px(967), Px(847)) != background);
    for (QWidget *mark : m_panel.TuningKnobMark)
        QCOMPARE(image.pixelColor(mark->geometry().center()), QColor(Qt::white));
    knob->mark(3)->hide();
    image = knob->grab().toImage();
    QVERIFY(image.pixelColor(knob->mark(3)->geometry().center()) != QColor(Qt::white));
    knob->mark(3)->show();
}

void TestPanel::knobReportsButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("mark"); // -1: the middle of the knob
    QTest::newRow("left") << int(Qt::LeftButton) << 1 << -1;
    QTest::newRow("right") << int(Qt::RightButton) << 2 << -1;
    QTest::newRow("middle") << int(Qt::MiddleButton) << 4 << -1;
    QTest::newRow("back") << int(Qt::BackButton) << 0 << -1;
    QTest::newRow("left on mark 0") << int(Qt::LeftButton) << 1 << 0;
    QTest::newRow("right on mark 5") << int(Qt::RightButton) << 2 << 5;
    QTest::newRow("middle on mark 9") << int(Qt::MiddleButton) << 4 << 9;
}

void TestPanel::knobReportsButtons()
{
    QFETCH(int, button);
    QFETCH(int, reported);
    QFETCH(int, mark);
    m_panel.SSTab1->setCurrentIndex(2);
    TuningKnobArea *knob = m_panel.TuningKnob;
    QWidget *target = mark < 0 ? static_cast<QWidget *>(knob) : knob->mark(mark);
    // Through the window, as a real click comes: whatever is under the pointer gets it.
    const QPoint at = target->mapTo(m_window.get(), target->rect().center());
    QSignalSpy presses(knob, &TuningKnobArea::pressed);
    QSignalSpy releases(knob, &TuningKnobArea::released);
    QTest::mousePress(m_window->windowHandle(), Qt::MouseButton(button), {}, at);
    QCOMPARE(presses.count(), 1);
    QCOMPARE(presses.at(0).at(0).toInt(), reported);
    QCOMPARE(releases.count(), 0);
    QTest::mouseRelease(m_window->windowHandle(), Qt::MouseButton(button), {}, at);
    QCOMPARE(releases.count(), 1);
    QCOMPARE(presses.count(), 1);
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
