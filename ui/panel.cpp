#include "panel.h"
#include "tunedstate.h"

#include "memoryfile.h"
#include "options.h"
#include "replyparser.h"
#include "steptable.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int kChannelBoxWidthTwips = 2400;

constexpr int kClientWidthTwips = 9465;
constexpr int kClientHeightTwips = 7065;
constexpr int kStatusBarHeightTwips = 300;

// Every bar of the signal meter is this wide, so that a full reading of 128 bars runs out to the
// "+60" of the scale underneath.
constexpr int kMeterBarPitchTwips = 70;
constexpr QLatin1Char kMeterBar('|');

const QColor kPanelGrey(192, 192, 192);
const QColor kMemoryBlue(192, 192, 255);
const QColor kKeypadBlue(128, 128, 255);
const QColor kListGrey(224, 224, 224);
const QColor kDarkRed(128, 0, 0);

// Widths of the status bar's seven panels, left to right, and of the link's panel at the right
// end. The link's panel takes its room from the mode's and the bank's, which are wider than their
// longest texts ("PLS", "MEMORY BANK #99"), so the bar keeps its length.
constexpr std::array<int, 7> kStatusPanelWidthsTwips {80, 2800, 1400, 1000, 400, 1000, 1620};
constexpr int kLinkPanelWidthTwips = 970;

// Tabs share the bar's width equally, one row across the whole container.
class PanelTabBar : public QTabBar
{
public:
    explicit PanelTabBar(QWidget *parent)
        : QTabBar(parent)
    { }

protected:
    // The tabs carry text only, so all are as high as one line of it: measured once, not for each
    // tab at every layout of the bar. Their width is the bar's share.
    QSize tabSizeHint(int index) const override
    {
        if (count() == 0 || parentWidget() == nullptr)
            return QTabBar::tabSizeHint(index);
        if (m_height < 0)
            m_height = QTabBar::tabSizeHint(index).height();
        return QSize(parentWidget()->width() / count(), m_height);
    }

    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_height = -1;
        QTabBar::changeEvent(event);
    }

private:
    mutable int m_height = -1;
};

class PanelTabWidget : public QTabWidget
{
public:
    explicit PanelTabWidget(QWidget *parent)
        : QTabWidget(parent)
    {
        setTabBar(new PanelTabBar(this));
    }
};

template<typename Widget>
Widget *Place(Widget *widget, const QString &name, const QRect &rect)
{
    widget->setObjectName(name);
    widget->setGeometry(rect);
    return widget;
}

// Fusion shades a button or a closed drop-down list from a paler, greyer version of its palette
// colour. The panel's coloured keys and lists have to show the colour itself, so their face is
// painted over in it: the colour across the middle, a touch lighter at the top and darker at the
// bottom for relief, darker all over while held down.
class TintedFaceStyle : public QProxyStyle
{
public:
    explicit TintedFaceStyle(QStyle *base)
        : QProxyStyle(base)
    { }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_PanelButtonCommand)
            return;
        const QColor color = option->palette.color(QPalette::Button);
        const QRectF face = QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        if (option->state & (State_Sunken | State_On)) {
            painter->setBrush(color.darker(112));
        } else {
            QLinearGradient shade(face.topLeft(), face.bottomLeft());
            shade.setColorAt(0.0, color.lighter(110));
            shade.setColorAt(0.35, color);
            shade.setColorAt(0.65, color);
            shade.setColorAt(1.0, color.darker(108));
            painter->setBrush(shade);
        }
        painter->drawRoundedRect(face, 1.5, 1.5);
        painter->restore();
    }
};

// Gives a button or a drop-down list a face of its own colour.
void Tint(QWidget *widget, const QColor &color, QStyle *tintedStyle)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Button, color);
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
    widget->setStyle(tintedStyle);
}

QPushButton *MakeButton(QWidget *parent, const QString &name, const QString &caption,
    const QRect &rect, const QFont &font)
{
    auto *button = Place(new QPushButton(caption, parent), name, rect);
    button->setFont(font);
    button->setAutoDefault(false);
    return button;
}

QPushButton *MakeKey(QWidget *parent, const QString &name, const QString &caption,
    const QRect &rect, const QFont &font)
{
    auto *key = Place(new KeyButton(caption, parent), name, rect);
    key->setFont(font);
    key->setAutoDefault(false);
    return key;
}

