#include "options.h"
#include "rigctlprotocol.h"
#include "rigtarget.h"

#include <QtTest>

namespace {

// A receiver that records what the protocol asks of it.
class FakeRig : public RigTarget
{
public:
    bool on = true;
    bool powerFails = false;
    double mhz = 105.9;
    int mode = kModeFM;
    int filter = kFilter3;
    int squelch = 1;
    std::optional<int> reading = 75;
    QStringList calls;

    bool IsOn() const override { return on; }
    bool SetPower(bool wanted) override
    {
        calls << QStringLiteral("SetPower %1").arg(wanted);
        if (!(wanted && powerFails))
            on = wanted;
        return on == wanted;
    }
    double FrequencyMHz() const override { return mhz; }
    void TuneTo(double frequencyMHz) override
    {
        calls << QStringLiteral("TuneTo %1").arg(frequencyMHz, 0, 'g', 12);
        mhz = frequencyMHz;
    }
    int ModeIndex() const override { return mode; }
    int FilterIndex() const override { return filter; }
    void SetMode(int row) override
    {
        calls << QStringLiteral("SetMode %1").arg(kModeTable[size_t(row)].caption);
        mode = row;
    }
    void SetFilter(int row) override
    {
        calls << QStringLiteral("SetFilter %1").arg(kFilterTable[size_t(row)].word);
        filter = row;
    }
    int SquelchLevel() const override { return squelch; }
    void SetSquelch(int level) override
    {
        calls << QStringLiteral("SetSquelch %1").arg(level);
        squelch = level;
    }
    std::optional<int> LastSignalReading() const override { return reading; }
    void ReadSignal(std::function<void(std::optional<int>)> done) override { done(reading); }
};

QByteArray Answer(const QByteArray &line, RigTarget &rig)
{
    return QByteArray::fromStdString(
        AnswerRigctlLine(std::string_view(line.constData(), size_t(line.size())), rig).text);
}

} // namespace

class TestRigctlProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void quitEndsTheLine();
    void switchingOnThatFails();
    void strength_data();
    void strength();
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
    row("M unknown mode", true, "M RTTY 0", "RPRT -1\n", none);
    row("M lower case", true, "M usb 0", "RPRT -1\n", none);
    row("M passband missing", true, "M USB", "RPRT -1\n", none);
    row("M passband not a number", true, "M USB wide", "RPRT -1\n", none);
    row("M passband negative", true, "M USB -2", "RPRT -1\n", none);
    row("M ?", true, "M ?", "AM CW USB LSB FM WFM \nRPRT 0\n", none);

    row("v", true, "v", "VFOA\n", none);
    row("V VFOA", true, "V VFOA", "RPRT 0\n", none);
    row("V VFOB", true, "V VFOB", "RPRT -1\n", none);
    row("V ?", true, "V ?", "VFOA \nRPRT 0\n", none);
    row("s", true, "s", "0\nVFOA\n", none);
    row("S off", true, "S 0 VFOA", "RPRT 0\n", none);
    row("S on", true, "S 1 VFOA", "RPRT -11\n", none);
    row("S bad", true, "S x VFOA", "RPRT -1\n", none);
    row("S missing VFO", true, "S 0", "RPRT -1\n", none);
    row("t", true, "t", "0\n", none);

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
    row("+M ?", true, "+M ?", "set_mode: ?\nAM CW USB LSB FM WFM \nRPRT 0\n", none);
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
    const RigctlAnswer answer = AnswerRigctlLine("f q F 145500000", rig);
    QCOMPARE(QByteArray::fromStdString(answer.text), QByteArray("105900000\nRPRT 0\n"));
    QVERIFY(answer.quit);
    QVERIFY(rig.calls.isEmpty());
    QVERIFY(AnswerRigctlLine("+Q", rig).quit);
    QVERIFY(!AnswerRigctlLine("f", rig).quit);
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
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("db");
    QTest::newRow("nothing: S0") << 0 << -54;
    QTest::newRow("1") << 1 << -53;
    QTest::newRow("2") << 2 << -52;
    QTest::newRow("S6") << 50 << -18;
    QTest::newRow("S9") << 75 << 0;
    QTest::newRow("just over S9") << 76 << 2;
    QTest::newRow("last blue bar") << 86 << 26;
    QTest::newRow("first red bar") << 87 << 28;
    QTest::newRow("99") << 99 << 58;
    QTest::newRow("full meter") << 100 << 60;
    QTest::newRow("highest reading") << 255 << 60;
}

void TestRigctlProtocol::strength()
{
    QFETCH(int, reading);
    QFETCH(int, db);
    QCOMPARE(StrengthDbForReading(reading), db);
    FakeRig rig;
    rig.reading = reading;
    QCOMPARE(Answer("l STRENGTH", rig), QByteArray::number(db) + '\n');
    QCOMPARE(Answer("l RAWSTR", rig), QByteArray::number(reading) + '\n');
    if (reading > 0)
        QVERIFY(StrengthDbForReading(reading) >= StrengthDbForReading(reading - 1));
    // Before the first poll the meter is empty.
    rig.reading.reset();
    QCOMPARE(Answer("l STRENGTH", rig), QByteArray("-54\n"));
    QCOMPARE(Answer("l RAWSTR", rig), QByteArray("0\n"));
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
    QCOMPARE(rx[2], QByteArray("0x6f"));
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
    QVERIFY(keys.contains("timeout"));
    QCOMPARE(at, lines.size());
}

QTEST_GUILESS_MAIN(TestRigctlProtocol)
#include "tst_rigctlprotocol.moc"
