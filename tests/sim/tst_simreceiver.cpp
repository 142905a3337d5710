#include "simreceiver.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <termios.h>
#include <tuple>
#include <unistd.h>

namespace {

// The panel's end of the line: the pty slave opened as a raw serial device.
class SlaveLine
{
public:
    explicit SlaveLine(const QString &path) { open(path); }
    ~SlaveLine() { close(); }
    SlaveLine(const SlaveLine &) = delete;
    SlaveLine &operator=(const SlaveLine &) = delete;

    bool open(const QString &path)
    {
        close();
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio {};
        if (m_fd < 0 || ::tcgetattr(m_fd, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool isOpen() const { return m_fd >= 0; }

    // Writes everything, letting the receiver's event loop drain the line when it is full.
    bool send(const QByteArray &bytes)
    {
        const QDeadlineTimer guard(10000);
        qsizetype done = 0;
        while (done < bytes.size() && !guard.hasExpired()) {
            const ssize_t n
                = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            else
                QCoreApplication::processEvents();
        }
        return done == bytes.size();
    }
    // Everything received so far, reading what has arrived since the last call.
    const QByteArray &received()
    {
        char buffer[4096];
        ssize_t n = 0;
        while (m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            m_in.append(buffer, static_cast<int>(n));
        return m_in;
    }
    void forget() { m_in.clear(); }

private:
    int m_fd = -1;
    QByteArray m_in;
};

const QRegularExpression kReply(QStringLiteral("SS .(\\d{3})\r\n"));

int countReplies(const QByteArray &text)
{
    int count = 0;
    for (auto it = kReply.globalMatch(QString::fromLatin1(text)); it.hasNext(); it.next())
        ++count;
    return count;
}

QVariant fieldOf(const SimReceiver &rx, const QString &name)
{
    if (name == "remote")
        return rx.isRemote();
    if (name == "frequency")
        return rx.frequencyMHz();
    if (name == "mode")
        return rx.mode();
    if (name == "filter")
        return rx.filter();
    if (name == "squelch")
        return rx.squelch();
    if (name == "afc")
        return rx.afc();
    if (name == "agc")
        return rx.agc();
    return {};
}

// Everything the receiver can be told to change.
auto snapshot(const SimReceiver &rx)
{
    return std::make_tuple(
        rx.isRemote(), rx.frequencyMHz(), rx.mode(), rx.filter(), rx.squelch(), rx.afc(), rx.agc());
}

class TestSimReceiver : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readingFallsOffAwayFromStations_data();
    void readingFallsOffAwayFromStations();
    void readingAddsNoiseAndClamps_data();
    void readingAddsNoiseAndClamps();
    void readingSurvivesOddInput();

    void commandChangesState_data();
    void commandChangesState();
    void ignoresCommandsInLocalMode();
    void queryReplyForm_data();
    void queryReplyForm();
    void meterHigherOnStation();
    void widerFilterReachesFurther();
    void malformedLinesAreSkipped_data();
    void malformedLinesAreSkipped();
    void longLineIsDroppedWhole();
    void lineSplitAcrossWrites();
    void signalsReportLinesAndChanges();
    void survivesPortReopen();
    void unreadRepliesDoNotBlock();
    void babbleStillCarriesReplies();
    void floodHasNoLineEnds();

    void lineSpeedTakesCommandsAsTheLineCarriesThem_data();
    void lineSpeedTakesCommandsAsTheLineCarriesThem();
    void lineSpeedRepliesAsTheLineCarriesThem();
    void lineSpeedActsAFewMillisecondsAfterTheLine();
    void outrunningTheReceiverLosesBytes();
    void aBusyHostLosesNothing();

private:
    // Sends lines (CR added to each) and waits until the receiver has taken all of them.
    bool sendLines(const QList<QByteArray> &lines);
    // Tunes, queries and returns the reported field, or -1.
    int measure(const QByteArray &tune);

    SimReceiver *m_rx = nullptr;
    SlaveLine *m_line = nullptr;
};

} // namespace

void TestSimReceiver::init()
{
    m_rx = new SimReceiver;
    QVERIFY2(m_rx->isOpen(), qPrintable(m_rx->errorString()));
    m_rx->setSeed(1);
    m_line = new SlaveLine(m_rx->slavePath());
    QVERIFY(m_line->isOpen());
}

void TestSimReceiver::cleanup()
{
    delete m_line;
    delete m_rx;
    m_line = nullptr;
    m_rx = nullptr;
}

bool TestSimReceiver::sendLines(const QList<QByteArray> &lines)
{
    const int before = m_rx->linesReceived();
    for (const QByteArray &line : lines) {
        if (!m_line->send(line + '\r'))
            return false;
    }
    const QDeadlineTimer guard(5000);
    while (m_rx->linesReceived() < before + lines.size() && !guard.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return m_rx->linesReceived() == before + lines.size();
}

int TestSimReceiver::measure(const QByteArray &tune)
{
    m_line->forget();
    if (!sendLines({tune, "SS?"}))
        return -1;
    const QDeadlineTimer guard(5000);
    while (countReplies(m_line->received()) < 1 && !guard.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto match = kReply.match(QString::fromLatin1(m_line->received()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void TestSimReceiver::readingFallsOffAwayFromStations_data()
{
    QTest::addColumn<double>("station");
    QTest::addColumn<QString>("filter");
    for (const double station : {105.9, 145.5, 118.1, 156.8, 7.05, 433.92}) {
        for (const char *filter : {"BW1", "BW2", "BW3", "BW4", "BW5"})
            QTest::addRow("%g %s", station, filter) << station << QString(filter);
    }
}

void TestSimReceiver::readingFallsOffAwayFromStations()
{
    QFETCH(double, station);
    QFETCH(QString, filter);
    const double bw = SimReceiver::bandwidthMHz(filter);
    const int peak = SimReceiver::signalReading(station, filter, 0);
    const int floor = SimReceiver::signalReading(600.0, filter, 0);
    QVERIFY(peak > floor);
    // Flat across the passband.
    QCOMPARE(SimReceiver::signalReading(station + 0.49 * bw, filter, 0), peak);
    QCOMPARE(SimReceiver::signalReading(station - 0.49 * bw, filter, 0), peak);
    // Then never rising, on either side, until it is down at the noise floor.
    for (const int side : {1, -1}) {
        int previous = peak;
        for (double off = 0.5 * bw; off <= 4 * bw; off += bw / 8) {
            const int level = SimReceiver::signalReading(station + side * off, filter, 0);
            QVERIFY2(level <= previous, qPrintable(QString::number(off)));
            previous = level;
        }
        QVERIFY(SimReceiver::signalReading(station + side * 1.5 * bw, filter, 0) < peak);
        QCOMPARE(SimReceiver::signalReading(station + side * 3.6 * bw, filter, 0), floor);
    }
}

void TestSimReceiver::readingAddsNoiseAndClamps_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("noise");
    for (const double f : {105.9, 600.0, 145.52}) {
        for (const int noise : {-3, 0, 3, 100, 255, -255, std::numeric_limits<int>::max(),
                 std::numeric_limits<int>::min()})
            QTest::addRow("%g %d", f, noise) << f << noise;
    }
}

void TestSimReceiver::readingAddsNoiseAndClamps()
{
    QFETCH(double, frequency);
    QFETCH(int, noise);
    const qint64 clean = SimReceiver::signalReading(frequency, "BW3", 0);
    QCOMPARE(SimReceiver::signalReading(frequency, "BW3", noise),
        int(std::clamp<qint64>(clean + noise, 0, 255)));
}

void TestSimReceiver::readingSurvivesOddInput()
{
    const double inf = std::numeric_limits<double>::infinity();
    const int floor = SimReceiver::signalReading(600.0, "BW3", 0);
    for (const double f : {std::nan(""), inf, -inf, -105.9, 1e300, -1e300})
        QCOMPARE(SimReceiver::signalReading(f, "BW3", 0), floor);
    // An unknown filter word is taken as the narrowest filter.
    QCOMPARE(
        SimReceiver::signalReading(145.52, "BW9", 0), SimReceiver::signalReading(145.52, "BW1", 0));
    QVERIFY(SimReceiver::signalReading(145.52, "BW1", 0)
        < SimReceiver::signalReading(145.52, "BW2", 0));
}

void TestSimReceiver::commandChangesState_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("remote on") << QByteArray() << QByteArray("RMT") << "remote" << QVariant(true);
    QTest::newRow("remote off") << QByteArray() << QByteArray("RMT/") << "remote"
                                << QVariant(false);
    QTest::newRow("squelch 0") << QByteArray("COR 12") << QByteArray("COR 0") << "squelch"
                               << QVariant(0);
    QTest::newRow("squelch 1") << QByteArray() << QByteArray("COR 1") << "squelch" << QVariant(1);
    QTest::newRow("squelch 40") << QByteArray() << QByteArray("COR 40") << "squelch"
                                << QVariant(40);
    QTest::newRow("afc on") << QByteArray("AFC/") << QByteArray("AFC") << "afc" << QVariant(true);
    QTest::newRow("afc off") << QByteArray("AFC") << QByteArray("AFC/") << "afc" << QVariant(false);
    QTest::newRow("agc on") << QByteArray("AGC/") << QByteArray("AGC") << "agc" << QVariant(true);
    QTest::newRow("agc off") << QByteArray("AGC") << QByteArray("AGC/") << "agc" << QVariant(false);
    QTest::newRow("frequency") << QByteArray() << QByteArray("FRQ 0145.500;FM;BW3") << "frequency"
                               << QVariant(145.5);
    QTest::newRow("bottom") << QByteArray() << QByteArray("FRQ 0000.100;AM;BW3") << "frequency"
                            << QVariant(0.1);
    QTest::newRow("top") << QByteArray() << QByteArray("FRQ 1100.000;AM;BW3") << "frequency"
                         << QVariant(1100.0);
    QTest::newRow("zero") << QByteArray() << QByteArray("FRQ 0000.000;AM;BW3") << "frequency"
                          << QVariant(0.0);
    QTest::newRow("hf") << QByteArray() << QByteArray("FRQ 0007.050;LSB;BW1") << "frequency"
                        << QVariant(7.05);
    for (const char *mode : {"AM", "FM", "PLS", "USB", "LSB", "CW"}) {
        const QByteArray other = qstrcmp(mode, "CW") ? "CW" : "AM";
        QTest::addRow("mode %s", mode) << QByteArray("FRQ 0100.000;" + other + ";BW1")
                                       << QByteArray("FRQ 0100.000;") + mode + ";BW3"
                                       << "mode" << QVariant(QString(mode));
    }
    for (const char *filter : {"BW1", "BW2", "BW3", "BW4", "BW5"}) {
        QTest::addRow("filter %s", filter)
            << QByteArray(qstrcmp(filter, "BW4") ? "FRQ 0100.000;AM;BW4" : "FRQ 0100.000;AM;BW1")
            << QByteArray("FRQ 0100.000;AM;") + filter << "filter" << QVariant(QString(filter));
    }
    QTest::newRow("line feed ignored")
        << QByteArray() << QByteArray("\nCOR\n 33\n") << "squelch" << QVariant(33);
}

void TestSimReceiver::commandChangesState()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, command);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    QVERIFY(sendLines({"RMT"}));
    if (!before.isEmpty()) {
        QVERIFY(sendLines({before}));
        QVERIFY(fieldOf(*m_rx, field) != expected);
    }
    QVERIFY(sendLines({command}));
    QCOMPARE(fieldOf(*m_rx, field), expected);
    QCOMPARE(m_rx->linesRejected(), 0);
}

void TestSimReceiver::ignoresCommandsInLocalMode()
{
    const auto initial = snapshot(*m_rx);
    QVERIFY(!m_rx->isRemote());
    QVERIFY(sendLines({"FRQ 0145.500;USB;BW5", "COR 20", "AFC", "AGC/", "SS?"}));
    QVERIFY(snapshot(*m_rx) == initial);
    QCOMPARE(m_rx->linesIgnored(), 5);
    QCOMPARE(m_rx->queriesAnswered(), 0);

    // Only the query sent in remote mode is answered.
    QVERIFY(sendLines({"RMT", "SS?"}));
    QTRY_COMPARE(countReplies(m_line->received()), 1);
    QVERIFY(m_line->received().startsWith("SS "));

    QVERIFY(sendLines({"COR 5", "RMT/", "COR 6", "SS?", "RMT", "SS?"}));
    QCOMPARE(m_rx->squelch(), 5);
    QTRY_COMPARE(countReplies(m_line->received()), 2);
    QCOMPARE(m_rx->queriesAnswered(), 2);
}

void TestSimReceiver::queryReplyForm_data()
{
    QTest::addColumn<QByteArray>("tune");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<QString>("filter");
    QTest::newRow("strong") << QByteArray("FRQ 0105.900;PLS;BW4") << 105.9 << "BW4";
    QTest::newRow("weak") << QByteArray("FRQ 0007.050;AM;BW1") << 7.05 << "BW1";
    QTest::newRow("nothing") << QByteArray("FRQ 0600.000;FM;BW3") << 600.0 << "BW3";
    QTest::newRow("edge") << QByteArray("FRQ 0145.600;FM;BW2") << 145.6 << "BW2";
    QTest::newRow("bottom") << QByteArray("FRQ 0000.000;CW;BW5") << 0.0 << "BW5";
}

void TestSimReceiver::queryReplyForm()
{
    QFETCH(QByteArray, tune);
    QFETCH(double, frequency);
    QFETCH(QString, filter);
    QVERIFY(sendLines({"RMT"}));
    for (int i = 0; i < 10; ++i) {
        const int field = measure(tune);
        const QByteArray reply = m_line->received();
        QVERIFY2(QRegularExpression(QStringLiteral("^SS .\\d{3}\r\n$"))
                     .match(QString::fromLatin1(reply))
                     .hasMatch(),
            reply.toHex(' ').constData());
        QVERIFY(field >= 0 && field <= 255);
        // The noise is small: the reading is the model's within a few units.
        QVERIFY(std::abs(field - SimReceiver::signalReading(frequency, filter, 0))
            <= SimReceiver::kReadingNoise);
    }
}

void TestSimReceiver::meterHigherOnStation()
{
    QVERIFY(sendLines({"RMT"}));
    for (const QByteArray f : {"0105.900", "0145.500", "0118.100", "0156.800", "0433.920"}) {
        const int on = measure("FRQ " + f + ";FM;BW3");
        const int off = measure("FRQ "
            + QByteArray::number(f.toDouble() + 2, 'f', 3).rightJustified(8, '0') + ";FM;BW3");
        QVERIFY2(on > off + 20, f.constData());
    }
}

void TestSimReceiver::widerFilterReachesFurther()
{
    QVERIFY(sendLines({"RMT"}));
    const int narrow = measure("FRQ 0145.800;FM;BW1");
    const int wide = measure("FRQ 0145.800;FM;BW5");
    QVERIFY(narrow >= 0);
    QVERIFY(wide > narrow + 20);
}

void TestSimReceiver::malformedLinesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("bare FRQ") << QByteArray("FRQ");
    QTest::newRow("FRQ garbage") << QByteArray("FRQ abc;;");
    QTest::newRow("short frequency") << QByteArray("FRQ 145.500;FM;BW3");
    QTest::newRow("above range") << QByteArray("FRQ 1100.001;FM;BW3");
    QTest::newRow("bad mode") << QByteArray("FRQ 0145.500;WFM;BW3");
    QTest::newRow("bad filter") << QByteArray("FRQ 0145.500;FM;BW6");
    QTest::newRow("missing filter") << QByteArray("FRQ 0145.500;FM");
    QTest::newRow("lower case") << QByteArray("frq 0145.500;fm;bw3");
    QTest::newRow("trailing text") << QByteArray("FRQ 0145.500;FM;BW3;");
    QTest::newRow("huge squelch") << QByteArray("COR 9999");
    QTest::newRow("squelch 41") << QByteArray("COR 41");
    QTest::newRow("negative squelch") << QByteArray("COR -1");
    QTest::newRow("bare squelch") << QByteArray("COR");
    QTest::newRow("two spaces") << QByteArray("COR  5");
    QTest::newRow("leading space") << QByteArray(" AFC");
    QTest::newRow("AFC twice") << QByteArray("AFC//");
    QTest::newRow("query typo") << QByteArray("SS??");
    QTest::newRow("unknown") << QByteArray("HELLO");
    QTest::newRow("binary") << QByteArray("\x00\xff\x80\x1b[2J", 8);
    QTest::newRow("NUL in command") << QByteArray("AG\0C", 4);
    QTest::newRow("latin-1") << QByteArray("FRQ 0145.500;FM;BW\xb3");
}

void TestSimReceiver::malformedLinesAreSkipped()
{
    QFETCH(QByteArray, line);
    QVERIFY(sendLines({"RMT"}));
    const auto before = snapshot(*m_rx);
    QVERIFY(sendLines({line}));
    QVERIFY(snapshot(*m_rx) == before);
    QCOMPARE(m_rx->linesRejected(), 1);
    // Later commands still work.
    QVERIFY(measure("COR 7") >= 0);
    QCOMPARE(m_rx->squelch(), 7);
    QCOMPARE(m_rx->linesRejected(), 1);
}

void TestSimReceiver::longLineIsDroppedWhole()
{
    QVERIFY(sendLines({"RMT"}));
    const auto before = snapshot(*m_rx);
    // A line at the limit is still read (and rejected as unknown), not thrown away.
    QVERIFY(sendLines({QByteArray(SimReceiver::kMaxLineLength, 'x')}));
    QCOMPARE(m_rx->linesRejected(), 1);
    QCOMPARE(m_rx->linesTooLong(), 0);

    // A command at the tail of an overlong line is not obeyed.
    QVERIFY(m_line->send(QByteArray(SimReceiver::kMaxLineLength, 'x') + "AFC\r"));
    QVERIFY(m_line->send(QByteArray(100000, 'A')));
    QTRY_COMPARE(m_rx->linesTooLong(), 2);
    QVERIFY(m_line->send("\rCOR 9\r"));
    QTRY_COMPARE(m_rx->squelch(), 9);
    QCOMPARE(m_rx->afc(), std::get<5>(before));
    QCOMPARE(m_rx->linesRejected(), 1);
    QVERIFY(measure("AGC/") >= 0);
    QVERIFY(!m_rx->agc());
}

void TestSimReceiver::lineSplitAcrossWrites()
{
    QVERIFY(sendLines({"RMT"}));
    QVERIFY(m_line->send("FRQ 01"));
    QCoreApplication::processEvents();
    QVERIFY(m_line->send("33.250;USB;"));
    QCoreApplication::processEvents();
    QVERIFY(m_line->send("BW2\r\n"));
    QTRY_COMPARE(m_rx->frequencyMHz(), 133.25);
    QCOMPARE(m_rx->mode(), QString("USB"));
    QCOMPARE(m_rx->filter(), QString("BW2"));
}

void TestSimReceiver::signalsReportLinesAndChanges()
{
    QSignalSpy lines(m_rx, &SimReceiver::commandReceived);
    QSignalSpy changes(m_rx, &SimReceiver::stateChanged);
    QVERIFY(sendLines({"AFC", "RMT", "SS?", "AFC", "AFC", "FRQ 0100.000;FM;BW3", "HELLO"}));
    QStringList seen;
    for (const auto &args : lines)
        seen << args.at(0).toString();
    QCOMPARE(
        seen, QStringList({"AFC", "RMT", "SS?", "AFC", "AFC", "FRQ 0100.000;FM;BW3", "HELLO"}));
    // Remote on and AFC on change something; the repeat, the query, the unchanged tuning and
    // the ignored and unknown lines do not.
    QCOMPARE(changes.count(), 2);
}

void TestSimReceiver::survivesPortReopen()
{
    QVERIFY(sendLines({"RMT", "COR 3"}));
    QVERIFY(m_line->send("RMT/\r"));
    m_line->close();
    QTRY_VERIFY(!m_rx->isRemote());
    QVERIFY(m_line->open(m_rx->slavePath()));
    m_line->forget();
    QVERIFY(sendLines({"RMT", "COR 4"}));
    QCOMPARE(m_rx->squelch(), 4);
    QVERIFY(measure("FRQ 0105.900;FM;BW3") > measure("FRQ 0200.000;FM;BW3"));

    // Closed with a query unanswered: the reply waits or is lost, but nothing stalls.
    QVERIFY(m_line->send("SS?\r"));
    m_line->close();
    QTRY_COMPARE(m_rx->queriesAnswered(), 3);
    QVERIFY(m_line->open(m_rx->slavePath()));
    QVERIFY(sendLines({"COR 5"}));
    QCOMPARE(m_rx->squelch(), 5);
}

void TestSimReceiver::unreadRepliesDoNotBlock()
{
    QVERIFY(sendLines({"RMT"}));
    const int queries = 40000; // 360 KB of replies, never read while they are sent
    QVERIFY(m_line->send(QByteArray("SS?\r").repeated(queries)));
    QTRY_COMPARE(m_rx->queriesAnswered(), queries);
    QVERIFY(sendLines({"COR 12"}));
    QCOMPARE(m_rx->squelch(), 12);
    QVERIFY(m_rx->bytesDropped() > 0);
    QCOMPARE(m_rx->bytesDropped() % 9, 0);
    // What does arrive is whole replies only.
    const qint64 expected = qint64(queries) * 9 - m_rx->bytesDropped();
    QTRY_COMPARE(qint64(m_line->received().size()), expected);
    QCOMPARE(countReplies(m_line->received()), int(expected / 9));
}

void TestSimReceiver::babbleStillCarriesReplies()
{
    m_rx->setBabble(true);
    QVERIFY(sendLines({"RMT"}));
    const int queries = 20;
    for (int i = 0; i < queries; ++i)
        QVERIFY(sendLines({"SS?"}));
    QTRY_VERIFY(countReplies(m_line->received()) >= queries);
    const QByteArray &text = m_line->received();
    QVERIFY(text.size() > queries * 9);
    const bool odd = text.contains('\0') || std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
    });
    QVERIFY(odd);
    QVERIFY(
        text.contains("G0") || text.contains("I0") || text.contains("I1") || text.contains("I2"));
    // Still obeys commands.
    QVERIFY(sendLines({"COR 2"}));
    QCOMPARE(m_rx->squelch(), 2);
}

void TestSimReceiver::floodHasNoLineEnds()
{
    const qint64 flood = 200000;
    m_rx->floodBytes(flood);
    m_rx->floodBytes(-5);
    QVERIFY(sendLines({"RMT", "COR 5", "SS?"}));
    QCOMPARE(m_rx->squelch(), 5);
    QTRY_COMPARE(qint64(m_line->received().size()), flood + 9);
    QCOMPARE(m_rx->floodPending(), 0);
    const QByteArray &text = m_line->received();
    QCOMPARE(int(text.count('\r')), 1);
    QCOMPARE(int(text.count('\n')), 1);
    QCOMPARE(countReplies(text), 1);
}

void TestSimReceiver::lineSpeedTakesCommandsAsTheLineCarriesThem_data()
{
    QTest::addColumn<double>("bytesPerSecond");
    QTest::newRow("9600 baud") << SimReceiver::kLineBytesPerSecond;
    // A faster line for tests that look at order and content: the same, in a quarter of the time.
    QTest::newRow("four times faster") << 4 * SimReceiver::kLineBytesPerSecond;
}

void TestSimReceiver::lineSpeedTakesCommandsAsTheLineCarriesThem()
{
    QFETCH(double, bytesPerSecond);
    m_rx->setTiming(SimReceiver::Timing::LineSpeed);
    m_rx->setLineBytesPerSecond(bytesPerSecond);
    // On a faster line the receiver acts at once, or its small buffer would overflow.
    if (bytesPerSecond > SimReceiver::kLineBytesPerSecond)
        m_rx->setActMs(0);
    QVERIFY(sendLines({"RMT"}));
    // 24 frequency commands written at once: 480 bytes, half a second of line time at 9600 baud.
    QByteArray burst;
    for (int i = 0; i < 24; ++i)
        burst += "FRQ 0" + QByteArray::number(120 + i) + ".000;AM;BW2\r";
    QCOMPARE(burst.size(), 480);
    const int lineMs = qRound(480 / bytesPerSecond * 1000);
    const qint64 before = m_rx->bytesReceived();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_line->send(burst));
    QTest::qWait(lineMs / 2);
    const qint64 halfway = m_rx->bytesReceived() - before;
    const double expected = clock.elapsed() / 1000.0 * bytesPerSecond;
    const double slack = 16 * bytesPerSecond / SimReceiver::kLineBytesPerSecond;
    QVERIFY2(halfway <= expected + slack && halfway >= 0.6 * expected,
        qPrintable(QString("%1 bytes in %2 ms").arg(halfway).arg(clock.elapsed())));
    QCOMPARE(m_rx->linesReceived() < 1 + 24, true);
    // All of it is obeyed in order once the line has carried it; the buffer never overflowed.
    QTRY_COMPARE_WITH_TIMEOUT(m_rx->linesReceived(), 1 + 24, qMax(2000, 4 * lineMs));
    QVERIFY(clock.elapsed() >= lineMs);
    QCOMPARE(m_rx->frequencyMHz(), 143.0);
    QCOMPARE(m_rx->mode(), QStringLiteral("AM"));
    QCOMPARE(m_rx->overrunBytes(), qint64(0));
    QCOMPARE(m_rx->linesRejected(), 0);
}

