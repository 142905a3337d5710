#include "../support/fakerig.h"
#include "options.h"
#include "rigctlprotocol.h"
#include "rigtarget.h"

#include <QTest>

namespace {

// The answers to a line's commands, each awaited before the next is asked, as the server does.
QByteArray Answer(const QByteArray &line, RigTarget &rig, RigctlState &state, bool *quit = nullptr)
{
    QByteArray text;
    for (const RigctlCommand &command :
        SplitRigctlLine(std::string_view(line.constData(), size_t(line.size())))) {
        std::optional<RigctlAnswer> answer;
        AnswerRigctlCommand(command, rig, state, [&answer](const RigctlAnswer &a) { answer = a; });
        if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 1000))
            return text + "<no answer>";
        text += QByteArray::fromStdString(answer->text);
        if (quit)
            *quit = answer->quit;
        if (answer->quit)
            break;
    }
    return text;
}

QByteArray Answer(const QByteArray &line, RigTarget &rig)
{
    RigctlState state;
    return Answer(line, rig, state);
}

} // namespace

class TestRigctlProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void quitEndsTheLine();
    void clientsChoicesHold();
    void switchingOnThatFails();
    void strength_data();
    void strength();
    void badTablesAreRefused_data();
    void badTablesAreRefused();
    void dumpStateReadsAsTheNetworkRigReadsIt();
};

