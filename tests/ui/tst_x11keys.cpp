#include "../support/panelfacts.h"
#include "../support/ptyread.h"
#include "keyboardpoll.h"
#include "keysource.h"
#include "mainwindow.h"
#include "x11keysource.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

// Sends keys to the X server the way a keyboard does (XTEST); "key" presses and releases.
static bool Xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStandardPaths::findExecutable("xdotool"), arguments) == 0;
}

class TestX11Keys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keysymsMapToVirtualKeys_data();
    void keysymsMapToVirtualKeys();

    void xcbUsesThePhysicalKeyboard();
    void tappedKeyIsRememberedUntilQueried();
    void heldKeyIsDownUntilReleased();
    void keypadFollowsNumLock();
    void keyFromTheKeyboardStepsUp();
    void pageDownOnTheKeyboardTunesTheReceiver();
    void keyTypedIntoAnotherProgram_data();
    void keyTypedIntoAnotherProgram();

private:
    std::unique_ptr<X11KeySource> m_keys;
    QStringList m_keysToRelease;
    bool m_numLockOn = false;
};

void TestX11Keys::init()
{
    const QByteArray name = QTest::currentTestFunction();
    if (name.startsWith("keysyms"))
        return;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("no X display reachable");
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("xdotool is not installed");
    m_keys = X11KeySource::Open();
    if (!m_keys)
        QSKIP("the X server has no XInput2");
    m_keys->Flush();
}

void TestX11Keys::cleanup()
{
    for (const QString &key : std::as_const(m_keysToRelease))
        Xdotool({"keyup", key});
    m_keysToRelease.clear();
    if (m_numLockOn)
        Xdotool({"key", "Num_Lock"});
    m_numLockOn = false;
    m_keys.reset();
}

void TestX11Keys::keysymsMapToVirtualKeys_data()
{
    QTest::addColumn<qulonglong>("keysym");
    QTest::addColumn<int>("virtualKey");

    // Values from the X protocol's keysym table.
    QTest::newRow("Prior") << 0xff55ULL << 0x21;
    QTest::newRow("Next") << 0xff56ULL << 0x22;
    QTest::newRow("End") << 0xff57ULL << 0x23;
    QTest::newRow("Home") << 0xff50ULL << 0x24;
    QTest::newRow("Insert") << 0xff63ULL << 0x2D;
    QTest::newRow("Delete") << 0xffffULL << 0x2E;
    QTest::newRow("Escape") << 0xff1bULL << 0x1B;
    QTest::newRow("Pause") << 0xff13ULL << 0x13;
    QTest::newRow("Control_L") << 0xffe3ULL << 0x11;
    QTest::newRow("Shift_L") << 0xffe1ULL << 0x10;
    QTest::newRow("BackSpace") << 0xff08ULL << 0x08;
    QTest::newRow("u") << 0x75ULL << 0x55;
    QTest::newRow("d") << 0x64ULL << 0x44;
    QTest::newRow("9") << 0x39ULL << 0x39;
    QTest::newRow("KP_End") << 0xff9cULL << 0x23;
    QTest::newRow("KP_Delete") << 0xff9fULL << 0x2E;
    QTest::newRow("KP_1") << 0xffb1ULL << 0x61;
    QTest::newRow("KP_Decimal") << 0xffaeULL << 0x6E;
    QTest::newRow("KP_Enter") << 0xff8dULL << 0x0D;
    QTest::newRow("F16") << 0xffcdULL << 0x7F;
    QTest::newRow("F17 is past 127") << 0xffceULL << -1;
    QTest::newRow("minus has no code below 128") << 0x2dULL << -1;
    QTest::newRow("Num_Lock") << 0xff7fULL << -1;
}

void TestX11Keys::keysymsMapToVirtualKeys()
{
    QFETCH(qulonglong, keysym);
    QFETCH(int, virtualKey);
    QCOMPARE(VirtualKeyFromKeysym(keysym), virtualKey);
}

void TestX11Keys::xcbUsesThePhysicalKeyboard()
{
    const std::unique_ptr<KeySource> keys = CreateKeySource();
    QVERIFY(dynamic_cast<X11KeySource *>(keys.get()));
}

void TestX11Keys::tappedKeyIsRememberedUntilQueried()
{
    QVERIFY(!m_keys->Query(0x21));
    QVERIFY(Xdotool({"key", "Prior"}));
    // Released again before the query: only the remembered press can answer.
    bool seen = false;
    QTRY_VERIFY(seen || (seen = m_keys->Query(0x21)));
    QVERIFY(!m_keys->Query(0x21));
    QVERIFY(!m_keys->Query(0x22));
}

void TestX11Keys::heldKeyIsDownUntilReleased()
{
    m_keysToRelease << "Home";
    QVERIFY(Xdotool({"keydown", "Home"}));
    bool seen = false;
    QTRY_VERIFY(seen || (seen = m_keys->Query(0x24)));
    // The press is consumed; what answers now is the key being down.
    QVERIFY(m_keys->Query(0x24));
    QVERIFY(m_keys->Query(0x24));
    QVERIFY(Xdotool({"keyup", "Home"}));
    QTRY_VERIFY(!m_keys->Query(0x24));
    QVERIFY(!m_keys->Query(0x24));
}

