// The publisher over a recording broker: what each record and state becomes,
// the bounded window, the cursor it resumes from, and that nothing unsynced
// is ever sent.
#include "core/ScreenState.h"
#include "feed/EventPublisher.h"
#include "feed/FeedMessages.h"
#include "feed/FeedTexts.h"
#include "support/EngineFixture.h"
#include "support/FakeBrokerLink.h"
#include "support/HaDiscoveryRules.h"
#include "support/JinjaTemplate.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <tuple>

using namespace zelvan;
using namespace zelvan::test;

namespace {

const QString kPrefix = QStringLiteral("zelvan/test");

struct Rig
{
    explicit Rig(int window = 256) { make(window); }

    void make(int window)
    {
        publisher.reset();
        EventPublisher::Options o;
        o.prefix = kPrefix;
        o.broker = QStringLiteral("127.0.0.1:1883");
        o.cursorPath = f.home.filePath(QStringLiteral("mqtt.cursor"));
        o.window = window;
        o.homeAssistant = homeAssistant;
        o.discoveryNode = discoveryNode;
        publisher = std::make_unique<EventPublisher>(
            EventPublisher::Sources{f.state, f.files, f.alarms, f.archive, f.screen, f.clock}, link,
            o);
        publisher->start();
    }

    // Runs the zero timers: the publisher reads and sends after the handlers.
    void settle()
    {
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
    }

    void record(int k, char letter)
    {
        f.archive.AppendDayRecord(k, QLatin1Char(letter), f.clock.now());
        f.clock.advanceMs(1000);
    }

    QList<QJsonObject> events() const
    {
        QList<QJsonObject> out;
        for (const auto& m : link.ofTopic(kPrefix + QStringLiteral("/event")))
            out.append(QJsonDocument::fromJson(m.payload).object());
        return out;
    }

    QList<int> eventLines() const
    {
        QList<int> out;
        for (const QJsonObject& o : events())
            out.append(o.value(QStringLiteral("line")).toInt());
        return out;
    }

    EngineFixture f;
    FakeBrokerLink link;
    bool homeAssistant = false;
    QString discoveryNode;
    std::unique_ptr<EventPublisher> publisher;
};

QList<int> range(int from, int to)
{
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out.append(i);
    return out;
}

} // namespace

