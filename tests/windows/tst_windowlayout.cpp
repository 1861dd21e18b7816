#include "windows/WindowLayout.h"

#include <QTest>

using namespace zelvan;

class TestWindowLayout : public QObject
{
    Q_OBJECT
private slots:
    void listArea_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QRect>("list");

        QTest::newRow("ordinary") << 6000 << 3000 << true << QRect(75, 75, 5835, 2850);
        QTest::newRow("smallest that fits") << 166 << 151 << true << QRect(75, 75, 1, 1);
        QTest::newRow("height zero") << 6000 << 150 << false << QRect();
        QTest::newRow("width zero") << 165 << 3000 << false << QRect();
        QTest::newRow("collapsed") << 0 << 0 << false << QRect();
    }
    void listArea()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(bool, placed);
        QFETCH(QRect, list);
        const auto area = layout::listArea(w, h);
        QCOMPARE(area.has_value(), placed);
        if (placed)
            QCOMPARE(*area, list);
    }

    void frameSurroundsTheList()
    {
        const auto lines = layout::alarmFrame(QRect(75, 75, 5835, 2850));
        // Top, right, bottom, left, 45 twips outside the list.
        QCOMPARE(lines[0], QLine(30, 30, 5955, 30));
        QCOMPARE(lines[1], QLine(5955, 30, 5955, 2970));
        QCOMPARE(lines[2], QLine(30, 2970, 5955, 2970));
        QCOMPARE(lines[3], QLine(30, 30, 30, 2970));
    }

    void keypadArea_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QRect>("log");
        QTest::addColumn<QRect>("entry");

        QTest::newRow("ordinary") << 2700 << 3300 << true << QRect(75, 75, 2535, 2760)
                                  << QRect(75, 2910, 2535, 315);
        QTest::newRow("too low for the log") << 2700 << 540 << false << QRect() << QRect();
        QTest::newRow("too narrow") << 165 << 3300 << false << QRect() << QRect();
    }
    void keypadArea()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(bool, placed);
        QFETCH(QRect, log);
        QFETCH(QRect, entry);
        const auto area = layout::keypadArea(w, h);
        QCOMPARE(area.has_value(), placed);
        if (placed) {
            QCOMPARE(area->log, log);
            QCOMPARE(area->entry, entry);
        }
    }

    void keypadBesideTheMainWindow()
    {
        // Main window at (1500, 750), 9000 x 7500 twips; keypad 3300 twips high.
        QCOMPARE(layout::keypadPosition(QRect(1500, 750, 9000, 7500), 3300), QPoint(10560, 4890));
    }

    void tipFloatsAbovePointer()
    {
        // Window at (100, 200), list at (5, 5) in it, pointer at (40, 30) in the
        // list, label 16 pixels high: 23 pixels down from the pointer's row
        // minus the label, 6 pixels to the right.
        QCOMPARE(layout::tipPosition(QPoint(100, 200), QPoint(5, 5), QPoint(40, 30), 16),
                 QPoint(151, 242));
    }
};

QTEST_GUILESS_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