QGroupBox *MakeFrame(QWidget *parent, const QString &name, const QString &title, const QRect &rect)
{
    auto *frame = Place(new QGroupBox(title, parent), name, rect);
    // Opaque, so a frame laid over another hides what it covers.
    frame->setAutoFillBackground(true);
    return frame;
}

QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &rect)
{
    auto *label = Place(new QLabel(text, parent), name, rect);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

TextDisplay *MakeDisplay(
    QWidget *parent, const QString &name, const QRect &rect, const QFont &font, QColor color)
{
    auto *display = Place(new TextDisplay(parent), name, rect);
    display->setFont(font);
    display->setTextColor(color);
    return display;
}

QListView *MakeLog(QWidget *parent, const QString &name, const QRect &rect)
{
    auto *log = Place(new QListView(parent), name, rect);
    log->setFont(PanelFont(QStringLiteral("Courier New"), 8.25));
    log->setUniformItemSizes(true);
    log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return log;
}

// The panel places its lists itself and takes only their height from the size hint, which then
// need not measure every entry's width (the bank list has 99 of them).
void MeasureNoEntries(QComboBox *list)
{
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

// Makes the list's font smaller where its widest entry would run under the drop-down arrow: the
// panel's fonts may be replaced by wider ones where they are not installed.
void FitEntriesToWidth(QComboBox *list)
{
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.rect = list->rect();
    option.frame = true;
    option.subControls = QStyle::SC_All;
    // The label is drawn a few pixels in from the field's edges.
    constexpr int kLabelMarginPixels = 4;
    const int room
        = list->style()
              ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
              .width()
        - kLabelMarginPixels;
    QFont font = list->font();
    auto widest = [list](const QFont &f) {
        const QFontMetrics metrics(f);
        int width = 0;
        for (int i = 0; i < list->count(); ++i)
            width = std::max(width, metrics.horizontalAdvance(list->itemText(i)));
        return width;
    };
    while (widest(font) > room && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    list->setFont(font);
}

// Sizes the list once it is first shown rather than while the panel is built: the bank list is
// not in the first frame. Its height is its font's, and measuring that loads the font; its 99
// names, measured again at each smaller size tried, are the costliest part of building the panel.
class FitWhenFirstShown : public QObject
{
public:
    explicit FitWhenFirstShown(QComboBox *list)
        : QObject(list)
    {
        list->installEventFilter(this);
    }

    bool eventFilter(QObject *list, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            list->removeEventFilter(this);
            auto *combo = static_cast<QComboBox *>(list);
            combo->resize(combo->width(), combo->sizeHint().height());
            FitEntriesToWidth(combo);
            deleteLater();
        }
        return false;
    }
};

// The window's own font, which every control without one of its own takes.
QFont PanelWindowFont()
{
    return PanelFont(QStringLiteral("MS Sans Serif"), 8.25);
}

// The page widget for one tab; its controls are placed relative to the tab container's corner.
QWidget *AddPage(QTabWidget *tabs, const QString &caption)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("SSTab1Page%1").arg(tabs->count()));
    tabs->addTab(page, caption);
    return page;
}