void TestRigctlProtocol::commands_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("calls");
    const QStringList none;
    auto row = [](const char *name, bool on, const char *line, const char *answer,
                   const QStringList &calls) {
        QTest::newRow(name) << on << QByteArray(line) << QByteArray(answer) << calls;
    };

    row("f", true, "f", "105900000\n", none);
    row("get_freq", true, "\\get_freq", "105900000\n", none);
    row("F", true, "F 145500000", "RPRT 0\n", {"TuneTo 145.5"});
    row("F as the network rig sends it", true, "F 7100000.000000", "RPRT 0\n", {"TuneTo 7.1"});
    row("set_freq with exponent", true, "\\set_freq 1e8", "RPRT 0\n", {"TuneTo 100"});
    row("F lowest", true, "F 100000", "RPRT 0\n", {"TuneTo 0.1"});
    row("F highest", true, "F +1100000000", "RPRT 0\n", {"TuneTo 1100"});
    row("F below range", true, "F 99999", "RPRT -1\n", none);
    row("F above range", true, "F 1100000001", "RPRT -1\n", none);
    row("F negative", true, "F -145000000", "RPRT -1\n", none);
    row("F not a number", true, "F abc", "RPRT -1\n", none);
    row("F trailing letters", true, "F 145abc", "RPRT -1\n", none);
    row("F nan", true, "F nan", "RPRT -1\n", none);
    row("F infinite", true, "F inf", "RPRT -1\n", none);
    row("F comma decimal", true, "F 145500000,5", "RPRT -1\n", none);
    row("F missing", true, "F", "RPRT -1\n", none);

    row("m", true, "m", "FM\n100000\n", none);
    row("M mode only", true, "M USB 0", "RPRT 0\n", {"SetMode USB"});
    row("M no change", true, "\\set_mode LSB -1", "RPRT 0\n", {"SetMode LSB"});
    row("M WFM is PLS", true, "M WFM 2400", "RPRT 0\n", {"SetMode PLS", "SetFilter BW1"});
    row("M same mode, nearest filter", true, "M FM 240000", "RPRT 0\n", {"SetFilter BW4"});
    row("M halfway takes narrower", true, "M FM 200000", "RPRT 0\n", none);
    row("M very wide", true, "M CW 5000000", "RPRT 0\n", {"SetMode CW", "SetFilter BW5"});
    row("M unknown mode", true, "M FAX 0", "RPRT -1\n", none);
    // What digital-mode programs and their libraries send: data and reverse modes are the
    // receiver's nearest mode, -1 keeps the filter.
    row("M PKTUSB no change", true, "M PKTUSB -1", "RPRT 0\n", {"SetMode USB"});
    row("M CWR narrow", true, "M CWR 500", "RPRT 0\n", {"SetMode CW", "SetFilter BW1"});
    row("M FM-D, Hamlib's name for PKTFM", true, "M FM-D 0", "RPRT 0\n", none);
    row("M lower case", true, "M usb 0", "RPRT -1\n", none);
    row("M passband missing", true, "M USB", "RPRT -1\n", none);
    row("M passband not a number", true, "M USB wide", "RPRT -1\n", none);
    row("M passband negative", true, "M USB -2", "RPRT -1\n", none);
    row("M ?", true, "M ?",
        "AM CW USB LSB RTTY FM WFM CWR RTTYR AMS PKTLSB PKTUSB PKTFM SAM FMN PKTAM PKTFMN \nRPRT "
        "0\n",
        none);

    row("v", true, "v", "VFOA\n", none);
    row("V VFOA", true, "V VFOA", "RPRT 0\n", none);
    // A VFO it does not have is "not available", the one answer callers forgive.
    row("V VFOB", true, "V VFOB", "RPRT -11\n", none);
    row("V no VFO", true, "V VFOZ", "RPRT -1\n", none);
    row("V ?", true, "V ?", "VFOA \nRPRT 0\n", none);
    row("s", true, "s", "0\nVFOA\n", none);
    row("S off", true, "S 0 VFOA", "RPRT 0\n", none);
    row("S on", true, "S 1 VFOA", "RPRT -11\n", none);
    row("S bad", true, "S x VFOA", "RPRT -1\n", none);
    row("S missing VFO", true, "S 0", "RPRT -1\n", none);
    row("S off naming VFO B", true, "S 0 VFOB", "RPRT 0\n", none);
    row("t", true, "t", "0\n", none);
    // One answer for one command: the receiver cannot send, and "1" is no command of its own.
    row("T 1", true, "T 1", "RPRT -11\n", none);
    row("T 0", true, "T 0", "RPRT 0\n", none);

    // A VFO word before the arguments, as clients that asked for VFO mode send.
    row("f VFOA", true, "f VFOA", "105900000\n", none);
    row("f VFOB", true, "f VFOB", "RPRT -11\n", none);

    // A command it lacks takes its own arguments and answers once.
    row("lacking with two", true, "\\set_func NB 1 f", "RPRT -11\n105900000\n", none);
    row("lacking rest of line", true, "w FA; f", "RPRT -11\n", none);

    row("get_vfo_info", true, "\\get_vfo_info VFOA", "105900000\nFM\n100000\n0\n0\n", none);
    row("get_vfo_info VFOB", true, "\\get_vfo_info VFOB", "RPRT -11\n", none);

    row("l STRENGTH", true, "l STRENGTH", "0\n", none);
    row("l RAWSTR", true, "\\get_level RAWSTR", "75\n", none);
    row("l SQL", true, "l SQL", "0.025000\n", none);
    row("L SQL half", true, "L SQL 0.5", "RPRT 0\n", {"SetSquelch 20"});
    row("L SQL full", true, "\\set_level SQL 1", "RPRT 0\n", {"SetSquelch 40"});
    row("L SQL rounds", true, "L SQL 0.51", "RPRT 0\n", {"SetSquelch 20"});
    row("L SQL above one", true, "L SQL 1.5", "RPRT -1\n", none);
    row("L SQL not a number", true, "L SQL half", "RPRT -1\n", none);
    row("l a level it lacks", true, "l AF", "RPRT -11\n", none);
    row("L a level it lacks", true, "L STRENGTH 3", "RPRT -11\n", none);
    row("l no such level", true, "l NOPE", "RPRT -1\n", none);
    row("l ?", true, "l ?", "SQL RAWSTR STRENGTH \n", none);
    row("L ?", true, "L ?", "SQL \nRPRT 0\n", none);

    row("get_powerstat", true, "\\get_powerstat", "1\n", none);
    row("set_powerstat off", true, "\\set_powerstat 0", "RPRT 0\n", {"SetPower 0"});
    row("set_powerstat standby", true, "\\set_powerstat 2", "RPRT -1\n", none);
    row("chk_vfo", true, "\\chk_vfo", "0\n", none);
    row("_", true, "_", "QZ SERIAL REMOTE CONTROL\n", none);
    row("get_info", true, "\\get_info", "QZ SERIAL REMOTE CONTROL\n", none);
    row("get_lock_mode", true, "\\get_lock_mode", "0\nRPRT 0\n", none);

    row("unknown short", true, "X", "RPRT -11\n", none);
    row("unknown long", true, "\\get_foo", "RPRT -11\n", none);
    row("two letters", true, "fm", "RPRT -11\n", none);
    row("backslash alone", true, "\\", "RPRT -11\n", none);
    row("long name without backslash", true, "get_freq", "RPRT -11\n", none);
    row("empty line", true, "", "", none);
    row("blanks", true, " \t \r", "", none);
    row("comment", true, "# F 145500000", "", none);
    row("carriage return", true, "f\r", "105900000\n", none);
    row("two commands", true, "F 145500000 f", "RPRT 0\n145500000\n", {"TuneTo 145.5"});
    row("error does not stop the line", true, "F x m", "RPRT -1\nFM\n100000\n", none);
    row("non-ASCII", true, "\xff\xfe F", "RPRT -11\nRPRT -1\n", none);

    row("+f", true, "+f", "get_freq:\nFrequency: 105900000\nRPRT 0\n", none);
    row(";f", true, ";f", "get_freq:;Frequency: 105900000;RPRT 0\n", none);
    row("|m", true, "|m", "get_mode:|Mode: FM|Passband: 100000|RPRT 0\n", none);
    row(",s", true, ",s", "get_split_vfo:,Split: 0,TX VFO: VFOA,RPRT 0\n", none);
    row("+F", true, "+F 145500000", "set_freq: 145500000\nRPRT 0\n", {"TuneTo 145.5"});
    row("+F bad", true, "+F abc", "set_freq: abc\nRPRT -1\n", none);
    row("+l", true, "+l STRENGTH", "get_level: STRENGTH\n0\nRPRT 0\n", none);
    row(";L", true, ";L SQL 0", "set_level: SQL 0;RPRT 0\n", {"SetSquelch 0"});
    row("+M ?", true, "+M ?",
        "set_mode: ?\nAM CW USB LSB RTTY FM WFM CWR RTTYR AMS PKTLSB PKTUSB PKTFM SAM FMN PKTAM "
        "PKTFMN \n"
        "RPRT 0\n",
        none);
    row("+get_powerstat", true, "+\\get_powerstat", "get_powerstat:\nPower Status: 1\nRPRT 0\n",
        none);
    row(";get_info", true, ";\\get_info", "get_info:;Info: QZ SERIAL REMOTE CONTROL;RPRT 0\n",
        none);
    row("+chk_vfo", true, "+\\chk_vfo", "ChkVFO: 0\n", none);
    row("+unknown", true, "+X", "RPRT -11\n", none);
    row("+ alone", true, "+", "RPRT -11\n", none);

    row("off: f", false, "f", "RPRT -20\n", none);
    row("off: F", false, "F 145500000", "RPRT -20\n", none);
    row("off: M ?", false, "M ?", "RPRT -20\n", none);
    row("off: L", false, "L SQL 0.5", "RPRT -20\n", none);
    row("off: +f", false, "+f", "get_freq:\nRPRT -20\n", none);
    row("off: get_powerstat", false, "\\get_powerstat", "0\n", none);
    row("off: set_powerstat", false, "\\set_powerstat 1", "RPRT 0\n", {"SetPower 1"});
    row("off: chk_vfo", false, "\\chk_vfo", "0\n", none);
    row("off: set_vfo_opt", false, "\\set_vfo_opt 0", "RPRT 0\n", none);
    row("off: l STRENGTH", false, "l STRENGTH", "RPRT -20\n", none);
    row("off: get_info", false, "_", "QZ SERIAL REMOTE CONTROL\n", none);
    row("off: q", false, "q", "RPRT 0\n", none);
    row("off: unknown", false, "X", "RPRT -11\n", none);
}

