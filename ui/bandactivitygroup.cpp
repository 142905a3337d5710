#include "bandactivitygroup.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

BandActivityGroup::BandActivityGroup(std::function<void()> open, QWidget *parent)
    : QGroupBox(tr("Band activity"), parent)
{
    setObjectName(QStringLiteral("BandActivityGroup"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(tr("Sweep a range, see where it is busy and stop on signals."), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_button = new QPushButton(tr("Band activity…"), this);
    m_button->setObjectName(QStringLiteral("OpenBandActivity"));
    layout->addWidget(m_button);
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