void BuildMainRow(QWidget *client, Panel &panel)
{
    panel.SignalStrengthMeter = MakeDisplay(client, QStringLiteral("SignalStrengthMeter"),
        Twips(120, 240, 9255, 495), PanelFont(QStringLiteral("MS Sans Serif"), 24, true), Qt::blue);

    panel.SignalScale = MakeLabel(client, QStringLiteral("SignalScale"),
        QStringLiteral("   0          1          2          3          4          5          6"
                       "          7          8          9      +20      +40      +60"),
        Twips(120, 720, 9255, 495));
    // The scale's spaces were counted with whole-pixel advances; with fractional ones the "+60"
    // runs past the right edge.
    QFont scaleFont = PanelFont(QStringLiteral("Arial"), 11.25);
    scaleFont.setHintingPreference(QFont::PreferFullHinting);
    panel.SignalScale->setFont(scaleFont);
    QPalette scalePalette = panel.SignalScale->palette();
    scalePalette.setColor(QPalette::Window, Qt::black);
    scalePalette.setColor(QPalette::WindowText, Qt::white);
    panel.SignalScale->setPalette(scalePalette);
    panel.SignalScale->setAutoFillBackground(true);

    panel.DisplayFrequency = MakeDisplay(client, QStringLiteral("DisplayFrequency"),
        Twips(120, 1200, 9255, 1095), PanelFont(QStringLiteral("Arial"), 48), Qt::red);

    panel.OnOffLabel
        = Place(new Lamp(client), QStringLiteral("OnOffLabel"), Twips(120, 2400, 255, 615));
    panel.OnOffLabel->setColor(kDarkRed);

    const QFont mainFont = PanelFont(QStringLiteral("Arial"), 15.75, true);
    struct MainButton
    {
        QPushButton *Panel::*field;
        const char *name;
        const char *caption;
        int leftTwips;
    };
    const std::array<MainButton, 6> buttons {{
        {&Panel::RadioOn, "RadioOn", "&ON", 480},
        {&Panel::RadioOff, "RadioOff", "O&FF", 1920},
        {&Panel::FrequencyUp, "FrequencyUp", "&UP", 3360},
        {&Panel::FrequencyDown, "FrequencyDown", "&DOWN", 4800},
        {&Panel::Direct, "Direct", "DI&RECT", 6240},
        {&Panel::Scan, "Scan", "SC&AN", 7680},
    }};
    for (const MainButton &b : buttons)
        panel.*(b.field) = MakeButton(client, QString::fromLatin1(b.name),
            QString::fromLatin1(b.caption), Twips(b.leftTwips, 2400, 1335, 615), mainFont);

    panel.ScanLabel
        = Place(new Lamp(client), QStringLiteral("ScanLabel"), Twips(9120, 2400, 255, 615));
    panel.ScanLabel->setColor(kDarkRed);
}

