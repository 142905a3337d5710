#pragma once

#include <QGroupBox>

#include <functional>

class QPushButton;
class QRect;
class QSize;

// The OPTIONS page's way into band activity: a small frame with a "Band activity…" button that
// opens (or brings forward) the window.
class BandActivityGroup : public QGroupBox
{
    Q_OBJECT

public:
    // open shows the window; the owner creates it on first use if it likes.
    explicit BandActivityGroup(std::function<void()> open, QWidget *parent = nullptr);

    QPushButton *button() const { return m_button; }

private:
    QPushButton *m_button = nullptr;
};

// Shows a top-level window and brings it to the front.
void ShowAndRaise(QWidget *window);

// Where a window of the given size goes beside the panel's frame on the available part of the
// screen: to its right, else to its left, narrowed down to minimum on the wider side when neither
// has room, and over the screen's edge only when even that does not fit. Tops level with the
// panel, kept on the screen.
QRect PlaceBeside(
    const QRect &panelFrame, const QSize &size, const QSize &minimum, const QRect &available);

// The panel's window: the first visible main window other than the given one, or null.
QWidget *PanelWindow(const QWidget *besides);