void TestSimReceiver::lineSpeedRepliesAsTheLineCarriesThem()
{
    m_rx->setTiming(SimReceiver::Timing::LineSpeed);
    QVERIFY(sendLines({"RMT"}));
    m_rx->floodBytes(480);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(250);
    const double expected = clock.elapsed() / 1000.0 * SimReceiver::kLineBytesPerSecond;
    const int got = int(m_line->received().size());
    QVERIFY2(got <= expected + 16 && got >= 0.6 * expected,
        qPrintable(QString("%1 bytes in %2 ms").arg(got).arg(clock.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_line->received().size()), 480, 2000);
    QVERIFY(clock.elapsed() >= 480);
    // A query's reply follows the flood out, whole.
    m_line->forget();
    QVERIFY(sendLines({"SS?"}));
    QTRY_COMPARE(countReplies(m_line->received()), 1);
}

void TestSimReceiver::lineSpeedActsAFewMillisecondsAfterTheLine()
{
    m_rx->setTiming(SimReceiver::Timing::LineSpeed);
    QCOMPARE(m_rx->actMs(), SimReceiver::kDefaultActMs);
    m_rx->setActMs(150); // slowed down so that it can be seen
    QSignalSpy lines(m_rx, &SimReceiver::commandReceived);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_line->send("RMT\r"));
    QTest::qWait(80);
    QVERIFY(!m_rx->isRemote());
    QCOMPARE(lines.count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_rx->isRemote(), 1000);
    QVERIFY(clock.elapsed() >= 150);
    // In instant mode the same is done at once.
    m_rx->setTiming(SimReceiver::Timing::Instant);
    QVERIFY(m_line->send("COR 6\r"));
    QTRY_COMPARE_WITH_TIMEOUT(m_rx->squelch(), 6, 50);
}