void BuildMainPage(QWidget *page, Panel &panel, QStyle *tintedStyle)
{
    panel.SquelchFrame = MakeFrame(page, QStringLiteral("SquelchFrame"), QStringLiteral("Squelch"),
        Twips(360, 120, 2775, 855));
    panel.Squelch = Place(new QScrollBar(Qt::Horizontal, panel.SquelchFrame),
        QStringLiteral("Squelch"), Twips(240, 480, 2295, 255));
    panel.Squelch->setRange(0, kSquelchMax);
    panel.Squelch->setSingleStep(1);
    panel.Squelch->setPageStep(1);
    // The dots sit just beyond the two ends of the bar, centred on it.
    const QRect bar = panel.Squelch->geometry();
    const int dotTop = bar.top() + (bar.height() - DotPicture::kSizePixels) / 2;
    panel.Dot[2] = new DotPicture(panel.SquelchFrame);
    panel.Dot[2]->setObjectName(QStringLiteral("Dot2"));
    panel.Dot[2]->setFilled(false);
    panel.Dot[2]->move(bar.left() - DotPicture::kSizePixels - 1, dotTop);
    panel.Dot[3] = new DotPicture(panel.SquelchFrame);
    panel.Dot[3]->setObjectName(QStringLiteral("Dot3"));
    panel.Dot[3]->move(bar.right() + 2, dotTop);

    panel.Label3 = MakeLabel(
        page, QStringLiteral("Label3"), QStringLiteral("TUNING STEP"), Twips(3720, 120, 1335, 210));
    panel.TuningStepFrame = MakeFrame(
        page, QStringLiteral("TuningStepFrame"), QString(), Twips(3240, 360, 2175, 615));
    panel.TuningStep = new QComboBox(panel.TuningStepFrame);
    panel.TuningStep->setObjectName(QStringLiteral("TuningStep"));
    MeasureNoEntries(panel.TuningStep);
    panel.TuningStep->setFont(PanelFont(QStringLiteral("Microsoft Sans Serif"), 12));
    // All at once: one insertion for the list's model rather than one for each entry.
    QStringList steps;
    for (const StepRow &row : kStepTable)
        steps << QString::fromLatin1(row.caption);
    panel.TuningStep->addItems(steps);
    panel.TuningStep->setMaxVisibleItems(static_cast<int>(kStepTable.size()));
    Tint(panel.TuningStep, kListGrey, tintedStyle);
    panel.TuningStep->setGeometry(
        Twips(120, 120, 1935, 0).adjusted(0, 0, 0, panel.TuningStep->sizeHint().height()));

    panel.Label2 = MakeLabel(
        page, QStringLiteral("Label2"), QStringLiteral("SIGNAL"), Twips(3960, 960, 735, 210));
    panel.ImproveSignalFrame = MakeFrame(
        page, QStringLiteral("ImproveSignalFrame"), QString(), Twips(3240, 1200, 2175, 495));
    panel.AFC = Place(new QCheckBox(QStringLiteral("AFC"), panel.ImproveSignalFrame),
        QStringLiteral("AFC"), Twips(240, 120, 855, 255));
    panel.AGC = Place(new QCheckBox(QStringLiteral("AGC"), panel.ImproveSignalFrame),
        QStringLiteral("AGC"), Twips(1200, 120, 855, 255));

    // Option buttons sharing a frame are one exclusive group.
    panel.ModeFrame = MakeFrame(
        page, QStringLiteral("ModeFrame"), QStringLiteral("Mode"), Twips(5520, 120, 1335, 2535));
    panel.ModeGroup = new QButtonGroup(panel.ModeFrame);
    panel.ModeGroup->setObjectName(QStringLiteral("ModeGroup"));
    for (std::size_t i = 0; i < kModeTable.size(); ++i) {
        const int topTwips = 360 + 360 * static_cast<int>(i);
        panel.Mode[i]
            = Place(new QRadioButton(QString::fromLatin1(kModeTable[i].caption), panel.ModeFrame),
                QString::fromLatin1(kModeTable[i].name), Twips(240, topTwips, 975, 315));
        panel.ModeGroup->addButton(panel.Mode[i], int(i));
    }
    panel.FilterFrame = MakeFrame(page, QStringLiteral("FilterFrame"), QStringLiteral("Filter"),
        Twips(6960, 120, 1935, 2295));
    panel.FilterGroup = new QButtonGroup(panel.FilterFrame);
    panel.FilterGroup->setObjectName(QStringLiteral("FilterGroup"));
    for (std::size_t i = 0; i < kFilterTable.size(); ++i) {
        const int topTwips = 480 + 360 * static_cast<int>(i);
        panel.Filter[i] = Place(
            new QRadioButton(QString::fromLatin1(kFilterTable[i].caption), panel.FilterFrame),
            QString::fromLatin1(kFilterTable[i].name), Twips(240, topTwips, 1575, 315));
        panel.FilterGroup->addButton(panel.Filter[i], int(i));
    }

    // As tall as the box beside it, with the text in the middle, so the two read on one line.
    panel.Label1 = MakeLabel(
        page, QStringLiteral("Label1"), QStringLiteral("Channel"), Twips(120, 2950, 615, 315));
    panel.Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Wide enough for a device path such as /dev/ttyUSB0, not only a port number.
    panel.Channelnum = Place(new QLineEdit(QStringLiteral("1"), page), QStringLiteral("Channelnum"),
        Twips(840, 2950, kChannelBoxWidthTwips, 315));

    // The way into band activity, in the room the design leaves free under the squelch; it
    // opens a window of its own and moves nothing of the panel.
    panel.BandActivityButton = Place(new QPushButton(QStringLiteral("Band activity…"), page),
        QStringLiteral("BandActivityButton"), Twips(360, 1680, 2775, 495));
    panel.BandActivityButton->setToolTip(
        QStringLiteral("Sweep a range of frequencies in a window beside the panel"));
    panel.BandActivityButton->setAutoDefault(false);
    panel.BandActivityButton->setFocusPolicy(Qt::NoFocus);
}

void BuildCodesPage(QWidget *page, Panel &panel)
{
    panel.CodesOutFrame = MakeFrame(page, QStringLiteral("CodesOutFrame"),
        QStringLiteral("  CODES OUT"), Twips(360, 120, 4215, 3135));
    panel.CodesOut
        = MakeLog(panel.CodesOutFrame, QStringLiteral("CodesOut"), Twips(120, 240, 3975, 2790));
    panel.CodesInFrame = MakeFrame(page, QStringLiteral("CodesInFrame"),
        QStringLiteral("  CODES IN"), Twips(4680, 120, 4215, 3135));
    panel.CodesIn
        = MakeLog(panel.CodesInFrame, QStringLiteral("CodesIn"), Twips(120, 240, 3975, 2790));
}

