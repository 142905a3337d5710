#pragma once

#include <QColor>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStatusBar;
class QTabWidget;

// A drawing area that shows one line of text from its top-left corner on a black background:
// the frequency display, the signal meter and the keypad display.
class TextDisplay : public QWidget
{
    Q_OBJECT

public:
    explicit TextDisplay(QWidget *parent = nullptr);
    // Clears the area and draws the line.
    void setLine(const QString &line);
    QString line() const { return m_line; }
    void setTextColor(const QColor &color);
    QColor textColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_line;
    QColor m_color = Qt::white;
};

// A label used as an indicator lamp: a plain coloured rectangle.
class Lamp : public QWidget
{
    Q_OBJECT

public:
    explicit Lamp(QWidget *parent = nullptr);
    void setColor(const QColor &color);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};

// A small clickable picture at one end of the squelch bar.
class DotPicture : public QWidget
{
    Q_OBJECT

public:
    explicit DotPicture(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The drawn tuning knob: three circles for the body, and twelve marks (child widgets, one shown at
// a time). It reports mouse presses and releases; the tuning itself is done elsewhere.
class TuningKnobArea : public QWidget
{
    Q_OBJECT

public:
    // Mouse buttons as the knob reports them.
    static constexpr int kLeftButton = 1;
    static constexpr int kRightButton = 2;
    static constexpr int kMiddleButton = 4;

    explicit TuningKnobArea(QWidget *parent = nullptr);

signals:
    void pressed(int button);
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// Every control of the front panel, created once by BuildPanel with the control names as object
// names (arrays as Memory1 … Memory32, Keypad0 … Keypad12, and so on). Arrays are indexed as the
// panel numbers them; unused indices hold null.
struct Panel
{
    TextDisplay *SignalStrengthMeter = nullptr;
    QLabel *SignalScale = nullptr;
    TextDisplay *DisplayFrequency = nullptr;
    Lamp *OnOffLabel = nullptr;
    QPushButton *RadioOn = nullptr;
    QPushButton *RadioOff = nullptr;
    QPushButton *FrequencyUp = nullptr;
    QPushButton *FrequencyDown = nullptr;
    QPushButton *Direct = nullptr;
    QPushButton *Scan = nullptr;
    Lamp *ScanLabel = nullptr;
    QTabWidget *SSTab1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    std::array<QLabel *, 8> StatusPanel {}; // panels 1 … 7

    // " &MAIN"
    QGroupBox *SquelchFrame = nullptr;
    QScrollBar *Squelch = nullptr;
    std::array<DotPicture *, 4> Dot {}; // Dot(2) left end (level 0), Dot(3) right end (level 40)
    QLabel *Label3 = nullptr;
    QGroupBox *TuningStepFrame = nullptr;
    QComboBox *TuningStep = nullptr;
    QLabel *Label2 = nullptr;
    QGroupBox *ImproveSignalFrame = nullptr;
    QCheckBox *AFC = nullptr;
    QCheckBox *AGC = nullptr;
    QGroupBox *ModeFrame = nullptr;
    std::array<QRadioButton *, 6> Mode {}; // in the order of kModeTable: AM, FM, WFM, USB, LSB, CW
    QGroupBox *FilterFrame = nullptr;
    std::array<QRadioButton *, 5> Filter {}; // Filter1 … Filter5 at 0 … 4, as kFilterTable
    QLabel *Label1 = nullptr;
    QLineEdit *Channelnum = nullptr;

    // " &CODES"
    QGroupBox *CodesOutFrame = nullptr;
    QListView *CodesOut = nullptr;
    QGroupBox *CodesInFrame = nullptr;
    QListView *CodesIn = nullptr;

    // " &KEYPAD"
    std::array<QGroupBox *, 2> KeypadFrame {};
    TextDisplay *KeypadFrequency = nullptr;
    QGroupBox *TuningKnobFrame = nullptr;
    TuningKnobArea *TuningKnob = nullptr;
    std::array<QWidget *, 12> TuningKnobMark {};
    std::array<QPushButton *, 13> Keypad {};

    // " MEMOR&Y"
    QGroupBox *MemoryFrame = nullptr;
    QComboBox *MemoryBanks = nullptr;
    QPushButton *ScanBank = nullptr;
    QPushButton *EditMemory = nullptr;
    QLabel *NBofMemory = nullptr;
    std::array<QLabel *, 12> MemoryLabel {};
    std::array<QPushButton *, 33> Memory {}; // Memory(1) … Memory(32)
};

// Builds the whole panel into the window (central widget and status bar), at the design's fixed
// size and positions, with the design-time captions, fonts and colours. Behaviour is wired by the
// caller.
Panel BuildPanel(QMainWindow *window);
