#pragma once

#include "panelwidgets.h"
#include "tunedstate.h"

#include <array>

class QButtonGroup;
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

// Every control of the front panel, created once by BuildPanel with the control names as object
// names (arrays as Memory1 … Memory32, Keypad0 … Keypad12, and so on). Arrays are indexed as the
// panel numbers them; unused indices hold null.
inline constexpr char kWindowTitle[] = "QZ SERIAL REMOTE CONTROL";

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
    QLabel *LinkStatePanel = nullptr; // the link's state, at the right end of the status bar

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
    QButtonGroup *ModeGroup = nullptr; // the Mode buttons, each with its index as id
    QGroupBox *FilterFrame = nullptr;
    std::array<QRadioButton *, 5> Filter {}; // Filter1 … Filter5 at 0 … 4, as kFilterTable
    QButtonGroup *FilterGroup = nullptr; // the Filter buttons, each with its index as id
    QLabel *Label1 = nullptr;
    QLineEdit *Channelnum = nullptr;
    QPushButton *BandActivityButton = nullptr; // opens the band activity window

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
    std::array<QPushButton *, kBankSlots + 1> Memory {}; // Memory(1) … Memory(32)

    // " O&PTIONS": the page itself, filled by OptionsPage.
    QWidget *OptionsTab = nullptr;
};

// Builds the whole panel into the window (central widget and status bar), at the design's fixed
// size and positions, with the design-time captions, fonts and colours. Behaviour is wired by the
// caller.
Panel BuildPanel(QMainWindow *window);

// Qt's text boxes and group boxes lay their text out in the application's font as they are made,
// before they take the font of the panel they are on: that loads the desktop's font (and, where it
// is a generic name such as "Sans Serif", searches the system's substitutes for it) for text the
// panel never shows. While one of these lives, the panel's font stands in for the application's;
// the application's is put back after.
class PanelFontWhileBuilding
{
public:
    PanelFontWhileBuilding();
    ~PanelFontWhileBuilding();
    PanelFontWhileBuilding(const PanelFontWhileBuilding &) = delete;
    PanelFontWhileBuilding &operator=(const PanelFontWhileBuilding &) = delete;

private:
    QFont m_applicationFont;
};

// Draws a signal level (0 … 128) on the meter: one bar per unit, blue up to 110, red above.
void DrawSignalMeter(TextDisplay &meter, int level);
