#include "core/Cp1251.h"
#include "core/ObjectFiles.h"
#include "core/StationState.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"
#include "windows/ObjectHistory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

// Object 17 of module 3.
constexpr int kObject = 273;

const QString kToday = QStringLiteral("26-12-07.dat");
const QString kYesterday = QStringLiteral("26-12-06.dat");

} // namespace

class TestObjectHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    StationState m_state;
    test::FakeClock m_clock;
    std::unique_ptr<ObjectFiles> m_files;
    std::unique_ptr<ObjectHistory> m_history;

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(QDir(m_dir.path()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    void writeDay(const QString& name, const QList<QByteArray>& records)
    {
        QByteArray bytes;
        for (const QByteArray& r : records)
            bytes += r + "\r\n";
        writeFile(name, bytes);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const QString& f : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(QDir(m_dir.path()).filePath(f));
        m_state = StationState();
        m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(15, 30)));
        m_state.fillMonthNames();
        m_files = std::make_unique<ObjectFiles>(m_dir.path());
        QVERIFY(m_files->createMissing());
        m_history = std::make_unique<ObjectHistory>(m_state, *m_files, m_clock);
    }

    void objectOfLine_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("k"); // 0 = names no object

        const int v = int(ListSource::Violations);
        const int e = int(ListSource::Events);
        QTest::newRow("violation, no prefix") << v << "  3-017  Магазин" << kObject;
        QTest::newRow("violation, prefix") << v << " 03-017  Магазин" << kObject;
        QTest::newRow("violation, empty selection") << v << "" << 0;
        QTest::newRow("violation, module 9") << v << "  9-001  X" << 0;
        QTest::newRow("violation, object 0") << v << "  3-000  X" << 0;
        QTest::newRow("violation, object 129") << v << "  3-129  X" << 0;
        QTest::newRow("taken") << e << "П 12:00:00   3-017  Магазин" << kObject;
        QTest::newRow("released (Latin O)") << e << "O 12:00:00  03-017  Магазин" << kObject;
        QTest::newRow("violated (Latin H)") << e << "H 12:00:00   3-017  Магазин" << kObject;
        QTest::newRow("board on") << e << "В 12:00:00   3-017  Включен под охрана" << kObject;
        QTest::newRow("board signal") << e << "> 12:00:00   3-017   220 V" << kObject;
        QTest::newRow("link lost") << e << "К 12:00:00  Прекъсната връзка с Модул 3" << 0;
        QTest::newRow("system started")
            << e << "C 12:00:00  Стартирана система Zelvan 064  Модул 3" << 0;
        QTest::newRow("Latin B is no code") << e << "B 12:00:00   3-017  X" << 0;
        QTest::newRow("events, object 129") << e << "H 12:00:00   3-129  X" << 0;
    }
    void objectOfLine()
    {
        QFETCH(int, source);
        QFETCH(QString, line);
        QFETCH(int, k);
        const auto found = ObjectHistory::objectOfLine(ListSource(source), line);
        QCOMPARE(found.value_or(0), k);
    }

    void todayFromTheDayFile()
    {
        writeDay(kToday, {
                             "027380500000",  // taken at noon
                             "013380500000",  // another object
                             "0000832500003", // module record
                             "0273655",       // cut short: nothing
                             "02736x500000",  // not digits: nothing
                             "027365750000",  // violated at 18:00
                             "027382750000",  // operator
                             "027390750000",  // unknown letter Z: an empty line
                             "027349750000",  // board signal 1
                             "027379875000",  // released at 21:00
                         });
        const QString text = m_history->dayText(kObject, m_clock.now().date(), true);
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7); // six lines and what follows the last CR LF
        QCOMPARE(lines[0], QStringLiteral("12:00:00  Поет  "));
        QCOMPARE(lines[1], QStringLiteral("18:00:00  Нарушен  "));
        QCOMPARE(lines[2], QStringLiteral("18:00:00  Оператор  "));
        QCOMPARE(lines[3], QString());
        QVERIFY2(lines[4].startsWith(QStringLiteral("18:00:00  --  220 V")), qPrintable(lines[4]));
        QCOMPARE(lines[5], QStringLiteral("21:00:00  Освободен  "));
        QCOMPARE(lines[6], QString());
    }

    void noRecordOfTheObjectIsAnEmptyText()
    {
        writeDay(kToday, {"013380500000", "0000832500003"});
        QCOMPARE(m_history->dayText(kObject, m_clock.now().date(), true), QString());
    }

    void missingDays_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("yesterday");

        const QString lead = QStringLiteral("          Няма архив за ");
        const QString yesterdayLine = lead + QStringLiteral("06 Декември 2026 год.\r\n\r\n");
        QTest::newRow("violations")
            << int(ListSource::Violations) << lead + QStringLiteral("07 Декември\r\n\r\n")
            << yesterdayLine;
        QTest::newRow("events") << int(ListSource::Events)
                                << lead + QStringLiteral("07 Декември 2026 год.\r\n\r\n")
                                << yesterdayLine;
    }
    void missingDays()
    {
        QFETCH(int, source);
        QFETCH(QString, today);
        QFETCH(QString, yesterday);
        const HistoryView view = m_history->build(kObject, ListSource(source));
        QCOMPARE(view.today, today);
        QCOMPARE(view.yesterday, yesterday);
    }

    void yesterdayReadFromItsOwnFile()
    {
        writeDay(kToday, {"027380500000"});
        writeDay(kYesterday, {"027365250000"});
        const HistoryView view = m_history->build(kObject, ListSource::Violations);
        QCOMPARE(view.today, QStringLiteral("12:00:00  Поет  \r\n"));
        QCOMPARE(view.yesterday, QStringLiteral("06:00:00  Нарушен  \r\n"));
        QCOMPARE(view.todayCaption, QStringLiteral("Днес  07 Декември"));
        QCOMPARE(view.yesterdayCaption, QStringLiteral("Вчера  06 Декември"));
    }

    void acrossTheNewYear()
    {
        m_clock.set(QDateTime(QDate(2027, 1, 1), QTime(0, 10)));
        writeDay(QStringLiteral("26-12-31.dat"), {"027380500000"});
        const HistoryView view = m_history->build(kObject, ListSource::Events);
        QCOMPARE(view.yesterday, QStringLiteral("12:00:00  Поет  \r\n"));
        QCOMPARE(view.yesterdayCaption, QStringLiteral("Вчера  31 Декември"));
        QCOMPARE(view.todayCaption, QStringLiteral("Днес  01 Януари"));
    }

    void longDayStopsNear56000()
    {
        QList<QByteArray> records(4000, QByteArray("027380500000"));
        writeDay(kToday, records);
        const QString text = m_history->dayText(kObject, m_clock.now().date(), true);
        const qsizetype lineLength = QStringLiteral("12:00:00  Поет  \r\n").size();
        // The line that takes the text beyond 55,999 characters is the last one.
        QVERIFY2(text.size() > 55999, qPrintable(QString::number(text.size())));
        QVERIFY(text.size() - lineLength <= 55999);
        QVERIFY(text.endsWith(QStringLiteral("12:00:00  Поет  \r\n")));
    }

    void labelAndInformation()
    {
        QVERIFY(m_files->setName(kObject, QStringLiteral("Магазин Лале")));
        writeFile(QStringLiteral("DI_3-17.dat"), toCp1251(u"Ключ при съседа\r\nтел. 123"));
        m_state.ShowSystemZero = QStringLiteral("N");
        HistoryView view = m_history->build(kObject, ListSource::Violations);
        QVERIFY2(view.label.startsWith(QStringLiteral(" 3-017  Магазин Лале")),
                 qPrintable(view.label));
        QCOMPARE(view.information, QStringLiteral("Ключ при съседа\r\nтел. 123"));

        m_state.ShowSystemZero = QStringLiteral("Y");
        view = m_history->build(kObject, ListSource::Violations);
        QVERIFY2(view.label.startsWith(QStringLiteral("03-017  Магазин Лале")),
                 qPrintable(view.label));
    }

    void missingInformationFile()
    {
        const HistoryView view = m_history->build(globalIndex(2, 5), ListSource::Events);
        QCOMPARE(m_history->informationPath(globalIndex(2, 5)),
                 QDir(m_dir.path()).filePath(QStringLiteral("DI_2-5.dat")));
        QCOMPARE(view.information, QStringLiteral("  За този обект не е въведена информация !"));
    }

    // A day file that is there but cannot be opened (a directory in its place,
    // which root cannot read either) is said to be unreadable, not missing; one
    // whose reading breaks off says so after what was read.
    void unreadableDays_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<bool>("breaksOff");
        QTest::addColumn<QString>("lead");
        QTest::addColumn<QString>("end");

        const QString twoEnds = QStringLiteral(")\r\n\r\n");
        QTest::newRow("today, violations")
            << int(ListSource::Violations) << kToday << false
            << QStringLiteral("          Архивът не може да бъде прочетен за 07 Декември (")
            << twoEnds;
        QTest::newRow("today, events")
            << int(ListSource::Events) << kToday << false
            << QStringLiteral(
                   "          Архивът не може да бъде прочетен за 07 Декември 2026 год. (")
            << twoEnds;
        QTest::newRow("yesterday")
            << int(ListSource::Violations) << kYesterday << false
            << QStringLiteral(
                   "          Архивът не може да бъде прочетен за 06 Декември 2026 год. (")
            << twoEnds;
        QTest::newRow("today's read breaks off")
            << int(ListSource::Violations) << kToday << true
            << QStringLiteral("          Четенето на архива прекъсна за 07 Декември (")
            << QStringLiteral(")\r\n");
    }
    void unreadableDays()
    {
        QFETCH(int, source);
        QFETCH(QString, blocked);
        QFETCH(bool, breaksOff);
        QFETCH(QString, lead);
        QFETCH(QString, end);
        const QString path = QDir(m_dir.path()).filePath(blocked);
        QVERIFY(breaksOff ? test::makeReadBreakOff(path) : test::makeUnopenable(path));
        const HistoryView view = m_history->build(kObject, ListSource(source));
        QFile::remove(path);
        QDir().rmdir(path);
        const QString& text = blocked == kToday ? view.today : view.yesterday;
        QVERIFY2(text.startsWith(lead) && text.endsWith(end), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Няма архив")));
    }

    void unreadableInformationFile()
    {
        const QString name = QStringLiteral("DI_3-17.dat");
        QVERIFY(test::makeUnopenable(QDir(m_dir.path()).filePath(name)));
        const HistoryView view = m_history->build(kObject, ListSource::Violations);
        QDir(m_dir.path()).rmdir(name);
        QVERIFY2(view.information.startsWith(
                     QStringLiteral("  Информацията за този обект не може да бъде прочетена !")),
                 qPrintable(view.information));
    }

private:
    static constexpr int globalIndex(int m, int n) { return (m - 1) * 128 + n; }
};

QTEST_GUILESS_MAIN(TestObjectHistory)
#include "tst_objecthistory.moc"