void TestRigctlProtocol::commands()
{
    QFETCH(bool, on);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, calls);
    FakeRig rig;
    rig.on = on;
    QCOMPARE(Answer(line, rig), answer);
    QCOMPARE(rig.calls, calls);
}

void TestRigctlProtocol::quitEndsTheLine()
{
    FakeRig rig;
    RigctlState state;
    bool quit = false;
    QCOMPARE(Answer("f q F 145500000", rig, state, &quit), QByteArray("105900000\nRPRT 0\n"));
    QVERIFY(quit);
    QVERIFY(rig.calls.isEmpty());
    Answer("+Q", rig, state, &quit);
    QVERIFY(quit);
    Answer("f", rig, state, &quit);
    QVERIFY(!quit);
}

void TestRigctlProtocol::clientsChoicesHold()
{
    FakeRig rig;
    RigctlState state;
    // The data mode a program chose reads back as chosen while the receiver stays in it.
    QCOMPARE(Answer("M PKTUSB -1", rig, state), QByteArray("RPRT 0\n"));
    QCOMPARE(Answer("m", rig, state), QByteArray("PKTUSB\n100000\n"));
    QCOMPARE(
        Answer("\\get_vfo_info VFOA", rig, state), QByteArray("105900000\nPKTUSB\n100000\n0\n0\n"));
    rig.mode = kModeAM; // the operator's own choice on the panel
    QCOMPARE(Answer("m", rig, state), QByteArray("AM\n100000\n"));
    // Power commands refused on the operator's choice: told, nothing done.
    state.refusePower = true;
    rig.calls.clear();
    QCOMPARE(Answer("\\set_powerstat 0", rig, state), QByteArray("RPRT -22\n"));
    QVERIFY(rig.calls.isEmpty());
    QVERIFY(rig.on);
}

