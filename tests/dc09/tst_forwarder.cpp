// The forwarder on real day files and a real socket on its own thread: to
// the DC-09 receiver of iobroker.sia (every letter of the table, both
// tokens, plain and encrypted with each key length), and to a receiver of
// the test's own for what real ones rarely do.
#include "core/ScreenState.h"
#include "dc09/Dc09Forwarder.h"
#include "platform/ThreadedReceiverLink.h"
#include "support/Dc09Receivers.h"
#include "support/EngineFixture.h"

#include <QFile>
#include <QJsonObject>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

using namespace zelvan;
using namespace zelvan::test;
using Source = ScreenState::ProblemSource;

namespace {

constexpr int kWaitMs = 20000;
const QByteArray kObjectAccount = "02005"; // system 0, module 2, object 5
constexpr int kObject = 133;

struct Rig
{
    Rig() { f.clock.set(QDateTime::currentDateTime()); }
    void start(dc09::Settings s)
    {
        forwarder = std::make_unique<dc09::Forwarder>(
            dc09::Forwarder::Sources{f.archive, f.screen, f.clock}, link, std::move(s),
            f.archive.dataDir());
        forwarder->start();
    }
    void record(int k, char letter) { f.archive.AppendDayRecord(k, QLatin1Char(letter), now()); }
    void moduleRecord(int m, char letter)
    {
        f.archive.appendModuleRecord(m, QLatin1Char(letter), now());
    }
    // The receiver checks the timestamp against its clock: the panel's is the real one.
    QDateTime now()
    {
        f.clock.set(QDateTime::currentDateTime());
        return f.clock.now();
    }
    QString problem(Source s) const { return f.screen.problemOf(s); }
    EngineFixture f;
    ThreadedReceiverLink link;
    std::unique_ptr<dc09::Forwarder> forwarder;
};

dc09::Settings settingsFor(quint16 port, const QByteArray& token = "SIA-DCS", QByteArray key = {})
{
    dc09::Settings s;
    s.primary = {QStringLiteral("127.0.0.1"), port};
    s.token = token;
    s.key = std::move(key);
    s.supervisionS = 0;
    s.timeoutS = 1;
    return s;
}

} // namespace

