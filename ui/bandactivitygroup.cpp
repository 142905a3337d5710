#include "bandactivitygroup.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

BandActivityGroup::BandActivityGroup(std::function<void()> open, QWidget *parent)
    : QGroupBox(tr("Band activity"), parent)
{
    setObjectName(QStringLiteral("BandActivityGroup"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    auto *text = new QLabel(tr("Sweep a range, see where it is busy."), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_button = new QPushButton(tr("Band activity…"), this);
    m_button->setObjectName(QStringLiteral("OpenBandActivity"));
    layout->addWidget(m_button);
    layout->addStretch(1);
    setMaximumWidth(m_button->sizeHint().width() * 3 / 2);
    connect(m_button, &QPushButton::clicked, this, [open = std::move(open)] {
        if (open)
            open();
    });
}

void ShowAndRaise(QWidget *window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

QRect PlaceBeside(
    const QRect &panelFrame, const QSize &size, const QSize &minimum, const QRect &available)
{
    constexpr int kGapPx = 8;
    const int height = std::max(std::min(size.height(), available.height()), minimum.height());
    const int top = std::clamp(panelFrame.top(), available.top(),
        std::max(available.top(), available.bottom() + 1 - height));
    const int rightRoom = available.right() - panelFrame.right() - kGapPx;
    const int leftRoom = panelFrame.left() - available.left() - kGapPx;
    const auto right = [&](int width) {
        return QRect(panelFrame.right() + 1 + kGapPx, top, width, height);
    };
    const auto left = [&](int width) {
        return QRect(panelFrame.left() - kGapPx - width, top, width, height);
    };
    if (rightRoom >= size.width())
        return right(size.width());
    if (leftRoom >= size.width())
        return left(size.width());
    const int room = std::max(rightRoom, leftRoom);
    if (room >= minimum.width())
        return rightRoom >= leftRoom ? right(room) : left(room);
    // No room beside it: against the screen's right edge, over as little of the panel as may be.
    const int width = std::max(minimum.width(), std::min(size.width(), available.width()));
    return QRect(available.right() + 1 - width, top, width, height);
}

QWidget *PanelWindow(const QWidget *besides)
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != besides && window->isVisible() && qobject_cast<QMainWindow *>(window))
            return window;
    }
    return nullptr;
}