void TestRigctlProtocol::switchingOnThatFails()
{
    FakeRig rig;
    rig.on = false;
    rig.powerFails = true;
    // The serial port could not be opened: Hamlib's I/O error, and the rig stays off.
    QCOMPARE(Answer("\\set_powerstat 1", rig), QByteArray("RPRT -6\n"));
    QCOMPARE(Answer("\\get_powerstat", rig), QByteArray("0\n"));
}

void TestRigctlProtocol::strength_data()
{
    QTest::addColumn<QString>("table"); // as the operator writes it; empty: the meter's scale
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("db");
    // The meter's own scale, as clients have always read it.
    QTest::newRow("nothing: S0") << "" << 0 << -54;
    QTest::newRow("1") << "" << 1 << -53;
    QTest::newRow("2") << "" << 2 << -52;
    QTest::newRow("S6") << "" << 50 << -18;
    QTest::newRow("S9") << "" << 75 << 0;
    QTest::newRow("just over S9") << "" << 76 << 2;
    QTest::newRow("last blue bar") << "" << 86 << 26;
    QTest::newRow("first red bar") << "" << 87 << 28;
    QTest::newRow("99") << "" << 99 << 58;
    QTest::newRow("full meter") << "" << 100 << 60;
    QTest::newRow("highest reading") << "" << 255 << 60;
    // A receiver calibrated against a signal generator.
    const QString table = "10:-50 40:-24, 80:0 200:40";
    QTest::newRow("below the first point: held") << table << 0 << -50;
    QTest::newRow("between, rounded") << table << 20 << -41;
    QTest::newRow("at a middle point") << table << 40 << -24;
    QTest::newRow("beyond the last point: held") << table << 255 << 40;
    QTest::newRow("falling dB") << "0:10 100:-10" << 50 << 0;
}

void TestRigctlProtocol::strength()
{
    QFETCH(QString, table);
    QFETCH(int, reading);
    QFETCH(int, db);
    std::string error;
    const std::optional<StrengthCalibration> calibration
        = StrengthCalibration::Parse(table.toStdString(), &error);
    QVERIFY2(calibration, error.c_str());
    QCOMPARE(QString::fromStdString(calibration->Text()), table.simplified().remove(','));
    FakeRig rig;
    RigctlState state;
    state.calibration = *calibration;
    rig.reading = reading;
    QCOMPARE(Answer("l STRENGTH", rig, state), QByteArray::number(db) + '\n');
    QCOMPARE(Answer("l RAWSTR", rig, state), QByteArray::number(reading) + '\n');
    // No reading in time: a timeout, not a made-up S0.
    rig.reading.reset();
    QCOMPARE(Answer("l STRENGTH", rig, state), QByteArray("RPRT -5\n"));
    QCOMPARE(Answer(";l RAWSTR", rig, state), QByteArray("get_level: RAWSTR;RPRT -5\n"));
}

