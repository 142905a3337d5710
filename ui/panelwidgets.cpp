#include "panelwidgets.h"

#include "installedfamily.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWheelEvent>

#include <algorithm>

int TwipsToPixels(int twips)
{
    return qRound(static_cast<double>(twips) / kTwipsPerPixel);
}

QRect Twips(int leftTwips, int topTwips, int widthTwips, int heightTwips)
{
    return QRect(TwipsToPixels(leftTwips), TwipsToPixels(topTwips), TwipsToPixels(widthTwips),
        TwipsToPixels(heightTwips));
}

QFont PanelFont(const QString &family, double pointSize, bool bold)
{
    QStringList families {family};
    QFont::StyleHint hint = QFont::SansSerif;
    if (family == QLatin1String("Courier New")) {
        families << QStringLiteral("Liberation Mono") << QStringLiteral("Cousine")
                 << QStringLiteral("Nimbus Mono PS");
        hint = QFont::Monospace;
    } else if (family == QLatin1String("Comic Sans MS")) {
        // No metric twin is commonly installed; a plain sans keeps the digits readable, where
        // the system's own substitute may be a script face.
        families << QStringLiteral("Comic Neue") << QStringLiteral("Liberation Sans")
                 << QStringLiteral("DejaVu Sans");
    } else {
        // Arial, MS Sans Serif and Microsoft Sans Serif.
        families << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo")
                 << QStringLiteral("Nimbus Sans");
    }
    QFont font;
    const QString installed = InstalledFamily(families);
    if (installed.isEmpty())
        font.setFamilies(families);
    else
        font.setFamily(installed);
    font.setStyleHint(hint);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

TextDisplay::TextDisplay(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TextDisplay::setLine(const QString &line)
{
    m_line = line;
    update();
}

void TextDisplay::setTextColor(const QColor &color)
{
    m_color = color;
    update();
}

void TextDisplay::setFitToHeight(bool fit)
{
    m_fitToHeight = fit;
    update();
}

QFont TextDisplay::DrawingFont() const
{
    QFont drawn = font();
    if (!m_fitToHeight)
        return drawn;
    // The digits' ink, overshoot included, with a pixel of black above and below.
    static const QString kTallest = QStringLiteral("0123456789");
    const qreal room = height() - 2.0;
    for (int tries = 0; tries < 8; ++tries) {
        const qreal ink = QFontMetricsF(drawn).tightBoundingRect(kTallest).height();
        if (ink <= room || drawn.pointSizeF() <= 4.0)
            break;
        drawn.setPointSizeF(std::max(4.0, drawn.pointSizeF() * room / ink - 0.25));
    }
    return drawn;
}

void TextDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // Blanks draw nothing, and need no font set up for it (the meter reads " " while the link is
    // off).
    if (std::all_of(m_line.cbegin(), m_line.cend(), [](QChar c) { return c.isSpace(); }))
        return;
    const QFont drawn = DrawingFont();
    painter.setFont(drawn);
    painter.setPen(m_color);
    const QFontMetricsF metrics(drawn);
    // The line hangs from the top edge. A font taller than the area would lose the lower part of
    // its digits that way, so then the capitals are centred in the area instead.
    qreal baseline = metrics.ascent();
    if (metrics.height() > height())
        baseline = (height() + metrics.capHeight()) / 2.0;
    painter.drawText(QPointF(0.0, baseline), m_line);
}

Lamp::Lamp(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Lamp::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    // A sunken rim, so the lamp reads as set into the panel.
    const QRect r = rect().adjusted(0, 0, -1, -1);
    painter.setPen(QColor(96, 96, 96));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(Qt::white);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

DotPicture::DotPicture(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(kSizePixels, kSizePixels);
    setCursor(Qt::PointingHandCursor);
}

void DotPicture::setFilled(bool filled)
{
    m_filled = filled;
    update();
}

void DotPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(32, 32, 32), 1.5));
    painter.setBrush(m_filled ? QBrush(QColor(32, 32, 32)) : QBrush(Qt::white));
    painter.drawEllipse(QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5));
}