class TestForwarder : public QObject
{
    Q_OBJECT
private slots:
    // Every letter of the table reaches the real receiver, which
    // acknowledges it, with the account, code and zone docs/DC09.md promises.
    void realReceiverTakesEveryLetter_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<bool>("udp");
        const QByteArray k16 = "0123456789abcdef";
        const QByteArray k24 = "0123456789abcdefABCDEFGH";
        const QByteArray k32 = "0123456789abcdefABCDEFGHIJKLMNOP";
        for (const QByteArray& token : {QByteArray("SIA-DCS"), QByteArray("ADM-CID")}) {
            const bool cid = token == "ADM-CID";
            QTest::addRow("%s plain", token.constData()) << token << QByteArray() << false << false;
            QTest::addRow("%s AES-128", token.constData()) << token << k16 << cid << false;
            QTest::addRow("%s AES-192", token.constData()) << token << k24 << !cid << false;
            QTest::addRow("%s AES-256", token.constData()) << token << k32 << cid << false;
        }
        QTest::newRow("SIA-DCS AES-128 over UDP") << QByteArray("SIA-DCS") << k16 << false << true;
    }
    void realReceiverTakesEveryLetter()
    {
        QFETCH(QByteArray, token);
        QFETCH(QByteArray, key);
        QFETCH(bool, hex);
        QFETCH(bool, udp);
        const QByteArray receiverKey = hex ? key.toHex().toUpper() : key;
        RealReceiver receiver;
        QString error;
        QVERIFY2(receiver.start({{kObjectAccount, receiverKey, hex}, {"0000", receiverKey, hex}},
                                &error, 0, udp),
                 qPrintable(error));
        Rig r;
        dc09::Settings s = settingsFor(quint16(receiver.port()), token, key);
        s.udp = udp;
        r.start(s);
        // Violated, taken: the restore first; violated, released: the same.
        for (const char l : {'A', 'P', 'A', 'O', 'N', 'F', '1', '2', '3', '4', '5', 'R', 'B'})
            r.record(kObject, l);
        r.moduleRecord(2, 'S');
        r.moduleRecord(2, 'V');
        const bool cid = token == "ADM-CID";
        const QList<QStringList> want{
            {"02005", cid ? "E130" : "BA", "1"}, {"02005", cid ? "R130" : "BR", "1"},
            {"02005", cid ? "R401" : "CL", "1"}, {"02005", cid ? "E130" : "BA", "1"},
            {"02005", cid ? "R130" : "BR", "1"}, {"02005", cid ? "E401" : "OP", "1"},
            {"02005", cid ? "R401" : "CL", "2"}, {"02005", cid ? "E401" : "OP", "2"},
            {"02005", cid ? "E301" : "AT", "0"}, {"02005", cid ? "E302" : "YT", "0"},
            {"02005", cid ? "E130" : "BA", "2"}, {"02005", cid ? "E130" : "BA", "3"},
            {"02005", cid ? "E130" : "BA", "4"}, {"0000", cid ? "R350" : "YK", "2"},
            {"0000", cid ? "E350" : "YC", "2"},
        };
        QTRY_COMPARE_WITH_TIMEOUT(receiver.acknowledged().size(), want.size(), kWaitMs);
        QList<QStringList> got;
        for (const QJsonObject& m : receiver.acknowledged()) {
            got.append({m.value("account").toString(), m.value("code").toString(),
                        QString::number(m.value("zone").toString().toInt())});
            QCOMPARE(m.value("encrypted").toBool(), !key.isEmpty());
        }
        QCOMPARE(got, want);
        for (const QJsonObject& m : receiver.messages())
            QVERIFY2(!m.contains("error"), qPrintable(m.value("error").toString()));
        QTRY_COMPARE(r.forwarder->cursor().line, 15);
        QVERIFY(r.problem(Source::Dc09Receiver).isEmpty());
    }

    // No answer: three tries with the same sequence, then the backup
    // receiver; the first one again once its minute (here 2 s) is over.
    void silentReceiverGivesWayToTheBackup()
    {
        StandInReceiver primary;
        StandInReceiver backup;
        QVERIFY(primary.listen() && backup.listen());
        primary.script({{StandInReceiver::Answer::None},
                        {StandInReceiver::Answer::None},
                        {StandInReceiver::Answer::None}});
        Rig r;
        dc09::Settings s = settingsFor(primary.port());
        s.backup = {QStringLiteral("127.0.0.1"), backup.port()};
        s.primaryAgainS = 2;
        r.start(s);
        r.record(kObject, 'A');
        QTRY_COMPARE_WITH_TIMEOUT(backup.acknowledgedData.size(), 1, kWaitMs);
        QCOMPARE(primary.received.size(), 3);
        for (const dc09::Message& m : primary.received)
            QCOMPARE(m.header.sequence, backup.received.front().header.sequence);
        QVERIFY(r.forwarder->onBackup());
        QTRY_COMPARE(r.forwarder->cursor().line, 1);
        // Answered: the line about the silent receiver goes.
        QVERIFY(r.problem(Source::Dc09Receiver).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!r.forwarder->onBackup(), kWaitMs);
        r.record(kObject, 'P');
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 2, kWaitMs);
        QCOMPARE(primary.acknowledgedData.size(), 2); // the restore and the closing
        QCOMPARE(backup.received.size(), 1);
    }

    // The first receiver refuses the connection while records keep coming:
    // each waits its turn behind the one being tried, which keeps its number
    // and its count of tries, so the backup takes over after three.
    void refusingReceiverGivesWayToTheBackup()
    {
        quint16 closed = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closed = probe.serverPort();
        }
        StandInReceiver backup;
        QVERIFY(backup.listen());
        Rig r;
        dc09::Settings s = settingsFor(closed);
        s.backup = {QStringLiteral("127.0.0.1"), backup.port()};
        r.start(s);
        constexpr int kRecords = 12;
        int written = 0;
        QTimer traffic;
        QObject::connect(&traffic, &QTimer::timeout, [&] {
            if (written < kRecords)
                r.record(++written, 'N');
        });
        traffic.start(250);
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, kRecords, kWaitMs);
        QVERIFY(r.forwarder->onBackup());
        QCOMPARE(backup.acknowledgedData.size(), kRecords);
        for (int i = 0; i < kRecords; ++i)
            QVERIFY(backup.acknowledgedData[i].startsWith(
                "#0" + QByteArray::number(1 + i / 128)
                + QByteArray::number(i % 128 + 1).rightJustified(3, '0') + '|'));
    }

    // Over UDP only the receiver's own answer counts: an ACK from another
    // port, with the right number, leaves the message in flight.
    void udpAnswerOnlyFromTheReceiver()
    {
        QUdpSocket receiver;
        QUdpSocket other;
        QVERIFY(receiver.bind(QHostAddress::LocalHost) && other.bind(QHostAddress::LocalHost));
        Rig r;
        dc09::Settings s = settingsFor(receiver.localPort());
        s.udp = true;
        r.start(s);
        r.record(kObject, 'N');
        r.record(kObject, 'F');
        const auto next = [&receiver](QHostAddress* from, quint16* port) {
            if (!QTest::qWaitFor([&] { return receiver.hasPendingDatagrams(); }, kWaitMs))
                return dc09::Message{};
            QByteArray d(int(receiver.pendingDatagramSize()), Qt::Uninitialized);
            d.resize(int(receiver.readDatagram(d.data(), d.size(), from, port)));
            dc09::FrameScanner scanner;
            scanner.feed(d);
            return dc09::parse(scanner.next().value_or(QByteArray()), nullptr);
        };
        const auto ackOf = [](const dc09::Message& m) {
            return dc09::build(
                {"ACK", m.header.sequence, m.header.receiver, m.header.line, m.header.account}, {},
                QDateTime::currentDateTimeUtc());
        };
        QHostAddress panel;
        quint16 panelPort = 0;
        const dc09::Message first = next(&panel, &panelPort);
        QVERIFY(first.sound());
        other.writeDatagram(ackOf(first), panel, panelPort);
        // Not taken: after the timeout the same message comes again.
        const dc09::Message again = next(&panel, &panelPort);
        QVERIFY(again.sound());
        QCOMPARE(again.header.sequence, first.header.sequence);
        QCOMPARE(r.forwarder->cursor().line, 0);
        receiver.writeDatagram(ackOf(again), panel, panelPort);
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 1, kWaitMs);
    }

    // A line of a day file the archive does not write is not sent: listed
    // with the reason, said, and the records after it go on.
    void damagedLinesAreListed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("not a record") << QByteArray("0133A 12:00");
        QTest::newRow("unknown letter") << QByteArray("013364000001");
        QTest::newRow("object past 1024") << QByteArray("102565000001");
        QTest::newRow("object with a module's letter") << QByteArray("013383000001");
        QTest::newRow("module record without its module") << QByteArray("000083000001");
        QTest::newRow("module 9") << QByteArray("0000860000019");
    }
    void damagedLinesAreListed()
    {
        QFETCH(QByteArray, line);
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        Rig r;
        QFile day(r.f.archive.dataDir() + QLatin1Char('/')
                  + DayArchive::dayFileName(r.now().date()));
        QVERIFY(day.open(QIODevice::Append) && day.write(line + "\r\n") > 0);
        day.close();
        r.record(kObject, 'N');
        r.start(settingsFor(receiver.port()));
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 2, kWaitMs);
        QCOMPARE(receiver.acknowledgedData.size(), 1);
        QVERIFY(receiver.acknowledgedData.front().endsWith("/CL2"));
        QFile list(r.forwarder->refusedPath());
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QByteArray listed = list.readAll();
        QVERIFY2(listed.contains(" 1 " + line + ' '), listed.constData());
        QVERIFY(!r.problem(Source::Dc09Damaged).isEmpty());
    }

    // NAK with the receiver's clock two minutes ahead: said with the
    // difference, and sent again at once with the timestamp corrected.
    void nakCorrectsTheTimestamp()
    {
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.script({{StandInReceiver::Answer::Nak, 0, 120}});
        Rig r;
        r.start(settingsFor(receiver.port()));
        r.record(kObject, 'A');
        QTRY_COMPARE_WITH_TIMEOUT(receiver.acknowledgedData.size(), 1, kWaitMs);
        QCOMPARE(receiver.received.size(), 2);
        const qint64 first = QDateTime::currentDateTimeUtc().secsTo(*receiver.received[0].sent);
        const qint64 again = QDateTime::currentDateTimeUtc().secsTo(*receiver.received[1].sent);
        QVERIFY2(qAbs(first) < 5 && qAbs(again - 120) < 5, qPrintable(QString::number(again)));
        QVERIFY(qAbs(r.forwarder->clockOffsetS() - 120) <= 1);
        QVERIFY(r.problem(Source::Dc09Clock)
                    .contains(QStringLiteral("+%1 s").arg(r.forwarder->clockOffsetS())));
    }

    // DUH: listed, said, and the records after it go on.
    void duhListsTheRecordAndGoesOn()
    {
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.script({{StandInReceiver::Answer::Duh}});
        Rig r;
        r.start(settingsFor(receiver.port()));
        r.record(kObject, 'N');
        r.record(kObject, 'F');
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 2, kWaitMs);
        QCOMPARE(receiver.acknowledgedData.size(), 1);
        QVERIFY(receiver.acknowledgedData.front().endsWith("/OP2"));
        QFile list(r.forwarder->refusedPath());
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QByteArray listed = list.readAll();
        QVERIFY2(listed.contains(" 1 0133") && listed.contains("CL2"), listed.constData());
        QVERIFY(r.problem(Source::Dc09Refused).contains(r.forwarder->refusedPath()));
    }

    // The connection dropped as the message arrives, an answer that takes 9
    // of the 10 seconds, and a receiver that closes the connection after
    // each answer: only the dropped one goes again; the closed connection
    // is no failure of the message sent after it.
    void droppedAndSlowAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("timeoutS");
        QTest::addColumn<int>("steps");
        QTest::newRow("dropped mid-message") << int(StandInReceiver::Answer::Drop) << 0 << 10 << 1;
        QTest::newRow("answer after 9 s") << int(StandInReceiver::Answer::Ack) << 9000 << 10 << 1;
        QTest::newRow("closed after each answer")
            << int(StandInReceiver::Answer::AckAndClose) << 0 << 10 << 3;
    }
    void droppedAndSlowAnswers()
    {
        QFETCH(int, answer);
        QFETCH(int, delayMs);
        QFETCH(int, timeoutS);
        QFETCH(int, steps);
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.script(
            QList<StandInReceiver::Step>(steps, {StandInReceiver::Answer(answer), delayMs}));
        Rig r;
        dc09::Settings s = settingsFor(receiver.port());
        s.timeoutS = timeoutS;
        r.start(s);
        r.record(kObject, 'A');
        r.record(kObject, 'P');
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 2, kWaitMs);
        // A, the restore and the closing, each taken once (the dropped copy
        // never reached the receiver).
        QCOMPARE(receiver.acknowledgedData.size(), 3);
        QCOMPARE(receiver.received.size(), 3);
    }

    // A restart after midnight: a violation of the day before, taken today,
    // still sends its restore first; of the day file before that it does
    // not (a start reads one day file back, whatever the archive's length).
    void restoreOfAnEarlierDay_data()
    {
        QTest::addColumn<int>("daysBack");
        QTest::addColumn<QByteArrayList>("codes");
        QTest::newRow("violated yesterday") << 1 << QByteArrayList{"/BR1", "/CL"};
        QTest::newRow("violated two days ago") << 2 << QByteArrayList{"/CL"};
    }
    void restoreOfAnEarlierDay()
    {
        QFETCH(int, daysBack);
        QFETCH(QByteArrayList, codes);
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        Rig r;
        r.f.archive.AppendDayRecord(kObject, QLatin1Char('A'), r.now().addDays(-daysBack));
        r.f.archive.AppendDayRecord(kObject + 1, QLatin1Char('P'), r.now().addDays(-1));
        r.record(kObject, 'P');
        r.start(settingsFor(receiver.port()));
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 1, kWaitMs);
        QCOMPARE(receiver.acknowledgedData.size(), codes.size());
        for (qsizetype i = 0; i < codes.size(); ++i)
            QVERIFY2(receiver.acknowledgedData[i].contains(codes[i]),
                     receiver.acknowledgedData[i].constData());
    }

    // On standby nothing is sent and the cursor follows the partner's place
    // at the centre, a few records early; taking over goes on from there.
    void standbyFollowsThePartner()
    {
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        Rig r;
        r.start(settingsFor(receiver.port()));
        r.forwarder->setSending(false);
        for (int k = 1; k <= 10; ++k)
            r.record(k, 'N');
        QFile day(r.f.archive.dataDir() + QLatin1Char('/') + r.forwarder->cursor().day
                  + QStringLiteral(".dat"));
        QVERIFY(day.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = day.readAll().split('\n');
        // Not in this panel's files: the cursor stays.
        r.forwarder->followPartner(r.forwarder->cursor().day, "000978999999");
        QCOMPARE(r.forwarder->cursor().line, 0);
        // The partner's clock a few milliseconds off: the same record.
        QByteArray partner = lines[7].trimmed();
        const int fraction = partner.mid(6, 6).toInt();
        partner.replace(6, 6,
                        QByteArray::number(fraction > 0 ? fraction - 1 : 1).rightJustified(6, '0'));
        r.forwarder->followPartner(r.forwarder->cursor().day, partner);
        QCOMPARE(r.forwarder->cursor().line, 8 - dc09::Forwarder::kResendMargin);
        r.forwarder->setSending(true);
        QTRY_COMPARE_WITH_TIMEOUT(r.forwarder->cursor().line, 10, kWaitMs);
        // Only from there: nothing went out on standby.
        QCOMPARE(receiver.received.size(), 10 - 8 + dc09::Forwarder::kResendMargin);
        QVERIFY(receiver.acknowledgedData.front().startsWith("#01004|"));
    }

    // Link tests while idle; one that is not answered is said until the next is.
    void linkTestsWhileIdle()
    {
        StandInReceiver receiver;
        QVERIFY(receiver.listen());
        receiver.script({{StandInReceiver::Answer::None},
                         {StandInReceiver::Answer::None},
                         {StandInReceiver::Answer::None}});
        Rig r;
        dc09::Settings s = settingsFor(receiver.port());
        s.supervisionS = 1;
        r.start(s);
        QTRY_VERIFY_WITH_TIMEOUT(!r.problem(Source::Dc09Receiver).isEmpty(), kWaitMs);
        QVERIFY(r.problem(Source::Dc09Receiver).contains(QStringLiteral("не отговаря")));
        QTRY_VERIFY_WITH_TIMEOUT(r.problem(Source::Dc09Receiver).isEmpty(), kWaitMs);
        QCOMPARE(receiver.received.front().header.token, QByteArray("NULL"));
        QCOMPARE(receiver.received.front().data, QByteArray());
        QCOMPARE(receiver.received.front().header.account, QByteArray("0000"));
    }
};

QTEST_GUILESS_MAIN(TestForwarder)
#include "tst_forwarder.moc"