void TestRigctlProtocol::badTablesAreRefused_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("error");
    QTest::newRow("one point") << "75:0"
                               << "a table needs at least two points";
    QTest::newRow("not rising") << "0:-54 75:0 75:10"
                                << "raw readings must rise: 75 follows 75";
    QTest::newRow("no colon") << "0:-54 75"
                              << "\"75\" is not RAW:DB";
    QTest::newRow("reading too high") << "0:-54 256:60"
                                      << "raw reading 256 is outside 0 to 255";
}

void TestRigctlProtocol::badTablesAreRefused()
{
    QFETCH(QString, table);
    QFETCH(QString, error);
    std::string why;
    QVERIFY(!StrengthCalibration::Parse(table.toStdString(), &why));
    QCOMPARE(QString::fromStdString(why), error);
}

void TestRigctlProtocol::dumpStateReadsAsTheNetworkRigReadsIt()
{
    FakeRig rig;
    QCOMPARE(Answer("\\dump_state", rig), QByteArray::fromStdString(RigctlDumpState()));
    rig.on = false; // the network rig reads it when it connects, whatever the rig's state
    const QByteArray text = Answer("\\dump_state", rig);
    QVERIFY(text.endsWith("done\n"));
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    int at = 0;
    auto next = [&] {
        return at < lines.size() ? lines[at++] : QByteArray("<missing>");
    };
    auto fields = [](const QByteArray &line) {
        return line.simplified().split(' ');
    };

    QCOMPARE(next(), QByteArray("1")); // protocol 1: key=value lines follow
    next(); // rig model
    next(); // region
    // Ranges end with a line of seven zeros; the receive range covers 0.1 … 1100 MHz.
    const QList<QByteArray> rx = fields(next());
    QCOMPARE(rx.size(), 7);
    QCOMPARE(rx[0].toDouble(), 100000.0);
    QCOMPARE(rx[1].toDouble(), 1100000000.0);
    // Every mode clients set, data modes included, or Hamlib refuses them before asking.
    const qulonglong modes = rx[2].toULongLong(nullptr, 0);
    const qulonglong clientsSet = 0x1 | 0x2 | 0x4 | 0x8 | 0x20 | 0x40 | 0x400 | 0x800 | 0x1000;
    QCOMPARE(modes & clientsSet, clientsSet); // AM … WFM, PKTLSB, PKTUSB, PKTFM
    QCOMPARE(next(), QByteArray("0 0 0 0 0 0 0"));
    QCOMPARE(next(), QByteArray("0 0 0 0 0 0 0")); // nothing to transmit on
    QList<QByteArray> pair;
    while (!(pair = fields(next())).isEmpty() && pair != QList<QByteArray> {"0", "0"})
        QCOMPARE(pair.size(), 2); // tuning steps
    QList<int> widths;
    while (!(pair = fields(next())).isEmpty() && pair != QList<QByteArray> {"0", "0"})
        widths << pair[1].toInt();
    QCOMPARE(widths, (QList<int> {10000, 50000, 100000, 300000, 1000000}));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(next(), QByteArray("0")); // RIT, XIT, IF shift, announces
    QCOMPARE(next(), QByteArray()); // preamplifiers
    QCOMPARE(next(), QByteArray()); // attenuators
    QList<qulonglong> masks;
    for (int i = 0; i < 6; ++i)
        masks << next().toULongLong(nullptr, 0);
    const qulonglong sql = 1ull << 5, rawstr = 1ull << 26, strength = 1ull << 30;
    QCOMPARE(masks[2], sql | rawstr | strength);
    QCOMPARE(masks[3], sql);
    QStringList keys;
    for (QByteArray line = next(); line != "done"; line = next()) {
        const qsizetype equals = line.indexOf('=');
        QVERIFY2(equals > 0 && equals + 1 < line.size(), line.constData());
        keys << QString::fromLatin1(line.left(equals));
    }
    QVERIFY(keys.contains("has_set_freq"));
    // No VFO to switch to: Hamlib then answers split-off questions itself.
    QVERIFY(lines.contains("has_set_vfo=0"));
    QVERIFY(lines.contains("has_get_vfo=0"));
    QVERIFY(keys.contains("timeout"));
    QCOMPARE(at, lines.size());
}

QTEST_GUILESS_MAIN(TestRigctlProtocol)
#include "tst_rigctlprotocol.moc"