void TestSimReceiver::outrunningTheReceiverLosesBytes()
{
    m_rx->setTiming(SimReceiver::Timing::LineSpeed);
    QVERIFY(sendLines({"RMT"}));
    // A receiver that needs 80 ms a command falls behind a line bringing one every 21 ms: its
    // small buffer fills and what comes meanwhile is lost.
    m_rx->setActMs(80);
    QByteArray burst;
    for (int i = 0; i < 12; ++i)
        burst += "FRQ 0" + QByteArray::number(120 + i) + ".000;AM;BW2\r";
    QVERIFY(m_line->send(burst));
    QTRY_COMPARE_WITH_TIMEOUT(m_rx->bytesReceived(), qint64(4 + burst.size()), 2000);
    QTest::qWait(500);
    QVERIFY(m_rx->overrunBytes() > 0);
    QVERIFY(m_rx->linesReceived() < 1 + 12);
    QVERIFY(m_rx->linesReceived() >= 2);
    // Once it has caught up, a command sent at the line's pace is obeyed again.
    m_rx->setActMs(SimReceiver::kDefaultActMs);
    QVERIFY(m_line->send("\rCOR 8\r"));
    QTRY_COMPARE_WITH_TIMEOUT(m_rx->squelch(), 8, 1000);
}

void TestSimReceiver::aBusyHostLosesNothing()
{
    // A loaded machine that serves the simulated receiver only every 20 ms must not make it lose
    // commands a real receiver keeps up with: 40 queries at the line's pace, 40 replies.
    m_rx->setTiming(SimReceiver::Timing::LineSpeed);
    QVERIFY(sendLines({"RMT"}));
    QVERIFY(m_line->send(QByteArray("SS?\r").repeated(40)));
    QDeadlineTimer guard(5000);
    while (countReplies(m_line->received()) < 40 && !guard.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    QCOMPARE(m_rx->overrunBytes(), qint64(0));
    QCOMPARE(countReplies(m_line->received()), 40);
}

QTEST_GUILESS_MAIN(TestSimReceiver)
#include "tst_simreceiver.moc"