void TestX11Keys::keypadFollowsNumLock()
{
    // The keypad's End key types 1 while Num Lock is on: typing a port number on the keypad must
    // not jump the frequency.
    QVERIFY(Xdotool({"key", "Num_Lock"}));
    m_numLockOn = true;
    QVERIFY(Xdotool({"key", "KP_End"}));
    bool seen = false;
    QTRY_VERIFY(seen || (seen = m_keys->Query(0x61)));
    QVERIFY(!m_keys->Query(0x23));

    QVERIFY(Xdotool({"key", "Num_Lock"}));
    m_numLockOn = false;
    QVERIFY(Xdotool({"key", "KP_End"}));
    seen = false;
    QTRY_VERIFY(seen || (seen = m_keys->Query(0x23)));
    QVERIFY(!m_keys->Query(0x61));
}

void TestX11Keys::keyFromTheKeyboardStepsUp()
{
    // No window of this program has the focus: the keyboard is read all the same.
    QStringList log;
    KeyboardActions actions;
    actions.stepUp = [&log] {
        log << "stepUp";
    };
    actions.stepDown = [&log] {
        log << "stepDown";
    };
    KeyboardPoll poll(*m_keys, std::move(actions), {});

    QVERIFY(Xdotool({"key", "u"}));
    QTRY_COMPARE((poll.Tick(), log), QStringList {"stepUp"});
    poll.Tick();
    QCOMPARE(log, QStringList {"stepUp"});
}

void TestX11Keys::pageDownOnTheKeyboardTunesTheReceiver()
{
    PseudoTerminal pty;
    MainWindow window(pty.slavePath());
    window.show();
    window.panel().RadioOn->click();
    QCOMPARE(pty.read(), kPowerOnBytes);

    QVERIFY(Xdotool({"key", "Next"}));
    QVERIFY(CollectUntil(pty, "FRQ ").contains("FRQ 0105.800;FM;BW3\r"));
    QCOMPARE(window.panel().DisplayFrequency->line(), QStringLiteral(" 105.800.000"));
    QCOMPARE(window.focusWidget(), window.panel().FrequencyDown);
}

// Xlib's macros clash with Qt's names: it comes after Qt's headers and the tests that use them.
#include <X11/Xlib.h>

namespace {

// A window of another X client, as another program's window would be: it can be given the
// keyboard focus and counts the keys it receives.
class OtherClient
{
public:
    OtherClient()
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 700, 0, 300, 200, 0,
            0, WhitePixel(m_display, DefaultScreen(m_display)));
        XSelectInput(m_display, m_window, KeyPressMask | StructureNotifyMask);
        XMapRaised(m_display, m_window);
        XEvent event;
        do
            XWindowEvent(m_display, m_window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
    }
    ~OtherClient()
    {
        if (m_display) {
            XDestroyWindow(m_display, m_window);
            XCloseDisplay(m_display);
        }
    }
    bool isOpen() const { return m_display != nullptr; }
    void takeFocus() { focus(m_window); }
    // As a window manager does when the operator clicks into another window.
    void focus(Window window)
    {
        XSetInputFocus(m_display, window, RevertToPointerRoot, CurrentTime);
        XSync(m_display, False);
    }
    int keyPresses()
    {
        XEvent event;
        while (XCheckWindowEvent(m_display, m_window, KeyPressMask, &event))
            ++m_keyPresses;
        return m_keyPresses;
    }

private:
    Display *m_display = nullptr;
    Window m_window = 0;
    int m_keyPresses = 0;
};

// What reached the receiver, without the signal polls.
QByteArray WithoutPolls(QByteArray bytes)
{
    return bytes.replace("SS?\r", "");
}

} // namespace

void TestX11Keys::keyTypedIntoAnotherProgram_data()
{
    QTest::addColumn<QString>("scope"); // the option button chosen on the OPTIONS page
    QTest::addColumn<QByteArray>("sent"); // by Page Down typed into the other program
    QTest::newRow("everywhere") << "KeyboardEverywhere" << QByteArray("FRQ 0105.800;FM;BW3\r");
    QTest::newRow("only while active") << "KeyboardWhileActive" << QByteArray();
}

void TestX11Keys::keyTypedIntoAnotherProgram()
{
    QFETCH(QString, scope);
    QFETCH(QByteArray, sent);
    PseudoTerminal pty;
    MainWindow window(pty.slavePath());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.panel().SSTab1->setCurrentIndex(5);
    auto *choice = window.findChild<QRadioButton *>(scope);
    QTest::mouseClick(choice, Qt::LeftButton, {}, QPoint(8, choice->height() / 2));
    QVERIFY(choice->isChecked());
    window.panel().SSTab1->setCurrentIndex(0);
    window.panel().RadioOn->click();
    QCOMPARE(pty.read(), kPowerOnBytes);

    OtherClient other;
    QVERIFY(other.isOpen());
    other.takeFocus();
    QTRY_VERIFY(!window.isActiveWindow());
    QVERIFY(Xdotool({"key", "Next"}));
    QTRY_COMPARE(other.keyPresses(), 1);
    // Several keyboard polls' time.
    QCOMPARE(WithoutPolls(CollectFor(pty, 400)), sent);

    // In the panel the key acts whatever the scope, and a key typed elsewhere is not done late.
    other.focus(Window(window.winId()));
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // On a button, which does nothing with the key itself (a focused step list would change step).
    window.panel().FrequencyDown->setFocus();
    QVERIFY(Xdotool({"key", "Next"}));
    const QByteArray expected = sent.isEmpty() ? "FRQ 0105.800;FM;BW3\r" : "FRQ 0105.700;FM;BW3\r";
    QByteArray got = CollectUntil(pty, expected);
    got += CollectFor(pty, 300);
    QCOMPARE(WithoutPolls(got), expected);
    QCOMPARE(other.keyPresses(), 1);
}

// Offscreen, where the X tests skip, when there is no display.
#include "../support/xtestmain.h"

QZ_X11_TEST_MAIN(TestX11Keys)

#include "tst_x11keys.moc"
