#include "optionspage.h"

#include "keyboardpoll.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Rows of the port list visible without scrolling it: the page is small.
constexpr int kVisiblePortRows = 3;

enum PortColumn { kDevice, kDescription, kManufacturer, kSerialNumber, kUsbId, kColumnCount };

} // namespace

OptionsPage::OptionsPage(QLineEdit &channel, PanelSettings &settings, KeyboardPoll &keyboard,
    QWidget *window, QWidget *page)
    : QWidget(page)
    , m_channel(channel)
    , m_settings(settings)
    , m_keyboard(keyboard)
    , m_window(window)
    , m_lister(&SystemPorts)
{
    setObjectName(QStringLiteral("OptionsPage"));
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(this);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("OptionsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll = scroll;
    // Put in the scroll area, and laid out there, when the page is first shown; until then it
    // waits on the page unseen.
    auto *column = new QWidget(this);
    column->setObjectName(QStringLiteral("OptionsGroups"));
    column->hide();
    // The port list across the page, the other groups side by side under it, so that every group
    // is in view on the panel's small page. The port list is added when the page is first shown.
    m_column = new QVBoxLayout(column);
    m_column->setContentsMargins(4, 2, 4, 2);
    m_column->setSpacing(2);
    m_groups = new QHBoxLayout;
    m_groups->setSpacing(4);
    m_groups->addWidget(BuildKeyboardGroup());
    m_groups->addStretch(1);
    m_column->addLayout(m_groups);
    m_column->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(&m_channel, &QLineEdit::textChanged, this, &OptionsPage::ShowChannel);
    ApplyKeyboardScope(m_settings.keyboardScope());
}

void OptionsPage::addGroup(QWidget *group)
{
    // As tight as the page's own groups, so that the row fits the page's height.
    if (QLayout *layout = group->layout()) {
        layout->setContentsMargins(6, 2, 6, 4);
        layout->setSpacing(2);
    }
    // Before the stretch that keeps the groups together at the left.
    m_groups->insertWidget(m_groups->count() - 1, group);
}

void OptionsPage::setPortLister(PortLister lister)
{
    m_lister = std::move(lister);
    if (isVisible())
        RefreshPorts();
}

QWidget *OptionsPage::BuildPortGroup()
{
    auto *group = new QGroupBox(tr("Serial port"));
    group->setObjectName(QStringLiteral("SerialPortGroup"));

    m_portList = new QTreeWidget(group);
    m_portList->setObjectName(QStringLiteral("PortList"));
    m_portList->setColumnCount(kColumnCount);
    m_portList->setHeaderLabels(
        {tr("Device"), tr("Description"), tr("Manufacturer"), tr("Serial number"), tr("USB ID")});
    m_portList->setRootIsDecorated(false);
    m_portList->setUniformRowHeights(true);
    m_portList->setAllColumnsShowFocus(true);
    m_portList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_portList->header()->setStretchLastSection(false);
    m_portList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_portList->header()->setSectionResizeMode(kDescription, QHeaderView::Stretch);
    const int rowHeight = m_portList->fontMetrics().height() + 4;
    m_portList->setFixedHeight(m_portList->header()->sizeHint().height()
        + kVisiblePortRows * rowHeight + 2 * m_portList->frameWidth());

    m_channelShown = new QLabel(group);
    m_channelShown->setObjectName(QStringLiteral("ChannelShown"));
    m_channelShown->setTextFormat(Qt::PlainText);
    m_channelShown->setWordWrap(true);
    auto *refresh = new QPushButton(tr("Refresh"), group);
    refresh->setObjectName(QStringLiteral("RefreshPorts"));
    refresh->setAutoDefault(false);
    m_usePort = new QPushButton(QStringLiteral("Use this port"), group);
    m_usePort->setObjectName(QStringLiteral("UsePort"));
    m_usePort->setAutoDefault(false);
    m_usePort->setEnabled(false);

    auto *row = new QHBoxLayout;
    row->addWidget(m_channelShown, 1);
    row->addWidget(refresh);
    row->addWidget(m_usePort);
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(3);
    layout->addWidget(m_portList);
    layout->addLayout(row);

    connect(refresh, &QPushButton::clicked, this, &OptionsPage::RefreshPorts);
    connect(m_usePort, &QPushButton::clicked, this, &OptionsPage::UseSelectedPort);
    connect(m_portList, &QTreeWidget::itemSelectionChanged, this,
        [this] { m_usePort->setEnabled(!m_portList->selectedItems().isEmpty()); });
    connect(m_portList, &QTreeWidget::itemDoubleClicked, this, &OptionsPage::UseSelectedPort);
    return group;
}

QWidget *OptionsPage::BuildKeyboardGroup()
{
    auto *group = new QGroupBox(tr("Keyboard shortcuts"));
    group->setObjectName(QStringLiteral("KeyboardGroup"));
    m_everywhere = new QRadioButton(QStringLiteral("everywhere"));
    m_everywhere->setObjectName(QStringLiteral("KeyboardEverywhere"));
    m_everywhere->setToolTip(QStringLiteral("also while another program is in front"));
    m_whileActive = new QRadioButton(QStringLiteral("only while this window is active"));
    m_whileActive->setObjectName(QStringLiteral("KeyboardWhileActive"));
    // A group of their own: the panel's mode and filter buttons share this page's parent chain.
    auto *buttons = new QButtonGroup(group);
    buttons->addButton(m_everywhere);
    buttons->addButton(m_whileActive);

    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    layout->addWidget(new QLabel(tr("They act"), group));
    // As wide as their texts: a click beside a text would do nothing.
    layout->addWidget(m_everywhere, 0, Qt::AlignLeft);
    layout->addWidget(m_whileActive, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(m_everywhere, &QRadioButton::clicked, this, [this] {
        m_settings.setKeyboardScope(KeyboardScope::Everywhere);
        ApplyKeyboardScope(KeyboardScope::Everywhere);
    });
    connect(m_whileActive, &QRadioButton::clicked, this, [this] {
        m_settings.setKeyboardScope(KeyboardScope::WhileActive);
        ApplyKeyboardScope(KeyboardScope::WhileActive);
    });
    return group;
}

void OptionsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    RefreshPorts();
}

// The port list waits for the page to be shown: most runs never show it, and building it is a
// fair share of the work before the panel's first frame.
void OptionsPage::EnsurePortGroup()
{
    if (m_portList)
        return;
    m_scroll->setWidget(m_column->parentWidget());
    QWidget *group = BuildPortGroup();
    m_column->insertWidget(0, group);
    // In place at once, not when the event loop next turns: a click may follow the show.
    group->show();
    m_column->activate();
}

void OptionsPage::RefreshPorts()
{
    EnsurePortGroup();
    const QList<QTreeWidgetItem *> selected = m_portList->selectedItems();
    const QString keep = selected.isEmpty() ? QString() : selected.front()->text(kDevice);
    QString problem;
    const QList<PortEntry> ports = m_lister ? m_lister(&problem) : QList<PortEntry>();
    m_ports = problem.isEmpty() ? std::optional(ports) : std::nullopt;
    m_portList->clear();
    for (const PortEntry &port : ports) {
        auto *item = new QTreeWidgetItem(m_portList,
            {port.device, port.description, port.manufacturer, port.serialNumber, port.usbId});
        if (port.device == keep)
            item->setSelected(true);
    }
    if (ports.isEmpty()) {
        auto *item = new QTreeWidgetItem(m_portList,
            {problem.isEmpty()
                    ? tr("The system offers no serial port. Connect the receiver's adapter and "
                         "press Refresh.")
                    : problem});
        item->setFlags(Qt::NoItemFlags);
        item->setFirstColumnSpanned(true);
    }
    m_usePort->setEnabled(!m_portList->selectedItems().isEmpty());
    ShowChannel();
}

void OptionsPage::UseSelectedPort()
{
    const QList<QTreeWidgetItem *> selected = m_portList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString device = selected.front()->text(kDevice);
    m_channel.setText(device);
    m_settings.setPort(device);
}

void OptionsPage::ShowChannel()
{
    if (!m_channelShown)
        return;
    m_channelShown->setText(DescribeChannel(m_channel.text(), m_ports));
}

void OptionsPage::ApplyKeyboardScope(KeyboardScope scope)
{
    const bool whileActive = scope == KeyboardScope::WhileActive;
    m_whileActive->setChecked(whileActive);
    m_everywhere->setChecked(!whileActive);
    m_keyboard.setActiveWindowOnly(whileActive ? m_window : nullptr);
}
