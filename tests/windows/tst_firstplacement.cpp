// Where the windows first appear: never over each other or the main panel, on
// every screen from 1024x768 up, with and without window frames.
#include "windows/FirstPlacement.h"

#include <QtTest>

using namespace zelvan::layout;

namespace {

// The windows' outer sizes as the program makes them.
DeskSizes programSizes(int frame)
{
    const QSize f(2 * frame, 2 * frame + (frame ? 20 : 0));
    return {QSize(489, 430) + f, QSize(360, 160) + f, QSize(360, 160) + f, QSize(180, 220) + f,
            QSize(534, 88) + f};
}

QString show(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TestFirstPlacement : public QObject
{
    Q_OBJECT
private slots:
    void windowsApart_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("frame");
        QTest::newRow("1024x768") << QRect(0, 0, 1024, 768) << 0;
        QTest::newRow("1024x768 framed, task bar") << QRect(0, 0, 1024, 740) << 4;
        QTest::newRow("1280x800") << QRect(0, 0, 1280, 800) << 0;
        QTest::newRow("1366x768 framed") << QRect(0, 0, 1366, 768) << 4;
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << 0;
        QTest::newRow("3840x2160 second screen") << QRect(1920, 0, 3840, 2160) << 4;
        QTest::newRow("1280x1024 with a panel at the top") << QRect(0, 32, 1280, 992) << 0;
    }
    void windowsApart()
    {
        QFETCH(QRect, area);
        QFETCH(int, frame);
        const DeskSizes sizes = programSizes(frame);
        const DeskPlacement p = firstPlacement(area, sizes);
        const QList<QPair<QString, QRect>> all{{"main", p.main},
                                               {"violations", p.alarms},
                                               {"events", p.events},
                                               {"keypad", p.keypad},
                                               {"link lost", p.linkLost}};
        for (int i = 0; i < all.size(); ++i) {
            QVERIFY2(area.contains(all[i].second),
                     qPrintable(all[i].first + ' ' + show(all[i].second)));
            for (int j = i + 1; j < all.size(); ++j)
                QVERIFY2(!all[i].second.intersects(all[j].second),
                         qPrintable(all[i].first + ' ' + show(all[i].second) + " over "
                                    + all[j].first + ' ' + show(all[j].second)));
        }
        // The main panel centred, the link-lost window 20 twips (one pixel) in,
        // the keypad beside the panel's right edge, its bottom 60 twips above the panel's.
        QCOMPARE(p.main.center().x() - area.center().x(), 0);
        QVERIFY(qAbs(p.main.center().y() - area.center().y()) <= 1);
        QCOMPARE(p.linkLost.topLeft(), area.topLeft() + QPoint(1, 1));
        QCOMPARE(p.keypad.left(), p.main.right() + 1 + 4);
        QCOMPARE(p.keypad.bottom(), p.main.bottom() - 4);
        // Shrunk at most to a size that still shows lines; never larger than asked.
        for (const QRect& list : {p.alarms, p.events}) {
            QVERIFY(list.width() >= kMinimumListSize.width());
            QVERIFY(list.height() >= kMinimumListSize.height());
            QVERIFY(list.width() <= sizes.alarms.width() && list.height() <= sizes.alarms.height());
        }
        // Side by side with the panel, the violations window first.
        QVERIFY(p.alarms.top() <= p.events.top());
        QVERIFY(p.alarms.left() <= p.events.left());
    }

    void roomyScreenKeepsTheAskedSizes()
    {
        const DeskPlacement p = firstPlacement(QRect(0, 0, 1920, 1080), programSizes(0));
        QCOMPARE(p.alarms.size(), QSize(360, 160));
        QCOMPARE(p.events.size(), QSize(360, 160));
        // Beside the panel, at the height of its top.
        QCOMPARE(p.alarms.right() + 1 + kWindowGap, p.main.left());
        QCOMPARE(p.alarms.top(), p.main.top());
    }

    void besideTheOpener_data()
    {
        QTest::addColumn<QRect>("opener");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("room on the right") << QRect(100, 100, 360, 160) << QPoint(464, 100);
        QTest::newRow("right edge: to the left") << QRect(700, 100, 300, 160) << QPoint(396, 100);
        QTest::newRow("wide opener: below") << QRect(0, 100, 1024, 160) << QPoint(0, 264);
        QTest::newRow("wide and low: above") << QRect(0, 600, 1024, 160) << QPoint(0, 396);
        QTest::newRow("near the bottom: moved up to fit")
            << QRect(100, 700, 360, 60) << QPoint(464, 568);
    }
    void besideTheOpener()
    {
        QFETCH(QRect, opener);
        QFETCH(QPoint, expected);
        const QRect area(0, 0, 1024, 768);
        const QRect r = besideRect(area, opener, QSize(300, 200));
        QCOMPARE(r.topLeft(), expected);
        QVERIFY(area.contains(r));
        QVERIFY(!r.intersects(opener));
    }
};

QTEST_GUILESS_MAIN(TestFirstPlacement)
#include "tst_firstplacement.moc"
