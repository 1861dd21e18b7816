#include "core/ScreenState.h"
#include "core/StationState.h"
#include "events/AlarmList.h"
#include "support/Fakes.h"
#include "windows/AlarmBlink.h"

#include <QSignalSpy>
#include <QTest>

using namespace zelvan;

class TestAlarmBlink : public QObject
{
    Q_OBJECT

    struct Rig
    {
        StationState state;
        AlarmList alarms;
        ScreenState screen;
        test::CountingBeeper beeper;
        AlarmBlink blink{state, alarms, screen, beeper};

        // Runs n ticks; the frame after each as '1' (shown) or '0' (hidden).
        QString run(int n)
        {
            QString frames;
            for (int i = 0; i < n; ++i) {
                blink.tick();
                frames += blink.frameVisible() ? u'1' : u'0';
            }
            return frames;
        }
    };

private slots:
    void sequence_data()
    {
        QTest::addColumn<int>("violations");
        QTest::addColumn<bool>("linkLost");
        QTest::addColumn<int>("alarmSound");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<int>("beeps");

        // The frame starts shown: the first tick of an alarm hides it, the next
        // shows it with a beep, so eight ticks (four seconds) beep four times.
        QTest::newRow("one violation, sound") << 1 << false << 1 << "01010101" << 4;
        QTest::newRow("violations, silent") << 3 << false << 0 << "01010101" << 0;
        QTest::newRow("link lost only") << 0 << true << 1 << "01010101" << 4;
        QTest::newRow("quiet") << 0 << false << 1 << "00000000" << 0;
    }
    void sequence()
    {
        QFETCH(int, violations);
        QFETCH(bool, linkLost);
        QFETCH(int, alarmSound);
        QFETCH(QString, frames);
        QFETCH(int, beeps);

        Rig rig;
        rig.state.OptAlarmSound = qint16(alarmSound);
        rig.screen.setLinkLostVisible(linkLost);
        for (int i = 0; i < violations; ++i)
            rig.alarms.addViolation(QStringLiteral("  3-%1  Обект").arg(i + 1, 3, 10, QChar(u'0')));

        QCOMPARE(rig.run(int(frames.size())), frames);
        QCOMPARE(rig.beeper.count, beeps);
    }

    void messageBlinksWithTheFrame()
    {
        Rig rig;
        rig.screen.setLinkLostVisible(true);
        QList<quint32> colors;
        for (int i = 0; i < 4; ++i) {
            rig.blink.tick();
            colors.append(rig.screen.linkLost().color);
        }
        QCOMPARE(colors, (QList<quint32>{12632256u, 255u, 12632256u, 255u}));
    }

    void hiddenAfterTheLastViolationLeaves()
    {
        Rig rig;
        const QString line = QStringLiteral("  3-017  Магазин");
        rig.alarms.addViolation(line);
        rig.alarms.addViolation(line);
        QCOMPARE(rig.run(2), QStringLiteral("01"));
        rig.alarms.removeObject(line.left(7));
        QCOMPARE(rig.alarms.count(), 0);
        const int beepsBefore = rig.beeper.count;
        QCOMPARE(rig.run(5), QStringLiteral("00000"));
        QCOMPARE(rig.beeper.count, beepsBefore);
    }

    void panelRaised_data()
    {
        QTest::addColumn<int>("panelOnTop");
        QTest::addColumn<bool>("mainVisible");
        QTest::addColumn<int>("violations");
        QTest::addColumn<int>("raises");

        QTest::newRow("on top, shown") << 1 << true << 1 << 4;
        QTest::newRow("on top, main hidden") << 1 << false << 1 << 0;
        QTest::newRow("option off") << 0 << true << 1 << 0;
        QTest::newRow("no violation") << 1 << true << 0 << 0;
    }
    void panelRaised()
    {
        QFETCH(int, panelOnTop);
        QFETCH(bool, mainVisible);
        QFETCH(int, violations);
        QFETCH(int, raises);

        Rig rig;
        rig.state.OptPanelOnTop = qint16(panelOnTop);
        rig.screen.setMainVisible(mainVisible);
        for (int i = 0; i < violations; ++i)
            rig.alarms.addViolation(QStringLiteral("  1-001  А"));
        QSignalSpy spy(&rig.screen, &ScreenState::raiseMainRequested);
        rig.run(4);
        QCOMPARE(spy.count(), raises);
    }

