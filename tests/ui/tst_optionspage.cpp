#include "../support/dialogs.h"
#include "../support/panelfacts.h"
#include "../support/ptyread.h"
#include "mainwindow.h"
#include "optionspage.h"
#include "panelsettings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

constexpr int kOptionsTab = 5;

// A receiver on a pseudo-terminal, offered by the chooser as the system would offer an adapter.
PortEntry Offered(const PseudoTerminal &pty, const QString &description)
{
    return {pty.slavePath(), description, "QZ tests", "T-0001", "0403:6001"};
}

// The OPTIONS page of a window, worked with the mouse only.
struct Options
{
    explicit Options(MainWindow &w)
        : window(w)
    { }

    MainWindow &window;
    QTreeWidget *list() const { return window.findChild<QTreeWidget *>("PortList"); }
    QPushButton *button(const char *name) const { return window.findChild<QPushButton *>(name); }
    QRadioButton *radio(const char *name) const { return window.findChild<QRadioButton *>(name); }
    QString shown() const { return window.findChild<QLabel *>("ChannelShown")->text(); }
    QString channel() const { return window.panel().Channelnum->text(); }

    void open()
    {
        window.show();
        window.panel().SSTab1->setCurrentIndex(kOptionsTab);
    }
    QStringList devices() const
    {
        QStringList devices;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            devices << list()->topLevelItem(i)->text(0);
        return devices;
    }
    QTreeWidgetItem *row(const QString &device) const
    {
        const QList<QTreeWidgetItem *> found = list()->findItems(device, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    }
    void click(QWidget *widget) const
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    // Picks the device's row and presses "Use this port".
    void use(const QString &device) const
    {
        QTreeWidgetItem *item = row(device);
        QVERIFY(item);
        list()->scrollToItem(item);
        QTest::mouseClick(
            list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
        QVERIFY(item->isSelected());
        QVERIFY(button("UsePort")->isEnabled());
        click(button("UsePort"));
    }
};

} // namespace

class TestOptionsPage : public QObject
{
    Q_OBJECT

private slots:
    void freshInstallationStartsAsDesigned();
    void chooserShowsWhatTheSystemReports();
    void useThisPortTakesEffectAtTheNextOn();
    void choiceSurvivesARestart();
    void keyboardScopeIsRemembered();
    void listIsRefilledWhenShownAndByRefresh();
    void otherFeaturesAddTheirGroups();
    void portInUseByAnotherPanelIsNamed();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> NewSettings(const QString &name)
    {
        return std::make_unique<QSettings>(m_dir.filePath(name), QSettings::IniFormat);
    }
};

void TestOptionsPage::freshInstallationStartsAsDesigned()
{
    const auto settings = NewSettings("fresh.conf");
    MainWindow window(settings.get());
    Options options(window);
    QCOMPARE(options.channel(), QStringLiteral("1"));
    QVERIFY(options.radio("KeyboardEverywhere")->isChecked());
    QVERIFY(!options.radio("KeyboardWhileActive")->isChecked());
    QCOMPARE(window.panel().SSTab1->currentIndex(), 0);
    options.open();
    QVERIFY(options.shown().startsWith(QStringLiteral("Channel \"1\" is /dev/ttyS0")));
    // Looking is not choosing: nothing is stored until the operator picks something.
    QVERIFY(settings->allKeys().isEmpty());
}

void TestOptionsPage::chooserShowsWhatTheSystemReports()
{
    PseudoTerminal pty;
    MainWindow window;
    Options options(window);
    window.optionsPage().setPortLister([&pty](QString *) {
        QList<PortEntry> ports = SystemPorts();
        ports << Offered(pty, "Test receiver");
        return ports;
    });
    options.open();

    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    QCOMPARE(options.list()->topLevelItemCount(), system.size() + 1);
    for (int i = 0; i < system.size(); ++i) {
        const QSerialPortInfo &info = system[i];
        const QTreeWidgetItem *item = options.list()->topLevelItem(i);
        QCOMPARE(item->text(0), info.systemLocation());
        // What the system says, or the port's kind when it says nothing.
        QCOMPARE(item->text(1),
            info.description().isEmpty() ? PortKindDescription(info.systemLocation())
                                         : info.description());
        QCOMPARE(item->text(2), info.manufacturer());
        QCOMPARE(item->text(3), info.serialNumber());
        const QString usb = info.hasVendorIdentifier() && info.hasProductIdentifier()
            ? QStringLiteral("%1:%2")
                  .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                  .arg(info.productIdentifier(), 4, 16, QChar('0'))
            : QString();
        QCOMPARE(item->text(4), usb);
    }
    const QTreeWidgetItem *offered = options.list()->topLevelItem(system.size());
    QCOMPARE(offered->text(0), pty.slavePath());
    QCOMPARE(offered->text(1), QStringLiteral("Test receiver"));
    QCOMPARE(offered->text(4), QStringLiteral("0403:6001"));
    // USB ids as adapters are known by, in four hexadecimal digits each.
    QCOMPARE(UsbId(0x067b, 0x2303), QStringLiteral("067b:2303"));
    QCOMPARE(UsbId(0x067b, std::nullopt), QString());
    // Nothing is chosen by listing.
    QVERIFY(!options.button("UsePort")->isEnabled());
    QCOMPARE(options.channel(), QStringLiteral("1"));
}

void TestOptionsPage::useThisPortTakesEffectAtTheNextOn()
{
    PseudoTerminal first;
    PseudoTerminal chosen;
    MainWindow window(first.slavePath());
    Options options(window);
    window.optionsPage().setPortLister([&](QString *) {
        return QList<PortEntry> {Offered(first, "First"), Offered(chosen, "Chosen")};
    });
    options.open();
    QCOMPARE(options.shown(),
        QStringLiteral("Channel \"%1\": First, QZ tests, serial number T-0001, USB "
                       "0403:6001.")
            .arg(first.slavePath()));
    options.click(window.panel().RadioOn);
    QCOMPARE(first.read(), kPowerOnBytes);

    // Chosen while on: the link stays where it is until the next ON, as a typed port does.
    options.use(chosen.slavePath());
    QCOMPARE(options.channel(), chosen.slavePath());
    QVERIFY(options.shown().startsWith(
        QStringLiteral("Channel \"%1\": Chosen").arg(chosen.slavePath())));
    options.click(window.panel().FrequencyUp);
    QCOMPARE(first.read(), QByteArray("FRQ 0106.000;FM;BW3\r"));
    options.click(window.panel().RadioOff);
    QCOMPARE(first.read(), QByteArray("RMT/\r"));
    QCOMPARE(chosen.readAvailable(), QByteArray());

    options.click(window.panel().RadioOn);
    QCOMPARE(chosen.read(),
        QByteArray("RMT\rCOR 1\rAFC/\rAGC/\r"
                   "FRQ 0106.000;FM;BW3\rFRQ 0106.000;FM;BW3\rFRQ 0106.000;FM;BW3\r"));
    QCOMPARE(window.panel().OnOffLabel->color(), kGreen);
    QCOMPARE(first.readAvailable(), QByteArray());
    options.click(window.panel().RadioOff);
}

void TestOptionsPage::choiceSurvivesARestart()
{
    PseudoTerminal chosen;
    const QString file = "restart.conf";
    {
        const auto settings = NewSettings(file);
        MainWindow window(settings.get());
        Options options(window);
        window.optionsPage().setPortLister(
            [&](QString *) { return QList<PortEntry> {Offered(chosen, "R")}; });
        options.open();
        // A double click on the row does what the button does.
        QTreeWidgetItem *item = options.row(chosen.slavePath());
        QVERIFY(item);
        const QPoint at = options.list()->visualItemRect(item).center();
        QTest::mouseClick(options.list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(options.list()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(options.channel(), chosen.slavePath());
    }

    // The program started again, without --port.
    const auto settings = NewSettings(file);
    MainWindow window(settings.get());
    Options options(window);
    QCOMPARE(options.channel(), chosen.slavePath());
    options.click(window.panel().RadioOn);
    QCOMPARE(chosen.read(), kPowerOnBytes);
    options.click(window.panel().RadioOff);
    QCOMPARE(chosen.read(), QByteArray("RMT/\r"));

    // A port given on the command line wins for that run and leaves the remembered one alone.
    {
        MainWindow given(settings.get(), QStringLiteral("/dev/ttyQZ-given"));
        QCOMPARE(given.panel().Channelnum->text(), QStringLiteral("/dev/ttyQZ-given"));
    }
    const auto reread = NewSettings(file);
    MainWindow again(reread.get());
    QCOMPARE(again.panel().Channelnum->text(), chosen.slavePath());
}

void TestOptionsPage::keyboardScopeIsRemembered()
{
    const QString file = "scope.conf";
    {
        const auto settings = NewSettings(file);
        MainWindow window(settings.get());
        Options options(window);
        options.open();
        options.click(options.radio("KeyboardWhileActive"));
        QVERIFY(options.radio("KeyboardWhileActive")->isChecked());
        QVERIFY(!options.radio("KeyboardEverywhere")->isChecked());
        // The panel's own option buttons are not touched by these.
        QVERIFY(window.panel().Mode[1]->isChecked());
        QVERIFY(window.panel().Filter[2]->isChecked());
    }
    {
        const auto settings = NewSettings(file);
        MainWindow window(settings.get());
        Options options(window);
        QVERIFY(options.radio("KeyboardWhileActive")->isChecked());
        options.open();
        options.click(options.radio("KeyboardEverywhere"));
    }
    const auto settings = NewSettings(file);
    QCOMPARE(PanelSettings(settings.get()).keyboardScope(), KeyboardScope::Everywhere);
    // A damaged value falls back to the default.
    settings->setValue("keyboard/scope", "sometimes");
    QCOMPARE(PanelSettings(settings.get()).keyboardScope(), KeyboardScope::Everywhere);
}

void TestOptionsPage::listIsRefilledWhenShownAndByRefresh()
{
    PseudoTerminal a;
    PseudoTerminal b;
    QList<PortEntry> offered;
    QString problem;
    int listings = 0;
    MainWindow window;
    Options options(window);
    window.optionsPage().setPortLister([&](QString *why) {
        ++listings;
        *why = problem;
        return offered;
    });
    window.show();
    QCOMPARE(listings, 0); // not while the page is hidden
    options.open();
    QCOMPARE(listings, 1);
    // Nothing offered: the list says so, and nothing can be used.
    QCOMPARE(options.list()->topLevelItemCount(), 1);
    QVERIFY(
        options.list()->topLevelItem(0)->text(0).startsWith("The system offers no serial port"));
    QCOMPARE(options.list()->topLevelItem(0)->flags(), Qt::NoItemFlags);
    QVERIFY(!options.button("UsePort")->isEnabled());

    offered << Offered(a, "A");
    options.click(options.button("RefreshPorts"));
    QCOMPARE(listings, 2);
    QCOMPARE(options.devices(), QStringList {a.slavePath()});
    QTest::mouseClick(options.list()->viewport(), Qt::LeftButton, {},
        options.list()->visualItemRect(options.row(a.slavePath())).center());

    // A device plugged in meanwhile shows when the page is shown again; the choice stays.
    offered.prepend(Offered(b, "B"));
    window.panel().SSTab1->setCurrentIndex(0);
    window.panel().SSTab1->setCurrentIndex(kOptionsTab);
    QCOMPARE(listings, 3);
    QCOMPARE(options.devices(), (QStringList {b.slavePath(), a.slavePath()}));
    QVERIFY(options.row(a.slavePath())->isSelected());
    QVERIFY(options.button("UsePort")->isEnabled());

    // None can be listed at all: the list says why rather than send the operator to the adapter.
    offered.clear();
    problem = QStringLiteral("This installation cannot use serial ports (no module).");
    options.click(options.button("RefreshPorts"));
    QCOMPARE(options.list()->topLevelItemCount(), 1);
    QCOMPARE(options.list()->topLevelItem(0)->text(0), problem);
    QVERIFY(!options.button("UsePort")->isEnabled());
    // Nor is a port said to be missing from a list that could not be made.
    window.panel().Channelnum->setText(a.slavePath());
    QCOMPARE(options.shown(),
        QStringLiteral("Channel \"%1\" cannot be looked up: the serial ports cannot be listed.")
            .arg(a.slavePath()));
}

void TestOptionsPage::otherFeaturesAddTheirGroups()
{
    MainWindow window;
    Options options(window);
    auto *group = new QGroupBox("Network server");
    group->setObjectName("LaterGroup");
    window.optionsPage().addGroup(group);
    options.open();
    QVERIFY(group->isVisible());
    // Beside the groups already there, in view on the page.
    const QWidget *keyboard = window.findChild<QWidget *>("KeyboardGroup");
    QVERIFY(group->mapTo(&window, QPoint()).x() > keyboard->mapTo(&window, QPoint()).x());
    QCOMPARE(group->mapTo(&window, QPoint()).y(), keyboard->mapTo(&window, QPoint()).y());
}

void TestOptionsPage::portInUseByAnotherPanelIsNamed()
{
    PseudoTerminal pty;
    QTemporaryDir config;
    QProcess other;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", config.path());
    other.setProcessEnvironment(environment);
    other.start(QStringLiteral(QZ_REMOTE_PATH), {"--port", pty.slavePath(), "--power-on"});
    QVERIFY(other.waitForStarted());
    // The other panel has the port once its power-on reaches the receiver.
    QVERIFY(CollectUntil(pty, "RMT\r", 10000).contains("RMT\r"));

    MainWindow window(pty.slavePath());
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Ok); });
    window.panel().RadioOn->click();
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(answer.titles().first(), QStringLiteral("Cannot switch on"));
    QCOMPARE(answer.texts().first(),
        QStringLiteral("The serial port %1 cannot be opened.\n\nIt is in use by qz-remote (process "
                       "%2). Close that program, then press ON again.")
            .arg(pty.slavePath())
            .arg(other.processId()));
    QCOMPARE(window.panel().OnOffLabel->color(), kRed);

    other.kill();
    QVERIFY(other.waitForFinished());
    CollectFor(pty, 50);
    window.panel().RadioOn->click();
    QCOMPARE(pty.read(), kPowerOnBytes);
}

QTEST_MAIN(TestOptionsPage)
#include "tst_optionspage.moc"