void BuildKeypadPage(QWidget *page, Panel &panel, QStyle *tintedStyle)
{
    panel.KeypadFrame[1]
        = MakeFrame(page, QStringLiteral("KeypadFrame1"), QString(), Twips(480, 120, 5055, 1095));
    panel.KeypadFrequency = MakeDisplay(panel.KeypadFrame[1], QStringLiteral("KeypadFrequency"),
        Twips(120, 120, 4815, 495), PanelFont(QStringLiteral("Arial"), 36, true), Qt::cyan);
    // Arial 36 pt is taller than the area: drawn as it is, the digits lose their tops and bottoms.
    panel.KeypadFrequency->setFitToHeight(true);

    // Laid over the lower edge of the keypad display's frame, which it hides.
    panel.TuningKnobFrame = MakeFrame(page, QStringLiteral("TuningKnobFrame"),
        QStringLiteral("Tuning Knob"), Twips(480, 840, 5055, 2055));
    panel.TuningKnob = Place(new TuningKnobArea(panel.TuningKnobFrame),
        QStringLiteral("TuningKnob"), Twips(2280, 240, 1935, 1695));
    for (int i = 0; i < TuningKnobArea::kMarkCount; ++i)
        panel.TuningKnobMark.at(static_cast<std::size_t>(i)) = panel.TuningKnob->mark(i);

    panel.KeypadFrame[0]
        = MakeFrame(page, QStringLiteral("KeypadFrame0"), QString(), Twips(5760, 0, 3015, 3015));
    // Telephone order: 1 2 3 / 4 5 6 / 7 8 9 / . 0 CLS, then ENTER across the width.
    struct Key
    {
        int index;
        int row;
        int column;
    };
    const std::array<Key, 12> keys {{
        {1, 0, 0},
        {2, 0, 1},
        {3, 0, 2},
        {4, 1, 0},
        {5, 1, 1},
        {6, 1, 2},
        {7, 2, 0},
        {8, 2, 1},
        {9, 2, 2},
        {10, 3, 0},
        {0, 3, 1},
        {11, 3, 2},
    }};
    const QFont digitFont = PanelFont(QStringLiteral("Arial"), 20.25, true);
    const QFont pointFont = PanelFont(QStringLiteral("Arial"), 33, true);
    const QFont wordFont = PanelFont(QStringLiteral("Arial"), 14.25, true);
    for (const Key &key : keys) {
        QString caption = QString::number(key.index);
        QFont font = digitFont;
        if (key.index == 10) {
            caption = QStringLiteral(".");
            font = pointFont;
        } else if (key.index == 11) {
            caption = QStringLiteral("CLS");
            font = wordFont;
        }
        auto *button = MakeKey(panel.KeypadFrame[0], QStringLiteral("Keypad%1").arg(key.index),
            caption, Twips(120 + 960 * key.column, 120 + 600 * key.row, 855, 495), font);
        Tint(button, kKeypadBlue, tintedStyle);
        panel.Keypad.at(static_cast<std::size_t>(key.index)) = button;
    }
    panel.Keypad[12] = MakeKey(panel.KeypadFrame[0], QStringLiteral("Keypad12"),
        QStringLiteral("ENTER"), Twips(120, 2520, 2775, 405), wordFont);
    Tint(panel.Keypad[12], kPanelGrey, tintedStyle);
}