    // What ends the operator's silence, and what does not. Each row starts
    // with one violation listed, the sound option on, the tone silenced.
    void silence_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("stillSilenced");
        QTest::newRow("nothing happens") << "" << true;
        QTest::newRow("a new violation line") << "violation" << false;
        QTest::newRow("a duplicate of the listed line") << "duplicate" << false;
        QTest::newRow("the list emptied") << "release" << false;
        QTest::newRow("another object released, line stays") << "other release" << true;
        QTest::newRow("link-lost window appears") << "link lost" << false;
    }
    void silence()
    {
        QFETCH(QString, after);
        QFETCH(bool, stillSilenced);
        Rig rig;
        rig.state.OptAlarmSound = 1;
        rig.alarms.addViolation(QStringLiteral("  1-001  Аптека"));
        rig.alarms.addViolation(QStringLiteral("  1-002  Банка"));
        rig.alarms.removeObject(QStringLiteral("  1-002"));
        QVERIFY(rig.blink.silence().silence());

        // Silenced: the frame blinks on, no beep for ten ticks.
        QCOMPARE(rig.run(10), QStringLiteral("0101010101"));
        QCOMPARE(rig.beeper.count, 0);
        QCOMPARE(rig.alarms.count(), 1);
        QCOMPARE(rig.state.OptAlarmSound, qint16(1));

        if (after == QLatin1String("violation"))
            rig.alarms.addViolation(QStringLiteral("  1-003  Склад"));
        else if (after == QLatin1String("duplicate"))
            rig.alarms.addViolation(QStringLiteral("  1-001  Аптека"));
        else if (after == QLatin1String("release"))
            rig.alarms.removeObject(QStringLiteral("  1-001"));
        else if (after == QLatin1String("other release"))
            rig.alarms.removeObject(QStringLiteral("  1-005"));
        else if (after == QLatin1String("link lost"))
            rig.screen.setLinkLostVisible(true);
        QCOMPARE(rig.blink.silence().silenced(), stillSilenced);
        // The beep comes back at the next visible half of the frame (if anything blinks).
        const bool blinking = rig.alarms.count() > 0 || rig.screen.linkLost().visible;
        rig.run(2);
        QCOMPARE(rig.beeper.count, !stillSilenced && blinking ? 1 : 0);
    }

    void silenceNeedsAListedViolation()
    {
        Rig rig;
        rig.state.OptAlarmSound = 1;
        rig.screen.setLinkLostVisible(true);
        QVERIFY(!rig.blink.silence().silence());
        rig.run(4);
        QCOMPARE(rig.beeper.count, 2);
    }

    void linkLostNamingOtherModulesEndsTheSilence()
    {
        Rig rig;
        rig.alarms.addViolation(QStringLiteral("  1-001  Аптека"));
        rig.screen.setLinkLostText(QStringLiteral("Комуникацията с  модул\r4 е прекъсната!"));
        rig.screen.setLinkLostVisible(true);
        QVERIFY(rig.blink.silence().silence());
        rig.run(3); // the blink recolours the message: still silenced
        QVERIFY(rig.blink.silence().silenced());
        rig.screen.setLinkLostText(QStringLiteral("Комуникацията с  модули\r4,6 е прекъсната!"));
        QVERIFY(!rig.blink.silence().silenced());
    }
};

QTEST_GUILESS_MAIN(TestAlarmBlink)
#include "tst_alarmblink.moc"