class TestEventPublisher : public QObject
{
    Q_OBJECT
private slots:
    void eventPayload_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<char>("letter");
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // The clock stands at 12:00:00 on 7 December 2026.
        QTest::newRow("taken") << 133 << 'P' << "013380500000" << 2 << 5 << "  2-005"
                               << "Аптека"
                               << "Поет";
        QTest::newRow("released") << 1 << 'O' << "000179500000" << 1 << 1 << "  1-001"
                                  << ""
                                  << "Освободен";
        QTest::newRow("violated") << 1024 << 'A' << "102465500000" << 8 << 128 << "  8-128"
                                  << ""
                                  << "Нарушен";
        QTest::newRow("operator") << 2 << 'R' << "000282500000" << 1 << 2 << "  1-002"
                                  << ""
                                  << "Оператор";
        QTest::newRow("balanced") << 2 << 'B' << "000266500000" << 1 << 2 << "  1-002"
                                  << ""
                                  << "Балансиран";
        QTest::newRow("board on") << 2 << 'N' << "000278500000" << 1 << 2 << "  1-002"
                                  << ""
                                  << "Включен";
        QTest::newRow("board off") << 2 << 'F' << "000270500000" << 1 << 2 << "  1-002"
                                   << ""
                                   << "Изключен";
        QTest::newRow("signal 1") << 2 << '1' << "000249500000" << 1 << 2 << "  1-002"
                                  << ""
                                  << "220 V";
        QTest::newRow("signal 2") << 2 << '2' << "000250500000" << 1 << 2 << "  1-002"
                                  << ""
                                  << "Батерия";
        QTest::newRow("started") << -3 << 'S' << "0000835000003" << 3 << 0 << "3"
                                 << ""
                                 << "Стартирана система Zelvan 064";
        QTest::newRow("link lost") << -8 << 'V' << "0000865000008" << 8 << 0 << "8"
                                   << ""
                                   << "Прекъсната връзка с";
    }
    void eventPayload()
    {
        QFETCH(int, k);
        QFETCH(char, letter);
        QFETCH(QString, record);
        QFETCH(int, module);
        QFETCH(int, number);
        QFETCH(QString, label);
        QFETCH(QString, name);
        QFETCH(QString, text);
        Rig r;
        r.f.files.setName(133, QStringLiteral("Аптека"));
        r.link.setConnected(true);
        if (k > 0)
            r.f.archive.AppendDayRecord(k, QLatin1Char(letter), r.f.clock.now());
        else
            r.f.archive.appendModuleRecord(-k, QLatin1Char(letter), r.f.clock.now());
        r.settle();
        const QList<QJsonObject> events = r.events();
        QCOMPARE(events.size(), 1);
        const QJsonObject e = events.first();
        QCOMPARE(e.value("day").toString(), QStringLiteral("26-12-07"));
        QCOMPARE(e.value("line").toInt(), 1);
        QCOMPARE(e.value("record").toString(), record);
        QCOMPARE(e.value("time").toString(), QStringLiteral("2026-12-07T12:00:00"));
        QCOMPARE(e.value("object").toInt(), qMax(k, 0));
        QCOMPARE(e.value("module").toInt(), module);
        QCOMPARE(e.value("number").toInt(), number);
        QCOMPARE(e.value("label").toString(), label);
        QCOMPARE(e.value("name").toString(), name);
        QCOMPARE(e.value("letter").toString(), QString(QLatin1Char(letter)));
        QCOMPARE(e.value("text").toString(), text);
        QVERIFY(!r.link.ofTopic(kPrefix + "/event").first().retain);
    }

    // The payload is written by hand: whatever a name, a caption or a damaged
    // line holds, it must parse as JSON and give back exactly that text.
    void eventTexts_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // of board signal 1
        QTest::addColumn<QString>("recordText");
        QTest::addColumn<QString>("time"); // "" for a line that is no record
        QTest::addColumn<QString>("text");
        const QByteArray violated = "013365500000";
        const QByteArray signal1 = "013349500000";
        QTest::newRow("cyrillic name") << violated << "Аптека №1 „Център“"
                                       << "" << QString(violated) << "12:00:00"
                                       << "Нарушен";
        QTest::newRow("quote and backslash") << violated << R"(Склад "Юг" C:\дир\)"
                                             << "" << QString(violated) << "12:00:00"
                                             << "Нарушен";
        QTest::newRow("control characters") << violated
                                            << QStringLiteral("a\bb\fc\nd\re\tf\x01"
                                                              "g\x1f"
                                                              "h\x7f"
                                                              "i")
                                            << "" << QString(violated) << "12:00:00"
                                            << "Нарушен";
        QTest::newRow("outside the BMP")
            << violated << QStringLiteral("знак 😀 край") << "" << QString(violated) << "12:00:00"
            << "Нарушен";
        QTest::newRow("caption with a quote") << signal1 << ""
                                              << R"(Врата "А")" << QString(signal1) << "12:00:00"
                                              << R"(Врата "А")";
        QTest::newRow("midnight") << QByteArray("013365000000") << ""
                                  << ""
                                  << "013365000000"
                                  << "00:00:00"
                                  << "Нарушен";
        QTest::newRow("last second") << QByteArray("013365999999") << ""
                                     << ""
                                     << "013365999999"
                                     << "23:59:59"
                                     << "Нарушен";
        QTest::newRow("damaged: quote, backslash, control") << QByteArray("ab\"c\\d\x01"
                                                                          "e")
                                                            << ""
                                                            << ""
                                                            << QStringLiteral("ab\"c\\d\x01"
                                                                              "e")
                                                            << ""
                                                            << "";
        // Day files are in cp1251 like every other file of the station.
        QTest::newRow("damaged: cp1251 letters") << QByteArray("\xC0\xE1 \xB9") << ""
                                                 << "" << QStringLiteral("Аб №") << ""
                                                 << "";
        QTest::newRow("record with cp1251 after its fields")
            << QByteArray("013365500000 \xCA") << ""
            << "" << QStringLiteral("013365500000 К") << "12:00:00"
            << "Нарушен";
    }
    void eventTexts()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, recordText);
        QFETCH(QString, time);
        QFETCH(QString, text);
        EngineFixture f;
        const FeedMessages messages(kPrefix, f.state);
        const TailRecord line{record, FeedPosition{QStringLiteral("26-12-07"), 7, 98}};
        const QByteArray payload = messages.event(line, name, {caption, {}, {}, {}, {}});
        QJsonParseError error{};
        const QJsonObject e = QJsonDocument::fromJson(payload, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, payload.constData());
        // Qt's reader takes raw control characters in a string; jq and
        // stricter readers refuse the whole message.
        QVERIFY2(std::none_of(payload.cbegin(), payload.cend(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                 payload.constData());
        QCOMPARE(e.value("day").toString(), QStringLiteral("26-12-07"));
        QCOMPARE(e.value("line").toInt(), 7);
        QCOMPARE(e.value("record").toString(), recordText);
        if (time.isEmpty()) {
            QCOMPARE(e.keys(), QStringList({"day", "line", "record"}));
            return;
        }
        QCOMPARE(e.value("time").toString(), QStringLiteral("2026-12-07T") + time);
        QCOMPARE(e.value("name").toString(), name);
        QCOMPARE(e.value("text").toString(), text);
        QCOMPARE(e.value("object").toInt(), 133);
    }

    // Names are read again after Name.dat changed: a record after the
    // change carries the new name.
    void renamedObject()
    {
        Rig r;
        r.f.files.setName(133, QStringLiteral("Аптека"));
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.record(133, 'A');
        r.settle();
        r.f.files.setName(133, QStringLiteral("Склад"));
        // The change is seen by its time stamp; the test's two writes may
        // fall in one millisecond, an operator's do not.
        QFile names(r.f.files.namePath());
        QVERIFY(names.open(QIODevice::ReadWrite));
        QVERIFY(names.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                  QFileDevice::FileModificationTime));
        names.close();
        r.record(133, 'A');
        r.settle();
        const QList<QJsonObject> e = r.events();
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].value("name").toString(), QStringLiteral("Аптека"));
        QCOMPARE(e[1].value("name").toString(), QStringLiteral("Склад"));
    }

    // A line that is not a record still goes out, by its place, so that the
    // consumer sees every line of the file.
    void lineThatIsNoRecord()
    {
        Rig r;
        r.link.setConnected(true);
        r.record(1, 'A');
        QFile file(r.f.archive.dayFilePath(r.f.clock.now().date()));
        QVERIFY(file.open(QIODevice::Append));
        file.write("garbage\r\n");
        file.close();
        r.record(2, 'A');
        r.settle();
        const QList<QJsonObject> events = r.events();
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[1].value("record").toString(), QStringLiteral("garbage"));
        QCOMPARE(events[1].value("line").toInt(), 2);
        QVERIFY(!events[1].contains("object"));
        QCOMPARE(events[2].value("line").toInt(), 3);
    }

    // What the archive has not reported synced is not read, and a line
    // without its end (cut by a crash) never goes out.
    void onlySyncedRecords()
    {
        Rig r;
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.record(1, 'A');
        r.settle();
        QCOMPARE(r.eventLines(), range(1, 1));
        // Written behind the archive's back: not synced, not sent.
        QFile file(r.f.archive.dayFilePath(r.f.clock.now().date()));
        QVERIFY(file.open(QIODevice::Append));
        file.write("000165500000\r\n0002655");
        file.close();
        r.settle();
        QCOMPARE(r.eventLines(), range(1, 1));
        // Inside a batch nothing reaches the file before the batch ends.
        {
            const DayArchive::Batch batch(&r.f.archive);
            r.record(3, 'A');
            r.settle();
            QCOMPARE(r.eventLines(), range(1, 1));
        }
        r.settle();
        // The torn line stays a line of its own, sent as it is, and the next
        // record follows on a fresh line: both go out.
        QCOMPARE(r.eventLines(), range(1, 4));
        QCOMPARE(r.events()[2].value("record").toString(), QStringLiteral("0002655"));
        QCOMPARE(r.events()[3].value("object").toInt(), 3);
    }

    // The clock steps back while records of the day it returns to still wait
    // for their acknowledgement: the cursor stays before them, so they are
    // sent again and never passed over.
    void clockBackKeepsUnacknowledged()
    {
        Rig r;
        r.link.setConnected(true);
        r.record(1, 'A');
        r.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5)));
        r.record(2, 'A');
        r.settle();
        r.f.clock.set(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 0)));
        r.record(3, 'A');
        r.settle();
        QVERIFY(r.publisher->cursor() == (FeedPosition{"26-12-07", 0, 0}));
        const QList<QJsonObject> e = r.events();
        QCOMPARE(e.size(), 5);
        QCOMPARE(e[2].value("day").toString(), QStringLiteral("26-12-07"));
        QCOMPARE(e[2].value("line").toInt(), 1);
        QCOMPARE(e[3].value("line").toInt(), 2);
        QCOMPARE(e[4].value("day").toString(), QStringLiteral("26-12-08"));
    }

    // A day file dated after today (a clock that was wrong) is not taken as
    // the newest day at start: today's records go out once each.
    void futureDayFileAtStart()
    {
        Rig r;
        r.record(1, 'A');
        QFile future(r.f.archive.dayFilePath(QDate(2026, 12, 20)));
        QVERIFY(future.open(QIODevice::WriteOnly));
        future.write("000565500000\r\n");
        future.close();
        r.make(256);
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.settle();
        r.record(2, 'A');
        r.settle();
        QStringList keys;
        for (const QJsonObject& o : r.events())
            keys.append(o.value("day").toString() + ':' + QString::number(o.value("line").toInt()));
        QCOMPARE(keys, QStringList({"26-12-07:1", "26-12-07:2"}));
    }

    // A day file that cannot be read is not a finished day: the feed waits
    // there, the problem list says so, and it goes on once the file reads.
    void unreadableDayFileWaits()
    {
        Rig r;
        r.record(1, 'A');
        r.record(2, 'A');
        r.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5)));
        r.record(3, 'A');
        QFile cursor(r.f.home.filePath("mqtt.cursor"));
        QVERIFY(cursor.open(QIODevice::WriteOnly));
        cursor.write("26-12-07 0 0\n");
        cursor.close();
        // A directory in the file's place: unreadable, even for root.
        const QString path = r.f.archive.dayFilePath(QDate(2026, 12, 7));
        QVERIFY(QFile::rename(path, path + ".away"));
        QVERIFY(QDir().mkdir(path));
        r.make(256);
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.settle();
        QVERIFY(r.events().isEmpty());
        QVERIFY2(r.f.screen.problem().contains(path), qPrintable(r.f.screen.problem()));
        QVERIFY(QDir().rmdir(path));
        QVERIFY(QFile::rename(path + ".away", path));
        QTRY_COMPARE(r.eventLines(), QList<int>({1, 2, 1}));
        QVERIFY(!r.f.screen.problem().contains(path));
    }

    // A saved cursor inside a line (the day file replaced since): the day is
    // sent again from its first line and the operator is told, never from
    // the middle of a line with wrong numbers.
    void cursorInsideALine()
    {
        Rig r;
        for (int i = 0; i < 3; ++i)
            r.record(i + 1, 'A');
        QFile cursor(r.f.home.filePath("mqtt.cursor"));
        QVERIFY(cursor.open(QIODevice::WriteOnly));
        cursor.write("26-12-07 1 20\n");
        cursor.close();
        r.make(256);
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.settle();
        QCOMPARE(r.eventLines(), range(1, 3));
        QCOMPARE(r.events()[0].value("object").toInt(), 1);
        QVERIFY2(r.f.screen.problem().contains(QStringLiteral("mqtt.cursor")),
                 qPrintable(r.f.screen.problem()));
    }

    // A broker that acknowledges a record without accepting it (MQTT v5
    // reason code 0x80 and above): the cursor stays before it, the problem
    // list names the topic, and it is sent again.
    void refusedRecordIsNotPassedOver()
    {
        Rig r;
        r.link.setConnected(true);
        r.record(1, 'A');
        r.record(2, 'A');
        r.settle();
        r.link.sent.clear();
        const QList<int> waiting = r.link.waitingEvents();
        QCOMPARE(waiting.size(), 2);
        r.link.refuse(waiting[0], QStringLiteral("Not authorized"));
        r.link.acknowledge();
        r.settle();
        QCOMPARE(r.publisher->cursor().line, 0);
        QVERIFY2(r.f.screen.problem().contains(kPrefix + QStringLiteral("/event")),
                 qPrintable(r.f.screen.problem()));
        r.link.setAutoAcknowledge(true);
        QTRY_VERIFY_WITH_TIMEOUT(r.publisher->cursor().line == 2,
                                 2 * EventPublisher::kRefusedRetryMs);
        QCOMPARE(r.eventLines(), range(1, 2));
        QVERIFY(!r.f.screen.problem().contains(kPrefix + QStringLiteral("/event")));
    }

    // At most `window` records wait for their acknowledgement; each one
    // acknowledged lets one more go.
    void boundedWindow()
    {
        Rig r(16);
        {
            const DayArchive::Batch batch(&r.f.archive);
            for (int i = 0; i < 1000; ++i)
                r.f.archive.AppendDayRecord(i % 1024 + 1, QLatin1Char('A'), r.f.clock.now());
        }
        r.link.setConnected(true);
        r.settle();
        QCOMPARE(r.publisher->inFlight(), 16);
        QCOMPARE(r.eventLines(), range(1, 16));
        // The retained states are not in the window; only the records are.
        r.link.sent.clear();
        r.link.acknowledge(r.link.unacknowledged());
        r.settle();
        QCOMPARE(r.eventLines(), range(17, 32));
        QCOMPARE(r.publisher->cursor().line, 16);
        r.link.setAutoAcknowledge(true);
        r.link.acknowledge();
        QTRY_COMPARE(r.publisher->cursor().line, 1000);
        QCOMPARE(r.publisher->inFlight(), 0);
    }

    // A broken connection: everything after the last acknowledged record is
    // sent again, from there, in order.
    void reconnectResendsFromCursor()
    {
        Rig r(8);
        r.link.setConnected(true);
        for (int i = 0; i < 20; ++i)
            r.record(i + 1, 'A');
        r.settle();
        r.link.acknowledgeEvents(5);
        r.settle();
        QCOMPARE(r.publisher->cursor().line, 5);
        r.link.setConnected(false);
        r.link.sent.clear();
        r.record(21, 'A');
        r.settle();
        QVERIFY(r.link.sent.isEmpty());
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.link.acknowledge();
        r.settle();
        QCOMPARE(r.eventLines(), range(6, 21));
    }

    // The cursor survives the publisher (a restart, a power cut): the next
    // one goes on after the last acknowledged record, at its byte offset.
    void cursorResume()
    {
        Rig r;
        r.link.setConnected(true);
        for (int i = 0; i < 100; ++i)
            r.record(i % 1024 + 1, 'P');
        r.settle();
        r.link.acknowledgeEvents(60);
        r.settle();
        r.publisher.reset(); // saves at the end
        QFile cursor(r.f.home.filePath("mqtt.cursor"));
        QVERIFY(cursor.open(QIODevice::ReadOnly));
        QCOMPARE(cursor.readAll(), QByteArray("26-12-07 60 840\n"));
        cursor.close();

        r.link.setConnected(false);
        r.link.sent.clear();
        r.make(256);
        r.link.setConnected(true);
        r.settle();
        QCOMPARE(r.eventLines(), range(61, 100));
    }

    // The cursor is saved at most once a second while records are acknowledged.
    void cursorSavedOnceASecond()
    {
        Rig r;
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.record(1, 'A');
        r.settle();
        const QString path = r.f.home.filePath("mqtt.cursor");
        QVERIFY(!QFile::exists(path));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 5000);
        QCOMPARE(r.publisher->cursor().line, 1);
    }

    // Records of several days go out day after day, in the files' order.
    void acrossDays()
    {
        Rig r;
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.record(1, 'A');
        r.record(2, 'A');
        r.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5)));
        r.record(3, 'A');
        r.settle();
        const QList<QJsonObject> e = r.events();
        QCOMPARE(e.size(), 3);
        QCOMPARE(e[0].value("day").toString(), QStringLiteral("26-12-07"));
        QCOMPARE(e[1].value("line").toInt(), 2);
        QCOMPARE(e[2].value("day").toString(), QStringLiteral("26-12-08"));
        QCOMPARE(e[2].value("line").toInt(), 1);
        QVERIFY(r.publisher->cursor() == (FeedPosition{"26-12-08", 1, 14}));
    }

    // The clock steps back across midnight: records added to the finished
    // day are sent too, each once, and the next day's acknowledged records
    // are not sent again after each of them; that day goes on after them
    // when the clock comes back to it.
    void clockBackAcrossMidnight()
    {
        Rig r;
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.record(1, 'A');
        r.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5)));
        r.record(2, 'A');
        r.settle();
        QCOMPARE(r.events().size(), 2);
        r.f.clock.set(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 0)));
        r.record(3, 'A');
        r.settle();
        r.record(4, 'A');
        r.settle();
        r.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 1, 0)));
        r.record(5, 'A');
        r.settle();
        const QList<QJsonObject> e = r.events();
        QCOMPARE(e.size(), 5);
        using Row = std::tuple<int, const char*, int, int>; // event, day, line, object
        for (const auto& [i, day, line, object] :
             {Row{2, "26-12-07", 2, 3}, Row{3, "26-12-07", 3, 4}, Row{4, "26-12-08", 2, 5}}) {
            QCOMPARE(e[i].value("day").toString(), QLatin1String(day));
            QCOMPARE(e[i].value("line").toInt(), line);
            QCOMPARE(e[i].value("object").toInt(), object);
        }
        QVERIFY(r.publisher->cursor() == (FeedPosition{"26-12-08", 2, 28}));
    }

    // A restart with days behind the cursor: only what follows it goes out,
    // through the days after it.
    void replayAfterOutageSpanningDays()
    {
        Rig r;
        for (int i = 0; i < 10; ++i)
            r.record(i + 1, 'A');
        r.f.clock.set(QDateTime(QDate(2026, 12, 9), QTime(1, 0)));
        for (int i = 0; i < 5; ++i)
            r.record(i + 1, 'O');
        r.link.setConnected(true);
        r.link.setAutoAcknowledge(true);
        r.link.acknowledge();
        r.settle();
        const QList<QJsonObject> e = r.events();
        QCOMPARE(e.size(), 15);
        QCOMPARE(e[10].value("day").toString(), QStringLiteral("26-12-09"));
        QCOMPARE(e[14].value("line").toInt(), 5);
    }

    // A broker that does not acknowledge: of each state topic one message
    // waits, and of all the changes meanwhile only the latest follows it.
    void retainedStatesCoalesced()
    {
        Rig r;
        r.f.state.ModuleEnabled[1] = true;
        r.f.state.ModuleStarted[1] = true;
        r.f.state.ObjInstalled[5] = 1;
        r.f.state.ObjState[5] = Violated;
        r.link.setConnected(true);
        r.settle();
        const QString topic = kPrefix + "/object/5/state";
        QCOMPARE(r.link.ofTopic(topic).size(), 1);
        const int waiting = r.link.unacknowledged();
        // Each record archived makes the publisher look at the states.
        for (const auto s : {Released, Taken, Violated, Released, Taken}) {
            r.f.state.ObjState[5] = s;
            r.record(100, 'A');
            r.settle();
        }
        QCOMPARE(r.link.ofTopic(topic).size(), 1);
        QCOMPARE(r.link.unacknowledged(), waiting + 5); // the records
        r.link.setAutoAcknowledge(true);
        r.link.acknowledge();
        r.settle();
        const auto sent = r.link.ofTopic(topic);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.last().payload, QByteArray("taken"));
        QCOMPARE(r.link.retained.value(topic), QByteArray("taken"));
    }

    void retainedStates()
    {
        Rig r;
        r.f.state.ObjInstalled[5] = 1;
        r.f.state.ObjState[5] = Violated;
        r.f.state.ObjInstalled[6] = 1;
        r.f.state.ObjState[6] = TakeRequested;
        r.f.state.ModuleEnabled[1] = true;
        r.f.state.ModuleEnabled[2] = true;
        r.f.state.ModuleEnabled[3] = true;
        r.f.state.ModuleStarted[1] = true;
        r.f.state.ModuleLinkLost[3] = true;
        r.f.alarms.addViolation(QStringLiteral("  1-005  "));
        r.link.setAutoAcknowledge(true);
        r.link.setConnected(true);
        r.settle();
        QCOMPARE(r.link.retained.value(kPrefix + "/status"), QByteArray("online"));
        QCOMPARE(r.link.retained.value(kPrefix + "/object/5/state"), QByteArray("violated"));
        QCOMPARE(r.link.retained.value(kPrefix + "/object/6/state"), QByteArray("take_requested"));
        QVERIFY(!r.link.retained.contains(kPrefix + "/object/7/state"));
        QCOMPARE(r.link.retained.value(kPrefix + "/module/1/link"), QByteArray("online"));
        // Module 2 was neither started nor found lost: its link is not known.
        QVERIFY(r.link.ofTopic(kPrefix + "/module/2/link").isEmpty());
        QCOMPARE(r.link.retained.value(kPrefix + "/module/3/link"), QByteArray("lost"));
        QCOMPARE(r.link.retained.value(kPrefix + "/violations"), QByteArray("1"));

        // A change goes out once, with the next scan.
        r.link.sent.clear();
        r.f.state.ObjState[5] = Released;
        r.f.state.ObjState[6] = Taken;
        r.f.alarms.removeObject(QStringLiteral("  1-005"));
        QTRY_COMPARE(r.link.retained.value(kPrefix + "/object/5/state"), QByteArray("released"));
        QCOMPARE(r.link.retained.value(kPrefix + "/object/6/state"), QByteArray("taken"));
        QCOMPARE(r.link.retained.value(kPrefix + "/violations"), QByteArray("0"));
        QCOMPARE(r.link.sent.size(), 3);
        // The version reply no longer lists it: its retained state goes.
        r.f.state.ObjInstalled[6] = 0;
        QTRY_VERIFY(!r.link.retained.contains(kPrefix + "/object/6/state"));
        // The module's link found lost: its objects keep their last state.
        r.f.state.ObjInstalled[6] = 1;
        QTRY_COMPARE(r.link.retained.value(kPrefix + "/object/6/state"), QByteArray("taken"));
        r.f.state.ModuleStarted[1] = false;
        r.f.state.ModuleLinkLost[1] = true;
        r.f.state.ObjInstalled[5] = 0;
        r.f.state.ObjInstalled[6] = 0;
        QTRY_COMPARE(r.link.retained.value(kPrefix + "/module/1/link"), QByteArray("lost"));
        r.settle();
        QCOMPARE(r.link.retained.value(kPrefix + "/object/5/state"), QByteArray("released"));
        QCOMPARE(r.link.retained.value(kPrefix + "/object/6/state"), QByteArray("taken"));
        r.f.state.ModuleStarted[1] = true;
        r.f.state.ModuleLinkLost[1] = false;
        r.f.state.ObjInstalled[5] = 1;

        // Every state again after each connection.
        r.link.setConnected(false);
        r.link.retained.clear();
        r.link.setConnected(true);
        r.settle();
        QCOMPARE(r.link.retained.value(kPrefix + "/object/5/state"), QByteArray("released"));
        QCOMPARE(r.link.retained.value(kPrefix + "/status"), QByteArray("online"));
    }

    // What the broker hears of an installed object (5, module 1) in each
    // condition of its module, first in a fresh run of the panel (a restart)
    // after a run that announced it, then in one that knew it on line.
    // null: nothing sent; empty: the retained topic cleared.
    void objectEntitiesFollowTheirModule_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QByteArray>("config");

        const QByteArray null;
        const QByteArray cleared("");
        const QByteArray announced("announced");
        QTest::newRow("restart, before the first answer or tick")
            << false << false << true << null << null << null;
        QTest::newRow("restart, module silent at start")
            << false << true << false << QByteArray("lost") << null << null;
        QTest::newRow("module on line")
            << true << false << true << QByteArray("online") << QByteArray("taken") << announced;
        QTest::newRow("version reply without the object")
            << true << false << false << QByteArray("online") << cleared << cleared;
    }

    void objectEntitiesFollowTheirModule()
    {
        QFETCH(bool, started);
        QFETCH(bool, lost);
        QFETCH(bool, installed);
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, state);
        QFETCH(QByteArray, config);

        Rig r;
        r.homeAssistant = true;
        r.make(256);
        r.link.setAutoAcknowledge(true);
        auto& s = r.f.state;
        s.ModuleEnabled[1] = true;
        s.ModuleStarted[1] = started;
        s.ModuleLinkLost[1] = lost;
        s.ObjInstalled[5] = installed ? 1 : 0;
        s.ObjState[5] = Taken;
        const auto check = [&] {
            const QString configs[] = {
                "homeassistant/sensor/zelvan_test/object_5/config",
                "homeassistant/binary_sensor/zelvan_test/object_5_violation/config",
                "homeassistant/alarm_control_panel/zelvan_test/object_5/config"};
            for (const QString& topic : configs) {
                const auto sent = r.link.ofTopic(topic);
                if (config.isNull())
                    QVERIFY2(sent.isEmpty(), qPrintable(topic));
                else if (config.isEmpty())
                    QVERIFY2(sent.size() == 1 && sent.first().payload.isEmpty(), qPrintable(topic));
                else
                    QVERIFY2(!sent.isEmpty() && !sent.last().payload.isEmpty(), qPrintable(topic));
            }
            const auto states = r.link.ofTopic(kPrefix + "/object/5/state");
            QCOMPARE(states.isEmpty(), state.isNull());
            if (!state.isNull())
                QCOMPARE(states.last().payload, state);
            const auto links = r.link.ofTopic(kPrefix + "/module/1/link");
            QCOMPARE(links.isEmpty(), link.isNull());
            if (!link.isNull())
                QCOMPARE(links.last().payload, link);
        };
        r.link.setConnected(true);
        r.settle();
        check();

        // The same condition reached from a module on line: a loss changes
        // nothing of the object at the broker.
        if (!started && lost) {
            r.link.sent.clear();
            s.ModuleStarted[1] = true;
            s.ModuleLinkLost[1] = false;
            s.ObjInstalled[5] = 1;
            QTRY_COMPARE(r.link.retained.value(kPrefix + "/module/1/link"), QByteArray("online"));
            r.link.sent.clear();
            s.ModuleStarted[1] = false;
            s.ModuleLinkLost[1] = true;
            s.ObjInstalled[5] = 0;
            QTRY_COMPARE(r.link.retained.value(kPrefix + "/module/1/link"), QByteArray("lost"));
            r.settle();
            QCOMPARE(r.link.sent.size(), 1);
        }
    }

    // The station's device with its link and violations, each module a
    // device through it, each object's entities on its module's device,
    // available while both the station and the module's link are, with the
    // object's last record as attributes, and an alarm panel whose template
    // Jinja renders into the alarm panel's states.
    // In a pair only the active panel sends the configs, under the node
    // both share, and all of them again when it takes the line over; the
    // states go out under its own prefix whatever its role.
    void discoveryFollowsTheActivePanel()
    {
        Rig r;
        r.homeAssistant = true;
        r.discoveryNode = QStringLiteral("pair/node");
        r.make(256);
        r.publisher->setDiscovering(false);
        auto& s = r.f.state;
        s.ModuleEnabled[2] = true;
        s.ModuleStarted[2] = true;
        s.ObjInstalled[130] = 1;
        s.ObjState[130] = Taken;
        r.link.setAutoAcknowledge(true);
        r.link.setConnected(true);
        QTRY_VERIFY(r.link.retained.contains(kPrefix + "/object/130/state"));
        const auto configs = [&r] {
            int n = 0;
            for (const auto& m : r.link.sent)
                n += m.topic.startsWith(QStringLiteral("homeassistant/")) ? 1 : 0;
            return n;
        };
        QCOMPARE(configs(), 0);
        r.publisher->setDiscovering(true);
        QTRY_VERIFY(configs() > 0);
        const QByteArray station =
            r.link.retained.value("homeassistant/binary_sensor/pair_node/status/config");
        QVERIFY(station.contains((kPrefix + "/status").toUtf8()));
        QVERIFY(r.link.retained.contains("homeassistant/sensor/pair_node/object_130/config"));
    }

    void deviceTree()
    {
        Rig r;
        r.homeAssistant = true;
        r.make(256);
        auto& s = r.f.state;
        s.ModuleEnabled[2] = true;
        s.ModuleStarted[2] = true;
        s.ObjInstalled[130] = 1;
        s.ObjState[130] = Taken;
        r.f.files.setName(130, QStringLiteral("Склад"));
        r.link.setAutoAcknowledge(true);
        r.link.setConnected(true);
        r.record(130, 'A');
        QTRY_VERIFY(r.link.retained.contains(kPrefix + "/object/130/last"));
        const auto json = [&r](const QString& topic) {
            return QJsonDocument::fromJson(r.link.retained.value(topic)).object();
        };
        const QString node = QStringLiteral("zelvan_test");
        const QJsonObject station = json("homeassistant/binary_sensor/" + node + "/status/config");
        QCOMPARE(station.value("state_topic").toString(), kPrefix + "/status");
        const QJsonObject stationDevice = station.value("device").toObject();
        QCOMPARE(stationDevice.value("identifiers").toArray().first().toString(), node);
        QCOMPARE(stationDevice.value("model").toString(), QStringLiteral("Zelvan 064"));
        QVERIFY(!stationDevice.value("sw_version").toString().isEmpty());
        QCOMPARE(json("homeassistant/sensor/" + node + "/violations/config")
                     .value("state_topic")
                     .toString(),
                 kPrefix + "/violations");
        const QJsonObject module = json("homeassistant/binary_sensor/" + node + "/module_2/config");
        QCOMPARE(module.value("device").toObject().value("via_device").toString(), node);
        QCOMPARE(module.value("state_topic").toString(), kPrefix + "/module/2/link");

        const QString entities[] = {
            "homeassistant/sensor/" + node + "/object_130/config",
            "homeassistant/binary_sensor/" + node + "/object_130_violation/config",
            "homeassistant/alarm_control_panel/" + node + "/object_130/config"};
        for (const QString& topic : entities) {
            const QJsonObject o = json(topic);
            QVERIFY2(!o.isEmpty(), qPrintable(topic));
            QCOMPARE(o.value("device").toObject().value("identifiers").toArray().first().toString(),
                     node + "_module_2");
            QCOMPARE(o.value("state_topic").toString(), kPrefix + "/object/130/state");
            QCOMPARE(o.value("availability_mode").toString(), QStringLiteral("all"));
            const QJsonArray availability = o.value("availability").toArray();
            QCOMPARE(availability.size(), 2);
            QCOMPARE(availability[0].toObject().value("topic").toString(), kPrefix + "/status");
            QCOMPARE(availability[1].toObject().value("topic").toString(),
                     kPrefix + "/module/2/link");
            QCOMPARE(availability[1].toObject().value("payload_not_available").toString(),
                     QStringLiteral("lost"));
            QCOMPARE(o.value("json_attributes_topic").toString(), kPrefix + "/object/130/last");
            QVERIFY(o.value("name").toString().startsWith(QStringLiteral("2-002  Склад")));
            // The entity id comes from the number, not from the name.
            QVERIFY(o.value("default_entity_id").toString().endsWith(".zelvan_test_object_130")
                    || o.value("default_entity_id").toString().endsWith("_object_130_violation"));
        }
        const QJsonObject last = json(kPrefix + "/object/130/last");
        QCOMPARE(last.value("letter").toString(), QStringLiteral("A"));
        QCOMPARE(last.value("line").toInt(), 1);

        // Every config as Home Assistant's rules have it; the alarm panel's
        // template gives only states it accepts.
        int configs = 0;
        for (auto it = r.link.retained.cbegin(); it != r.link.retained.cend(); ++it) {
            if (!it.key().startsWith(QLatin1String("homeassistant/")))
                continue;
            ++configs;
            const QStringList problems = discoveryProblems(it.key(), it.value());
            QVERIFY2(problems.isEmpty(), qPrintable(it.key() + ": " + problems.join("; ")));
        }
        QCOMPARE(configs, 2 + kModuleCount + 3); // the station, every module, the object
        const QJsonObject panel = json(entities[2]);
        QCOMPARE(panel.value("supported_features").toArray().size(), 0);
        const QString source = panel.value("value_template").toString();
        const QList<std::pair<QString, QString>> states = {{"released", "disarmed"},
                                                           {"taken", "armed_away"},
                                                           {"violated", "triggered"},
                                                           {"take_requested", "arming"}};
        for (const auto& [word, alarm] : states) {
            QString error;
            const std::optional<QString> shown = renderValueTemplate(source, word, &error);
            QVERIFY2(shown.has_value(), qPrintable(error));
            QCOMPARE(*shown, alarm);
            QVERIFY(alarmStates().contains(*shown));
        }
    }

    // The broker's failure is one line of the problem list while it lasts.
    void brokerProblemShown()
    {
        Rig r;
        r.link.fail(QStringLiteral("Connection refused"));
        QCOMPARE(r.f.screen.problems().size(), 1);
        QCOMPARE(r.f.screen.problems().first(),
                 feed_texts::brokerDown().arg("127.0.0.1:1883", "Connection refused"));
        r.link.fail(QStringLiteral("timed out"));
        QCOMPARE(r.f.screen.problems().size(), 1);
        r.link.setConnected(true);
        QVERIFY(r.f.screen.problems().isEmpty());
    }

    // With the publisher attached but no broker, the archive writes exactly
    // the same bytes and every handler's result is the same.
    void archiveUnchangedByTheFeed()
    {
        QByteArray withFeed;
        QByteArray without;
        for (const bool feed : {true, false}) {
            EngineFixture f;
            FakeBrokerLink link;
            std::unique_ptr<EventPublisher> p;
            if (feed) {
                p = std::make_unique<EventPublisher>(
                    EventPublisher::Sources{f.state, f.files, f.alarms, f.archive, f.screen,
                                            f.clock},
                    link,
                    EventPublisher::Options{kPrefix, false, "h:1", f.home.filePath("c"), 16, {}});
                p->start();
            }
            for (int i = 0; i < 50; ++i) {
                QVERIFY(f.archive.AppendDayRecord(i + 1, QLatin1Char('A'), f.clock.now()));
                QCoreApplication::processEvents();
            }
            (feed ? withFeed : without) = f.dayFileBytes();
            QVERIFY(f.screen.problems().isEmpty());
        }
        QCOMPARE(withFeed, without);
    }
};

QTEST_GUILESS_MAIN(TestEventPublisher)
#include "tst_eventpublisher.moc"
