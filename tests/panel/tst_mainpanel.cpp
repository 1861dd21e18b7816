#include "panel/MarkerColors.h"
#include "panel/ObjectGrid.h"
#include "panel/PanelTexts.h"
#include "support/PanelRig.h"

#include <QDir>
#include <QTest>

using namespace zelvan;
using namespace zelvan::test;

class TestMainPanel : public QObject
{
    Q_OBJECT
private slots:
    void pageCaptionsAndIndexes_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("moduleDigit");
        QTest::addColumn<QString>("digits");
        QTest::newRow("page 0 first") << 0 << 0 << "1" << 1 << 1 << "001";
        QTest::newRow("page 0 last") << 0 << 63 << "64" << 64 << 1 << "064";
        QTest::newRow("page 8 first") << 8 << 0 << "65" << 65 << 1 << "065";
        QTest::newRow("ribbon 9 first") << 9 << 0 << "65" << 193 << 2 << "065";
        QTest::newRow("ribbon 9 last") << 9 << 63 << "128" << 256 << 2 << "128";
        QTest::newRow("page 2 object 7") << 2 << 6 << "7" << 263 << 3 << "007";
        QTest::newRow("page 15 first") << 15 << 0 << "65" << 7 * 128 + 65 << 8 << "065";
    }
    void pageCaptionsAndIndexes()
    {
        QFETCH(int, page);
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(int, k);
        QFETCH(int, moduleDigit);
        QFETCH(QString, digits);
        PanelRig rig;
        rig.panel.SelectPage(page);
        QCOMPARE(rig.fixture.state.CurrentPage, page);
        QCOMPARE(rig.fixture.state.LastPage, page);
        QCOMPARE(rig.fixture.grid.button(button).caption, caption);
        QCOMPARE(rig.panel.moduleDigit(), moduleDigit);

        // A press with no button that the panel acts on only selects the object.
        rig.panel.PressObjectButton(button, 0, 0);
        QCOMPARE(int(rig.fixture.state.SelectedObject), k);
        QCOMPARE(rig.fixture.state.SelectedObjectNo, caption);
        const auto& d = rig.panel.objectDigits();
        QCOMPARE(QStringLiteral("%1%2%3").arg(d[0]).arg(d[1]).arg(d[2]), digits);
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
    }

    void leftPressTakesOrReleases_data()
    {
        QTest::addColumn<int>("objState");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("released") << 0 << QByteArray("}1P65\r");
        QTest::newRow("taken") << 1 << QByteArray("}1O65\r");
        QTest::newRow("violated") << 2 << QByteArray("}1O65\r");
        QTest::newRow("take requested") << 3 << QByteArray("}1O65\r");
    }
    void leftPressTakesOrReleases()
    {
        QFETCH(int, objState);
        QFETCH(QByteArray, sent);
        PanelRig rig;
        StationState& s = rig.fixture.state;
        s.ObjState[65] = qint16(objState);
        s.ObjParamA[65] = 120;
        s.PendingMeasure = QStringLiteral("U65");
        s.MeasuredValue = 100;
        rig.panel.SelectPage(8);
        s.PendingMeasure = QStringLiteral("U65");
        rig.panel.PressObjectButton(0, MainPanelModel::LeftButton, MainPanelModel::NoModifier);
        QCOMPARE(rig.fixture.takeWritten(1), sent);
        QVERIFY(s.PendingMeasure.isEmpty());
        QCOMPARE(s.MeasuredValue, qint16(500));
        QVERIFY(!rig.panel.thresholds().slidersEnabled());
        QVERIFY(!rig.panel.thresholds().applyEnabled());
        QCOMPARE(rig.panel.thresholds().gaugeFill(), 0);
        // The sliders still show the object's values.
        QCOMPARE(rig.panel.thresholds().sliderValue(ThresholdsPanel::Balance), 45);
    }

    // An action that waits for the operator's log-in sends nothing until it
    // is allowed, then acts on the object pressed, on its page, and is
    // journaled; a measurement asked for meanwhile takes one reading.
    void actionsWaitForTheOperator_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("journaled");
        // What the object becomes while the operator logs in, and whether
        // the port is closed by then.
        QTest::addColumn<int>("meanwhile");
        QTest::addColumn<bool>("portClosed");
        QTest::addColumn<QString>("asked");
        QTest::newRow("take") << int(MainPanelModel::LeftButton) << 0 << QByteArray("}1P66\r")
                              << QStringLiteral("take 66 1 grid") << 0 << false
                              << QStringLiteral("Поемане на обект");
        QTest::newRow("take, object taken meanwhile")
            << int(MainPanelModel::LeftButton) << 0 << QByteArray("}1P66\r")
            << QStringLiteral("take 66 1 grid") << 1 << false << QStringLiteral("Поемане на обект");
        QTest::newRow("take, port closed meanwhile")
            << int(MainPanelModel::LeftButton) << 0 << QByteArray()
            << QStringLiteral("take 66 1 grid; not sent: port closed") << 0 << true
            << QStringLiteral("Поемане на обект");
        QTest::newRow("measure") << int(MainPanelModel::RightButton) << 0 << QByteArray("}1U66\r")
                                 << QStringLiteral("measure 66 1 grid") << 0 << false
                                 << QStringLiteral("Измерване на обект");
        QTest::newRow("colour") << int(MainPanelModel::LeftButton) << 1 << QByteArray()
                                << QStringLiteral("colour 66 1 %1").arg(nextMarkerColor(0)) << 0
                                << false << QStringLiteral("Цвят на обект");
    }
    void actionsWaitForTheOperator()
    {
        QFETCH(int, button);
        QFETCH(int, shift);
        QFETCH(QByteArray, sent);
        QFETCH(QString, journaled);
        QFETCH(int, meanwhile);
        QFETCH(bool, portClosed);
        QFETCH(QString, asked);
        PanelRig rig;
        RecordingOperatorActions operatorActions;
        operatorActions.holding = true;
        rig.panel.setOperatorActions(&operatorActions);
        rig.panel.SelectPage(8);
        rig.panel.PressObjectButton(1, button, shift);
        rig.panel.ReleaseObjectButton();
        rig.panel.SelectPage(0); // the operator moves on while logging in
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
        QVERIFY(operatorActions.lines.isEmpty());
        QCOMPARE(operatorActions.asked.size(), 1);
        QVERIFY2(operatorActions.asked.first().startsWith(asked + QStringLiteral(" ")),
                 qPrintable(operatorActions.asked.first()));
        QVERIFY(operatorActions.asked.first().endsWith(QStringLiteral("-066")));
        rig.fixture.state.ObjState[66] = qint16(meanwhile);
        if (portClosed)
            rig.fixture.port1.close();
        operatorActions.release();
        QCOMPARE(rig.fixture.state.CurrentPage, qint16(8));
        QCOMPARE(rig.fixture.state.SelectedObject, qint16(66));
        QCOMPARE(rig.fixture.takeWritten(1), sent);
        QVERIFY(rig.fixture.state.PendingMeasure.isEmpty());
        QCOMPARE(operatorActions.lines, QStringList{journaled});
    }

    void rightPressMeasuresUntilRelease()
    {
        PanelRig rig;
        StationState& s = rig.fixture.state;
        rig.panel.SelectPage(2);
        rig.panel.thresholds().sliderFocused(); // turns the gauge magenta
        rig.panel.PressObjectButton(4, MainPanelModel::RightButton, MainPanelModel::NoModifier);
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray("}3U5\r"));
        QCOMPARE(s.PendingMeasure, QStringLiteral("U261"));
        QVERIFY(rig.panel.thresholds().slidersEnabled());
        QVERIFY(!rig.panel.thresholds().applyEnabled());
        QCOMPARE(rig.panel.thresholds().gaugeColor(), PanelColor::Blue);
        rig.panel.ReleaseObjectButton();
        QVERIFY(s.PendingMeasure.isEmpty());
    }

    // While the right button holds a measurement of object 5 of module 3, a
    // press of another object: a middle press changes nothing, a Shift press
    // steps that object's colour; either way the next request asks for object
    // 5, whose value the gauge shows and whose R record it may write.
    void measurementStaysOnItsObject_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("selected");
        QTest::newRow("middle press") << 4 << int(MainPanelModel::NoModifier) << 261;
        QTest::newRow("Shift + left")
            << int(MainPanelModel::LeftButton) << int(MainPanelModel::ShiftModifier) << 263;
    }
    void measurementStaysOnItsObject()
    {
        QFETCH(int, button);
        QFETCH(int, shift);
        QFETCH(int, selected);
        PanelRig rig;
        StationState& s = rig.fixture.state;
        rig.panel.SelectPage(2);
        rig.panel.PressObjectButton(4, MainPanelModel::RightButton, MainPanelModel::NoModifier);
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray("}3U5\r"));
        rig.panel.PressObjectButton(6, button, shift);
        QCOMPARE(s.SelectedObject, qint16(selected));
        QCOMPARE(s.PendingMeasure, QStringLiteral("U261"));
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray());
        rig.panel.measuredValueChanged();
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray("}3U5\r"));
    }

    void shiftStepsMarkerColour_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("expected");
        const int left = MainPanelModel::LeftButton;
        const int right = MainPanelModel::RightButton;
        QTest::newRow("black forward") << 0 << left << 255;
        QTest::newRow("black backward") << 0 << right << 16777215;
        QTest::newRow("white forward") << 16777215 << left << 0;
        QTest::newRow("red backward") << 255 << right << 0;
        QTest::newRow("magenta backward") << 16711935 << right << 8388608;
        QTest::newRow("orange forward") << 33023 << left << 65535;
        QTest::newRow("unlisted forward") << 12345 << left << 0;
        QTest::newRow("unlisted backward") << 12345 << right << 65535;
        QTest::newRow("negative unlisted backward") << -1 << right << 65535;
    }
    void shiftStepsMarkerColour()
    {
        QFETCH(int, start);
        QFETCH(int, button);
        QFETCH(int, expected);
        PanelRig rig;
        StationState& s = rig.fixture.state;
        const int k = globalIndex(3, 70); // page 10, button 5
        s.ObjColor[size_t(k)] = start;
        s.MeasuredValue = 90;
        rig.panel.SelectPage(10);
        rig.panel.PressObjectButton(5, button, MainPanelModel::ShiftModifier);
        QCOMPARE(rig.fixture.grid.button(5).color, expected);
        QCOMPARE(s.ObjColor[size_t(k)], expected);
        QCOMPARE(rig.colorRecord(k), expected);
        QCOMPARE(rig.colorRecord(k - 1), 0);
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
        QCOMPARE(s.MeasuredValue, qint16(500));
        QVERIFY(!rig.panel.thresholds().slidersEnabled());
    }

    void otherModifiersOnlySelect()
    {
        PanelRig rig;
        rig.panel.SelectPage(0);
        rig.panel.PressObjectButton(3, MainPanelModel::LeftButton, 2); // Ctrl
        QCOMPARE(rig.fixture.state.SelectedObject, qint16(4));
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
        QCOMPARE(rig.fixture.grid.button(3).color, 0);
    }

    void pageChangeResetsDisplayAndThresholds()
    {
        PanelRig rig;
        StationState& s = rig.fixture.state;
        s.ObjParamB[261] = 3;
        rig.panel.SelectPage(2);
        rig.panel.PressObjectButton(4, MainPanelModel::RightButton, MainPanelModel::NoModifier);
        rig.panel.thresholds().sliderFocused();
        QCOMPARE(rig.panel.thresholds().zoneFill(), 76);

        rig.panel.SelectPage(3);
        const ThresholdsPanel& t = rig.panel.thresholds();
        QCOMPARE(rig.panel.objectDigits(), (std::array<int, 3>{0, 0, 0}));
        QCOMPARE(rig.panel.moduleDigit(), 4);
        QCOMPARE(s.SelectedObject, qint16(0));
        QVERIFY(s.PendingMeasure.isEmpty());
        QVERIFY(!t.slidersEnabled());
        QVERIFY(!t.applyEnabled());
        QCOMPARE(t.label(ThresholdsPanel::Balance), PanelTexts::kBalanceNeutral);
        QCOMPARE(t.label(ThresholdsPanel::Zone), PanelTexts::kZoneNeutral);
        QCOMPARE(t.label(ThresholdsPanel::Time), PanelTexts::kTimeNeutral);
        QCOMPARE(t.zoneFill(), 33);
        QCOMPARE(t.gaugeFill(), 0);
    }

    void buttonToolTipReadsTheName()
    {
        PanelRig rig;
        rig.panel.SelectPage(9);
        QVERIFY(rig.fixture.files.setName(193, QStringLiteral("Аптека")));
        QCOMPARE(rig.panel.buttonToolTip(0), QStringLiteral("  2-065  Аптека"));
    }

    void failedColourWriteIsShownAndRetried()
    {
        PanelRig rig;
        ScreenState& screen = rig.fixture.screen;
        rig.panel.attachScreen(&screen);
        const QString path = rig.fixture.files.colorPath();
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path)); // a directory in its place cannot be written
        rig.panel.SelectPage(0);
        rig.panel.PressObjectButton(0, MainPanelModel::LeftButton, MainPanelModel::ShiftModifier);
        QCOMPARE(rig.fixture.state.ObjColor[1], PanelColor::Red);
        QCOMPARE(rig.panel.pendingColorWrites(), 1);
        QVERIFY(screen.problem().contains(QStringLiteral("Color.dat")));

        QVERIFY(QDir().rmdir(path));
        QVERIFY(rig.fixture.files.createMissing());
        rig.panel.PressObjectButton(1, MainPanelModel::RightButton, MainPanelModel::ShiftModifier);
        QCOMPARE(rig.panel.pendingColorWrites(), 0);
        QCOMPARE(rig.colorRecord(1), PanelColor::Red);
        QCOMPARE(rig.colorRecord(2), PanelColor::White);
        QVERIFY(screen.problem().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMainPanel)
#include "tst_mainpanel.moc"