void BuildMemoryPage(QWidget *page, Panel &panel, QStyle *tintedStyle)
{
    panel.MemoryFrame
        = MakeFrame(page, QStringLiteral("MemoryFrame"), QString(), Twips(360, 120, 8535, 3135));

    panel.MemoryBanks = new QComboBox(panel.MemoryFrame);
    panel.MemoryBanks->setObjectName(QStringLiteral("MemoryBanks"));
    MeasureNoEntries(panel.MemoryBanks);
    panel.MemoryBanks->setFont(PanelFont(QStringLiteral("Arial"), 15.75, true));
    QStringList banks;
    for (int bank = 1; bank <= kBankCount; ++bank)
        banks << QString::fromStdString(BankName(bank));
    panel.MemoryBanks->addItems(banks);
    Tint(panel.MemoryBanks, kMemoryBlue, tintedStyle);
    panel.MemoryBanks->setGeometry(Twips(360, 240, 3375, 0));
    new FitWhenFirstShown(panel.MemoryBanks);

    const QFont memoryFont = PanelFont(QStringLiteral("Arial"), 9.75, true);
    panel.ScanBank = MakeButton(panel.MemoryFrame, QStringLiteral("ScanBank"),
        QStringLiteral("Scan Bank"), Twips(3960, 240, 2055, 435), memoryFont);
    Tint(panel.ScanBank, kMemoryBlue, tintedStyle);
    panel.EditMemory = MakeButton(panel.MemoryFrame, QStringLiteral("EditMemory"),
        QStringLiteral("Edit Memory"), Twips(6240, 240, 2055, 435), memoryFont);
    Tint(panel.EditMemory, kMemoryBlue, tintedStyle);

    // The grid: the count in the corner, rows A … D down the side, columns 1 … 8 along the top.
    constexpr int kGridLeftTwips = 720;
    constexpr int kGridTopTwips = 1200;
    constexpr int kColumnPitchTwips = 960;
    constexpr int kRowPitchTwips = 480;
    constexpr int kColumns = 8;
    constexpr int kRows = 4;
    constexpr int kMemoryWidthTwips = 855;
    constexpr int kMemoryHeightTwips = 375;

    panel.NBofMemory = MakeLabel(panel.MemoryFrame, QStringLiteral("NBofMemory"),
        QStringLiteral("32"), Twips(360, 840, 255, 255));
    panel.NBofMemory->setFont(PanelFont(QStringLiteral("Comic Sans MS"), 9.75));
    panel.NBofMemory->setAlignment(Qt::AlignCenter);
    // The design leaves the count in the grid's corner without a caption; the pointer says it.
    panel.NBofMemory->setToolTip(QStringLiteral("Channels stored in this bank"));

    for (int row = 0; row < kRows; ++row) {
        auto *label = MakeLabel(panel.MemoryFrame, QStringLiteral("MemoryLabel%1").arg(row),
            QString(QLatin1Char(static_cast<char>('A' + row))),
            Twips(360, kGridTopTwips + kRowPitchTwips * row, 255, kMemoryHeightTwips));
        label->setFont(memoryFont);
        label->setAlignment(Qt::AlignCenter);
        panel.MemoryLabel.at(static_cast<std::size_t>(row)) = label;
    }
    for (int column = 0; column < kColumns; ++column) {
        // Each heading is centred over its column of buttons.
        const int leftTwips = 1080 + kColumnPitchTwips * column;
        const int widthTwips
            = 2 * (kGridLeftTwips + kColumnPitchTwips * column + kMemoryWidthTwips / 2 - leftTwips);
        auto *label
            = MakeLabel(panel.MemoryFrame, QStringLiteral("MemoryLabel%1").arg(kRows + column),
                QString::number(column + 1), Twips(leftTwips, 840, widthTwips, 255));
        label->setFont(memoryFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        panel.MemoryLabel.at(static_cast<std::size_t>(kRows + column)) = label;
    }
    for (int n = 1; n <= kRows * kColumns; ++n) {
        const int row = (n - 1) / kColumns;
        const int column = (n - 1) % kColumns;
        auto *button = MakeButton(panel.MemoryFrame, QStringLiteral("Memory%1").arg(n),
            QStringLiteral("EMPTY"),
            Twips(kGridLeftTwips + kColumnPitchTwips * column, kGridTopTwips + kRowPitchTwips * row,
                kMemoryWidthTwips, kMemoryHeightTwips),
            memoryFont);
        Tint(button, kMemoryBlue, tintedStyle);
        panel.Memory.at(static_cast<std::size_t>(n)) = button;
    }
}

void BuildStatusBar(QMainWindow *window, Panel &panel)
{
    panel.StatusBar1 = new QStatusBar(window);
    panel.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    panel.StatusBar1->setSizeGripEnabled(false);
    panel.StatusBar1->setFixedHeight(TwipsToPixels(kStatusBarHeightTwips));
    // One strip holds the panels, so they keep their own widths and a one-pixel gap. Their height
    // is fixed too, to the bar's less the 3 pixels above and 2 below that the bar keeps: a panel
    // whose size may change makes the whole bar repaint at each new text, the clock's every second.
    const int panelHeight = TwipsToPixels(kStatusBarHeightTwips) - 5;
    auto *strip = new QWidget(panel.StatusBar1);
    strip->setObjectName(QStringLiteral("StatusPanels"));
    auto *layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (std::size_t i = 0; i < kStatusPanelWidthsTwips.size(); ++i) {
        auto *label = new QLabel(strip);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setFixedSize(TwipsToPixels(kStatusPanelWidthsTwips[i]), panelHeight);
        layout->addWidget(label);
        panel.StatusPanel.at(i + 1) = label;
    }
    layout->addStretch(1);
    panel.StatusBar1->addWidget(strip, 1);
    // A permanent panel: it stays in view while the bar shows a message over the others.
    panel.LinkStatePanel = new QLabel(panel.StatusBar1);
    panel.LinkStatePanel->setObjectName(QStringLiteral("LinkStatePanel"));
    panel.LinkStatePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel.LinkStatePanel->setTextFormat(Qt::PlainText);
    panel.LinkStatePanel->setAlignment(Qt::AlignCenter);
    panel.LinkStatePanel->setFixedWidth(TwipsToPixels(kLinkPanelWidthTwips));
    panel.StatusBar1->addPermanentWidget(panel.LinkStatePanel);
    window->setStatusBar(panel.StatusBar1);
}

} // namespace

