#include "panel/MainForm.h"
#include "panel/MarkerColors.h"
#include "panel/ObjectGrid.h"
#include "panel/PanelPicturesForm.h"
#include "support/PanelRig.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {
// A station with a few objects in every state on module 1 and a violation on page 3.
struct FormRig
{
    FormRig()
    {
        StationState& s = rig.fixture.state;
        s.ObjState[2] = Taken;
        s.ObjState[3] = Violated;
        s.ObjState[4] = TakeRequested;
        s.ObjState[globalIndex(4, 10)] = Violated;
        s.ObjInstalled[60] = 0;
        s.ObjParamA[5] = 120;
        rig.fixture.grid.refreshRibbon(3);
        rig.fixture.grid.refreshRibbon(globalIndex(4, 10));
        rig.panel.SelectPage(0);
        form.show();
    }
    PanelRig rig;
    MainForm form{rig.panel, rig.fixture.screen};
};
} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void controlsKeepTheirNames()
    {
        FormRig f;
        QCOMPARE(f.form.findChildren<ObjectButton*>(QStringLiteral("Command3D1")).size(), 64);
        QCOMPARE(f.form.findChildren<RibbonButton*>(QStringLiteral("GroupPush3D1")).size(), 16);
        QCOMPARE(f.form.objectButton(5)->accessibleDescription(), QStringLiteral("Command3D1(5)"));
        QCOMPARE(f.form.objectButton(5)->property("index").toInt(), 5);
        QCOMPARE(f.form.ribbon(3)->accessibleName(), QStringLiteral("GroupPush3D1(3)"));
        QVERIFY(f.form.findChild<QWidget*>(QStringLiteral("Panel3D7")));
        auto* menu = f.form.findChild<QPushButton*>(QStringLiteral("Command3D2"));
        QVERIFY(menu);
        QCOMPARE(menu->text(), QStringLiteral("Меню"));
        QCOMPARE(f.form.findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("65-128"));
    }

    void picturesFollowTheGrid()
    {
        FormRig f;
        QCOMPARE(f.form.objectButton(1)->picture(), 1);
        QCOMPARE(f.form.objectButton(2)->picture(), 2);
        QCOMPARE(f.form.objectButton(3)->picture(), 3);
        QVERIFY(!f.form.objectButton(59)->isEnabled());
        QCOMPARE(f.form.ribbon(0)->marker(), 1);
        QCOMPARE(f.form.ribbon(3)->marker(), 1);
        QCOMPARE(f.form.ribbon(1)->marker(), 0);
        QVERIFY(f.form.ribbon(0)->isChecked());
    }

    void mousePressesSendCommands()
    {
        FormRig f;
        QTest::mouseClick(f.form.objectButton(4), Qt::LeftButton);
        QCOMPARE(f.rig.fixture.takeWritten(1), QByteArray("}1P5\r"));
        QTest::mouseClick(f.form.objectButton(2), Qt::LeftButton);
        QCOMPARE(f.rig.fixture.takeWritten(1), QByteArray("}1O3\r"));

        QTest::mousePress(f.form.objectButton(4), Qt::RightButton);
        QCOMPARE(f.rig.fixture.takeWritten(1), QByteArray("}1U5\r"));
        QCOMPARE(f.rig.fixture.state.PendingMeasure, QStringLiteral("U5"));
        QVERIFY(f.form.slider(0)->isEnabled());
        QCOMPARE(f.form.slider(0)->value(), 45);
        QTest::mouseRelease(f.form.objectButton(4), Qt::RightButton);
        QVERIFY(f.rig.fixture.state.PendingMeasure.isEmpty());

        QTest::mouseClick(f.form.objectButton(59), Qt::LeftButton); // not installed
        QVERIFY(f.rig.fixture.takeWritten(1).isEmpty());
    }

    void shiftClickStepsTheMarker()
    {
        FormRig f;
        QTest::mouseClick(f.form.objectButton(6), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(f.form.objectButton(6)->markerColor(), QColor(255, 0, 0));
        QCOMPARE(f.rig.colorRecord(7), PanelColor::Red);
        QVERIFY(f.rig.fixture.takeWritten(1).isEmpty());
    }

    void ribbonSelectsThePage()
    {
        FormRig f;
        QTest::mouseClick(f.form.ribbon(9), Qt::LeftButton);
        QCOMPARE(f.rig.fixture.state.CurrentPage, qint16(9));
        QVERIFY(f.form.ribbon(9)->isChecked());
        QVERIFY(!f.form.ribbon(0)->isChecked());
        QCOMPARE(f.form.objectButton(0)->text(), QStringLiteral("65"));
        QTest::mouseClick(f.form.objectButton(0), Qt::LeftButton);
        QCOMPARE(f.rig.fixture.takeWritten(1), QByteArray("}2P65\r"));
    }

    void programmaticPageChangeMovesTheRibbon()
    {
        FormRig f;
        f.rig.panel.SelectPage(12);
        QVERIFY(f.form.ribbon(12)->isChecked());
        QCOMPARE(f.form.objectButton(63)->text(), QStringLiteral("128"));
    }

    void adjustAndApplyThroughTheWindow()
    {
        FormRig f;
        QApplication::setActiveWindow(&f.form);
        QTest::mousePress(f.form.objectButton(4), Qt::RightButton);
        QTest::mouseRelease(f.form.objectButton(4), Qt::RightButton);
        f.rig.fixture.takeWritten(1);
        QSlider* time = f.form.slider(2);
        QTest::mouseClick(time, Qt::LeftButton, {}, QPoint(2, time->height() / 2));
        QVERIFY(f.rig.panel.thresholds().applyEnabled());
        time->setValue(16);
        auto* ok = f.form.findChild<QPushButton*>(QStringLiteral("Command3D3"));
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(f.rig.fixture.takeWritten(1), QByteArray("}1T5,16\r"));
        QVERIFY(!ok->isEnabled());
        // Disabling the sliders moves no focus into another slider to re-arm "Ok".
        QTest::mouseClick(f.form.objectButton(4), Qt::LeftButton);
        QVERIFY(!f.rig.panel.thresholds().applyEnabled());
    }

    // Saves the window as a picture when ZELVAN_PANEL_SCREENSHOT names a file.
    void screenshot()
    {
        const QString path = qEnvironmentVariable("ZELVAN_PANEL_SCREENSHOT");
        if (path.isEmpty())
            QSKIP("ZELVAN_PANEL_SCREENSHOT not set");
        FormRig f;
        f.rig.fixture.state.ShowSystemZero = QStringLiteral("Y");
        f.rig.fixture.state.ObjColor[9] = PanelColor::Red;
        f.rig.fixture.state.ObjColor[10] = PanelColor::Blue;
        f.rig.panel.SelectPage(0);
        f.rig.fixture.state.ObjParamA[5] = 120;
        f.rig.fixture.state.ObjParamB[5] = 3;
        f.rig.fixture.state.ObjParamC[5] = 7;
        QTest::mousePress(f.form.objectButton(4), Qt::RightButton);
        f.rig.fixture.state.MeasuredValue = 100;
        f.rig.panel.measuredValueChanged();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        QVERIFY(f.form.grab().save(path));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