void DotPicture::mousePressEvent(QMouseEvent *event)
{
    // Taking the press keeps the release here.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void DotPicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

KeyButton::KeyButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{ }

void KeyButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRectF ink = QFontMetricsF(font()).tightBoundingRect(text());
    const QPointF origin = QRectF(rect()).center() - ink.center();
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(origin, text());
}

namespace {

// One of the small white circles round the knob. It lets mouse presses through to the knob, so
// a press on a mark tunes like a press anywhere else.
class KnobMark : public QWidget
{
public:
    explicit KnobMark(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(160, 160, 160), 1.0));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

constexpr int kMarkSizeTwips = 255;

// Top-left corners of the marks inside the knob, by index.
constexpr std::array<std::array<int, 2>, TuningKnobArea::kMarkCount> kMarkTwips {{
    {480, 1080},
    {360, 840},
    {360, 600},
    {480, 360},
    {720, 240},
    {960, 240},
    {1200, 360},
    {1320, 600},
    {1320, 840},
    {1200, 1080},
    {960, 1200},
    {720, 1200},
}};

// The circle inscribed in a box given in twips, centred in it.
QRectF CircleIn(int leftTwips, int topTwips, int widthTwips, int heightTwips)
{
    const double scale = 1.0 / kTwipsPerPixel;
    const QRectF box(leftTwips * scale, topTwips * scale, widthTwips * scale, heightTwips * scale);
    const double diameter = std::min(box.width(), box.height());
    QRectF circle(0.0, 0.0, diameter, diameter);
    circle.moveCenter(box.center());
    return circle;
}

} // namespace

TuningKnobArea::TuningKnobArea(QWidget *parent)
    : QWidget(parent)
{
    for (int i = 0; i < kMarkCount; ++i) {
        auto *mark = new KnobMark(this);
        mark->setObjectName(QStringLiteral("TuningKnobMark%1").arg(i));
        const auto &corner = kMarkTwips.at(static_cast<std::size_t>(i));
        mark->setGeometry(Twips(corner[0], corner[1], kMarkSizeTwips, kMarkSizeTwips));
        m_marks.at(static_cast<std::size_t>(i)) = mark;
    }
}

void TuningKnobArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.0));

    // TuningKnobCircle3, set a little to the left of the knob: its shadow.
    const QRectF shadow = CircleIn(0, 120, 1815, 1455);
    painter.setBrush(QColor(80, 80, 80));
    painter.drawEllipse(shadow);

    // TuningKnobCircle2: the knob's rim, lit from the upper left.
    const QRectF rim = CircleIn(120, 120, 1695, 1455);
    QLinearGradient rimShade(rim.topLeft(), rim.bottomRight());
    rimShade.setColorAt(0.0, QColor(235, 235, 235));
    rimShade.setColorAt(1.0, QColor(120, 120, 120));
    painter.setBrush(rimShade);
    painter.drawEllipse(rim);

    // TuningKnobCircle1: the knob's face, which carries the marks.
    const QRectF face = CircleIn(360, 240, 1215, 1215);
    QLinearGradient faceShade(face.topLeft(), face.bottomRight());
    faceShade.setColorAt(0.0, QColor(70, 70, 70));
    faceShade.setColorAt(1.0, QColor(30, 30, 30));
    painter.setBrush(faceShade);
    painter.drawEllipse(face);
}

void TuningKnobArea::mousePressEvent(QMouseEvent *event)
{
    int button = kOtherButton;
    switch (event->button()) {
    case Qt::LeftButton:
        button = kLeftButton;
        break;
    case Qt::RightButton:
        button = kRightButton;
        break;
    case Qt::MiddleButton:
        button = kMiddleButton;
        break;
    default:
        break;
    }
    event->accept();
    emit pressed(button);
}

void TuningKnobArea::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit released();
}

void TuningKnobArea::wheelEvent(QWheelEvent *event)
{
    // A notch of an ordinary wheel is 15 degrees, reported as 120 eighths.
    constexpr int kNotchEighths = 120;
    event->accept();
    m_wheelEighths += event->angleDelta().y();
    while (m_wheelEighths >= kNotchEighths) {
        m_wheelEighths -= kNotchEighths;
        emit notched(true);
    }
    while (m_wheelEighths <= -kNotchEighths) {
        m_wheelEighths += kNotchEighths;
        emit notched(false);
    }
}
