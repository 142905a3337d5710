#pragma once

#include <QGroupBox>

#include <functional>

class QPushButton;

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