Panel BuildPanel(QMainWindow *window)
{
    Panel panel;
    window->setObjectName(QStringLiteral("MainWindow"));
    window->setWindowTitle(QString::fromLatin1(kWindowTitle));
    // A grey instrument panel: frames, option buttons and check boxes all take the window grey.
    window->setPalette(QPalette(kPanelGrey));
    window->setFont(PanelWindowFont());

    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("MainWindowClient"));
    client->setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));
    client->setAutoFillBackground(true);
    window->setCentralWidget(client);

    BuildMainRow(client, panel);

    // One style for every coloured control, on the application's own (Fusion).
    auto *tintedStyle = new TintedFaceStyle(QStyleFactory::create(QApplication::style()->name()));
    tintedStyle->setParent(window);

    panel.SSTab1
        = Place(new PanelTabWidget(client), QStringLiteral("SSTab1"), Twips(120, 3120, 9255, 3855));
    panel.SSTab1->setTabPosition(QTabWidget::South);
    BuildMainPage(AddPage(panel.SSTab1, QStringLiteral(" &MAIN")), panel, tintedStyle);
    BuildCodesPage(AddPage(panel.SSTab1, QStringLiteral(" &CODES")), panel);
    BuildKeypadPage(AddPage(panel.SSTab1, QStringLiteral(" &KEYPAD")), panel, tintedStyle);
    BuildMemoryPage(AddPage(panel.SSTab1, QStringLiteral(" MEMOR&Y")), panel, tintedStyle);
    AddPage(panel.SSTab1, QStringLiteral(" &LOAD"));
    panel.OptionsTab = AddPage(panel.SSTab1, QStringLiteral(" O&PTIONS"));

    BuildStatusBar(window, panel);

    // Nothing on the panel follows the window's size, so the size is fixed.
    window->setFixedSize(client->width(), client->height() + panel.StatusBar1->height());
    return panel;
}

PanelFontWhileBuilding::PanelFontWhileBuilding()
    : m_applicationFont(QApplication::font())
{
    QApplication::setFont(PanelWindowFont());
}

PanelFontWhileBuilding::~PanelFontWhileBuilding()
{
    QApplication::setFont(m_applicationFont);
}

void DrawSignalMeter(TextDisplay &meter, int level)
{
    const QString line = QString::fromStdString(SignalMeterLine(level));
    // The bars are spaced to the scale underneath. Measuring a bar sets up the meter's font, which
    // a blank meter (the link off) never draws with, so that waits for the first bar.
    if (line.contains(kMeterBar) && meter.font().letterSpacingType() != QFont::AbsoluteSpacing) {
        QFont spaced = meter.font();
        const qreal barAdvance = QFontMetricsF(spaced).horizontalAdvance(kMeterBar);
        spaced.setLetterSpacing(QFont::AbsoluteSpacing,
            static_cast<qreal>(kMeterBarPitchTwips) / kTwipsPerPixel - barAdvance);
        meter.setFont(spaced);
    }
    meter.setTextColor(level <= kSignalMeterBlueMaxLevel ? QColor(0, 0, 255) : QColor(255, 0, 0));
    meter.setLine(line);
}
