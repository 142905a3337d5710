#pragma once

#include "panelsettings.h"
#include "portlist.h"

#include <QWidget>

#include <functional>

class KeyboardPoll;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTreeWidget;
class QHBoxLayout;
class QVBoxLayout;

// The " O&PTIONS" page: the program's settings, one group each: the serial ports across the
// page, the others side by side under it, all in view (the page scrolls only when a large font
// makes them outgrow it). The serial-port chooser lists the ports the system offers and puts
// the chosen one into the channel box (it takes effect at the next ON, as a typed one does); the
// keyboard group sets where the shortcuts act. Choices are remembered in the settings.
class OptionsPage : public QWidget
{
    Q_OBJECT

public:
    // The ports offered; where none can be listed at all, the lister says why in problem.
    using PortLister = std::function<QList<PortEntry>(QString *problem)>;

    // Fills page (the tab's own widget). window is the panel whose being active the keyboard
    // scope "only while this window is active" asks for.
    OptionsPage(QLineEdit &channel, PanelSettings &settings, KeyboardPoll &keyboard,
        QWidget *window, QWidget *page);

    // Another feature's settings: the group joins the row under the port list, right of those
    // already there.
    void addGroup(QWidget *group);

    // Where the chooser's list comes from; SystemPorts unless replaced.
    void setPortLister(PortLister lister);
    // Lists the ports again, keeping the selected one selected where it is still there.
    void RefreshPorts();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *BuildPortGroup();
    void EnsurePortGroup();
    QWidget *BuildKeyboardGroup();
    void UseSelectedPort();
    void ShowChannel();
    void ApplyKeyboardScope(KeyboardScope scope);

    QLineEdit &m_channel;
    PanelSettings &m_settings;
    KeyboardPoll &m_keyboard;
    QWidget *m_window;
    PortLister m_lister;
    // As last listed; nothing when the ports could not be listed at all.
    std::optional<QList<PortEntry>> m_ports {QList<PortEntry>()};
    QScrollArea *m_scroll = nullptr;
    QVBoxLayout *m_column = nullptr;
    QHBoxLayout *m_groups = nullptr;
    QTreeWidget *m_portList = nullptr;
    QLabel *m_channelShown = nullptr;
    QPushButton *m_usePort = nullptr;
    QRadioButton *m_everywhere = nullptr;
    QRadioButton *m_whileActive = nullptr;
};
