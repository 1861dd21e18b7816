#include "events/AlarmList.h"
#include "windows/LineWindow.h"

#include <QSignalSpy>
#include <QTest>

using namespace zelvan;

namespace {

QString objectLine(int k)
{
    return QStringLiteral("  1-%1  Обект").arg(k, 3, 10, QLatin1Char('0'));
}

QStringList shown(const LineWindow& w)
{
    QStringList out;
    for (int r = 0; r < w.rowCount(); ++r)
        out << w.index(r, 0).data().toString();
    return out;
}

QStringList lines(int from, int to)
{
    QStringList out;
    for (int k = from; k <= to; ++k)
        out << objectLine(k);
    return out;
}

} // namespace

class TestLineWindow : public QObject
{
    Q_OBJECT
private slots:
    // A list that fits passes through row for row, as the list itself.
    void smallListPassesThrough()
    {
        AlarmList alarms;
        LineWindow window(alarms, 8);
        QSignalSpy inserted(&window, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&window, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&window, &QAbstractItemModel::modelReset);
        for (int k = 1; k <= 8; ++k)
            alarms.addViolation(objectLine(k));
        QCOMPARE(inserted.size(), 8);
        QCOMPARE(inserted.last().at(1).toInt(), 7);
        alarms.removeObject(QStringLiteral("  1-003"));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 2);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(shown(window), alarms.lines());
    }

    // Past its size the window holds its lines until it is moved; lines
    // added after it do not reach the view.
    void longListShowsAWindow()
    {
        AlarmList alarms;
        LineWindow window(alarms, 8);
        for (int k = 1; k <= 20; ++k)
            alarms.addViolation(objectLine(k));
        QCOMPARE(window.rowCount(), 8);
        QCOMPARE(shown(window), lines(1, 8));

        QSignalSpy reset(&window, &QAbstractItemModel::modelReset);
        window.reveal(19); // the last line
        QCOMPARE(reset.size(), 1);
        QCOMPARE(window.first(), 12);
        QCOMPARE(shown(window), lines(13, 20));
        QCOMPARE(window.rowOf(19), 7);
        QCOMPARE(window.rowOf(11), -1);
        window.reveal(19); // already in sight: nothing moves
        window.reveal(15);
        QCOMPARE(reset.size(), 1);

        QCOMPARE(window.shift(-1), 4);
        QCOMPARE(shown(window), lines(9, 16));
        QCOMPARE(window.shift(-1), 4);
        QCOMPARE(window.shift(-1), 4);
        QCOMPARE(window.shift(-1), 0); // at the start
        QCOMPARE(window.first(), 0);
    }

    void removalUnderTheWindow_data()
    {
        QTest::addColumn<int>("reveal");  // line revealed first
        QTest::addColumn<int>("removed"); // object whose line goes
        QTest::addColumn<int>("first");   // window's first line afterwards
        QTest::addColumn<QString>("top"); // its text
        QTest::newRow("line inside the window") << 19 << 15 << 11 << objectLine(12);
        QTest::newRow("line before the window") << 19 << 2 << 11 << objectLine(13);
        QTest::newRow("line after the window") << 0 << 15 << 0 << objectLine(1);
    }
    void removalUnderTheWindow()
    {
        QFETCH(int, reveal);
        QFETCH(int, removed);
        QFETCH(int, first);
        QFETCH(QString, top);
        AlarmList alarms;
        LineWindow window(alarms, 8);
        for (int k = 1; k <= 20; ++k)
            alarms.addViolation(objectLine(k));
        window.reveal(reveal);
        alarms.removeObject(objectLine(removed).left(7));
        QCOMPARE(alarms.count(), 19);
        QCOMPARE(window.first(), first);
        QCOMPARE(window.rowCount(), 8);
        QCOMPARE(window.index(0, 0).data().toString(), top);
        for (int r = 0; r < window.rowCount(); ++r)
            QCOMPARE(window.index(r, 0).data().toString(), alarms.line(window.lineOf(r)));
    }
};

QTEST_GUILESS_MAIN(TestLineWindow)
#include "tst_linewindow.moc"
