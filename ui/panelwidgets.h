#pragma once

#include <QColor>
#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QWidget>

#include <array>

// The panel is laid out in twips (1/1440 inch); at 96 dpi 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

// Twips to whole pixels, rounded to the nearest.
int TwipsToPixels(int twips);
// A rectangle given in twips (left, top, width, height) in pixels.
QRect Twips(int leftTwips, int topTwips, int widthTwips, int heightTwips);

// A font by the family the panel was drawn with, followed by metric-compatible families that are
// commonly installed, so Arial, MS Sans Serif and Courier New keep their widths where they are
// missing.
QFont PanelFont(const QString &family, double pointSize, bool bold = false);

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
    // Draws digits whole even when the font is taller than the area, in a smaller size
    // of the font where need be.
    void setFitToHeight(bool fit);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont DrawingFont() const;

    QString m_line;
    QColor m_color = Qt::white;
    bool m_fitToHeight = false;
};

// The lamps' colours: red when off or idle, green when on or scanning frequencies, yellow while
// scanning a bank.
inline const QColor kLampRed(255, 0, 0);
inline const QColor kLampGreen(0, 255, 0);
inline const QColor kLampYellow(255, 255, 0);

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
    QColor m_color = QColor(128, 0, 0);
};

// A small clickable picture at one end of the squelch bar.
class DotPicture : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSizePixels = 14;

    explicit DotPicture(QWidget *parent = nullptr);
    // A filled dot marks the top of the range, a hollow one the bottom.
    void setFilled(bool filled);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_filled = true;
};

// A key of the on-screen keypad. Its caption is centred by the ink of its glyphs rather than by
// the font's line, so the large point sits in the middle of its key instead of low down on the
// baseline, where the key's edge would cut it.
class KeyButton : public QPushButton
{
    Q_OBJECT

public:
    explicit KeyButton(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
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
    static constexpr int kOtherButton = 0;

    static constexpr int kMarkCount = 12;

    explicit TuningKnobArea(QWidget *parent = nullptr);

    // TuningKnobMark(index), 0 … 11, clockwise from about eight o'clock.
    QWidget *mark(int index) const { return m_marks.at(static_cast<std::size_t>(index)); }

signals:
    void pressed(int button);
    void released();
    // One notch of the mouse wheel: up (away from the operator) or down. A wheel that reports
    // finer movements gives one notch for every full notch's worth.
    void notched(bool up);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    std::array<QWidget *, kMarkCount> m_marks {};
    int m_wheelEighths = 0; // wheel movement not yet a whole notch, in eighths of a degree
};
