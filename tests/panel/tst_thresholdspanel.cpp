#include "core/Clock.h"
#include "panel/MarkerColors.h"
#include "panel/PanelTexts.h"
#include "panel/ThresholdScale.h"
#include "support/PanelRig.h"

#include <QLocale>
#include <QTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {
QString withSeparator(QString text)
{
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

// Object 5 of module 3 (k 261) selected by a right press, as the operator does
// before adjusting its thresholds.
void selectForAdjusting(PanelRig& rig, int a, int b, int c)
{
    StationState& s = rig.fixture.state;
    s.ObjParamA[261] = qint16(a);
    s.ObjParamB[261] = qint16(b);
    s.ObjParamC[261] = qint16(c);
    rig.panel.SelectPage(2);
    rig.panel.PressObjectButton(4, MainPanelModel::RightButton, MainPanelModel::NoModifier);
    rig.panel.ReleaseObjectButton();
    rig.fixture.takeWritten(1);
}
} // namespace

class TestThresholdsPanel : public QObject
{
    Q_OBJECT
private slots:
    void labelsAndTips_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("tip");
        QTest::newRow("balance low") << 0 << 0 << "Баланс - <13V"
                                     << "<13V";
        QTest::newRow("balance high") << 0 << 118 << "Баланс - >35V"
                                      << ">35V";
        QTest::newRow("balance 45")
            << 0 << 45 << withSeparator("Баланс - 21.3V") << withSeparator("21.3V");
        QTest::newRow("balance 1")
            << 0 << 1 << withSeparator("Баланс - 13.5V") << withSeparator("13.5V");
        QTest::newRow("balance 117")
            << 0 << 117 << withSeparator("Баланс - 34.1V") << withSeparator("34.1V");
        QTest::newRow("zone 0") << 1 << 0 << withSeparator("Зона +/- 0.9V")
                                << withSeparator("0.9V");
        QTest::newRow("zone 3") << 1 << 3 << withSeparator("Зона +/- 3.6V")
                                << withSeparator("3.6V");
        QTest::newRow("zone 6") << 1 << 6 << withSeparator("Зона +/- 6.2V")
                                << withSeparator("6.2V");
        QTest::newRow("time 0") << 2 << 0 << "Време - 2s"
                                << "2s";
        QTest::newRow("time 16") << 2 << 16 << "Време - 34s"
                                 << "34s";
    }
    void labelsAndTips()
    {
        QFETCH(int, slider);
        QFETCH(int, value);
        QFETCH(QString, label);
        QFETCH(QString, tip);
        PanelRig rig;
        ThresholdsPanel& t = rig.panel.thresholds();
        t.sliderChanged(slider, value);
        QCOMPARE(t.label(slider), label);
        QVERIFY(t.toolTip(slider).isEmpty()); // a change by program sets no tooltip
        t.sliderScrolled(slider, value);
        QCOMPARE(t.toolTip(slider), tip);
    }

    void oneDecimalFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("minDigits");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal rounds to zero") << 19.0032 << 0 << "19,";
        QTest::newRow("no integer digit") << 0.888 << 0 << ",9";
        QTest::newRow("one integer digit") << 0.888 << 1 << "0,9";
        QTest::newRow("rounds up the units") << 9.96 << 0 << "10,";
    }
    void oneDecimalFormat()
    {
        QFETCH(double, value);
        QFETCH(int, minDigits);
        QFETCH(QString, text);
        QCOMPARE(ThresholdScale::formatOneDecimal(value, minDigits, QLatin1Char(',')), text);
    }

    void zoneFill_data()
    {
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("fill");
        const int fills[] = {95, 88, 82, 76, 70, 64, 57};
        for (int v = 0; v <= 6; ++v)
            QTest::addRow("zone %d", v) << v << fills[v];
    }
    void zoneFill()
    {
        QFETCH(int, zone);
        QFETCH(int, fill);
        PanelRig rig;
        rig.panel.thresholds().sliderChanged(ThresholdsPanel::Zone, zone);
        QCOMPARE(rig.panel.thresholds().zoneFill(), fill);
    }

    void gaugeFill_data()
    {
        QTest::addColumn<int>("measured");
        QTest::addColumn<int>("fill");
        QTest::newRow("at the threshold") << 120 << 50;
        QTest::newRow("80 below") << 40 << 100;
        QTest::newRow("80 above") << 200 << 0;
        QTest::newRow("62.5 to even") << 100 << 62;
        QTest::newRow("reset value") << 500 << 0;
        QTest::newRow("16-bit low end") << -32768 << 100;
        QTest::newRow("16-bit high end") << 32767 << 0;
    }
    void gaugeFill()
    {
        QFETCH(int, measured);
        QFETCH(int, fill);
        PanelRig rig;
        selectForAdjusting(rig, 120, 0, 0);
        rig.fixture.state.MeasuredValue = qint16(measured);
        rig.panel.measuredValueChanged();
        QCOMPARE(rig.panel.thresholds().gaugeFill(), fill);
    }

    void storedValuesAreClamped_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("balance");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("time");
        QTest::newRow("in range") << 120 << 3 << 5 << 45 << 3 << 5;
        QTest::newRow("below") << 10 << -5 << -1 << 0 << 0 << 0;
        QTest::newRow("above") << 300 << 15 << 40 << 118 << 6 << 16;
        QTest::newRow("16-bit ends") << -32768 << 32767 << 32767 << 0 << 6 << 16;
        QTest::newRow("16-bit high balance") << 32767 << 0 << 0 << 118 << 0 << 0;
    }
    void storedValuesAreClamped()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, balance);
        QFETCH(int, zone);
        QFETCH(int, time);
        PanelRig rig;
        selectForAdjusting(rig, a, b, c);
        const ThresholdsPanel& t = rig.panel.thresholds();
        QCOMPARE(t.sliderValue(ThresholdsPanel::Balance), balance);
        QCOMPARE(t.sliderValue(ThresholdsPanel::Zone), zone);
        QCOMPARE(t.sliderValue(ThresholdsPanel::Time), time);
    }

    void applySendsOnlyChanges_data()
    {
        QTest::addColumn<int>("balance");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("time");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("journaled");
        QTest::newRow("nothing") << 45 << 3 << 5 << QByteArray() << QString();
        QTest::newRow("time only")
            << 45 << 3 << 9 << QByteArray("}3T5,9\r") << QStringLiteral("T=5->9");
        QTest::newRow("zone and balance") << 55 << 0 << 5 << QByteArray("}3B5,130\r}3Z5,0\r")
                                          << QStringLiteral("B=120->130 Z=3->0");
        QTest::newRow("all") << 0 << 6 << 16 << QByteArray("}3B5,75\r}3Z5,6\r}3T5,16\r")
                             << QStringLiteral("B=120->75 Z=3->6 T=5->16");
        QTest::newRow("highest balance")
            << 118 << 3 << 5 << QByteArray("}3B5,193\r") << QStringLiteral("B=120->193");
    }
    void applySendsOnlyChanges()
    {
        QFETCH(int, balance);
        QFETCH(int, zone);
        QFETCH(int, time);
        QFETCH(QByteArray, sent);
        PanelRig rig;
        rig.fixture.clock.set(QDateTime(QDate(2026, 12, 7), QTime(13, 46, 20)));
        selectForAdjusting(rig, 120, 3, 5);
        ThresholdsPanel& t = rig.panel.thresholds();
        t.sliderFocused();
        QVERIFY(t.applyEnabled());
        QCOMPARE(t.gaugeColor(), PanelColor::Magenta);
        t.sliderChanged(ThresholdsPanel::Balance, balance);
        t.sliderChanged(ThresholdsPanel::Zone, zone);
        t.sliderChanged(ThresholdsPanel::Time, time);
        // Sent once the operator may act, with the values of the moment "Ok"
        // was pressed, whatever the sliders show by then.
        RecordingOperatorActions operatorActions;
        operatorActions.holding = true;
        t.setOperatorActions(&operatorActions);
        t.apply();
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
        t.sliderChanged(ThresholdsPanel::Time, time + 1);
        operatorActions.release();
        QCOMPARE(rig.fixture.takeWritten(1), sent);
        QFETCH(QString, journaled);
        QCOMPARE(operatorActions.lines,
                 journaled.isEmpty()
                     ? QStringList()
                     : QStringList{QStringLiteral("thresholds 261 3 ") + journaled});
        const QByteArrayList records = rig.fixture.dayFileLines();
        if (sent.isEmpty())
            QVERIFY(records.isEmpty());
        else
            QCOMPARE(records, QByteArrayList{"026166573843"});
        const StationState& s = rig.fixture.state;
        QCOMPARE(int(s.ObjParamA[261]), balance + 75);
        QCOMPARE(int(s.ObjParamB[261]), zone);
        QCOMPARE(int(s.ObjParamC[261]), time);
        QCOMPARE(t.gaugeColor(), PanelColor::Blue);
        QVERIFY(!t.applyEnabled());
    }

    void applySendsClampedStoredBalance()
    {
        PanelRig rig;
        selectForAdjusting(rig, 250, 3, 5);
        RecordingOperatorActions operatorActions;
        rig.panel.thresholds().setOperatorActions(&operatorActions);
        rig.panel.thresholds().sliderFocused();
        rig.panel.thresholds().apply();
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray("}3B5,193\r"));
        // The journal says what was stored, not what the slider could show.
        QCOMPARE(operatorActions.lines, QStringList{QStringLiteral("thresholds 261 3 B=250->193")});
    }

    void gaugePressRenewsMeasurement()
    {
        PanelRig rig;
        ThresholdsPanel& t = rig.panel.thresholds();
        rig.panel.SelectPage(2);
        t.pressGauge(); // nothing selected yet
        QVERIFY(rig.fixture.takeWritten(1).isEmpty());
        QVERIFY(rig.fixture.state.PendingMeasure.isEmpty());

        rig.panel.PressObjectButton(4, MainPanelModel::LeftButton, MainPanelModel::NoModifier);
        rig.fixture.takeWritten(1);
        t.sliderFocused();
        t.pressGauge();
        QCOMPARE(rig.fixture.takeWritten(1), QByteArray("}3U5\r"));
        QCOMPARE(rig.fixture.state.PendingMeasure, QStringLiteral("U261"));
        QVERIFY(t.slidersEnabled());
        QVERIFY(!t.applyEnabled());
        t.releaseGauge();
        QVERIFY(rig.fixture.state.PendingMeasure.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestThresholdsPanel)
#include "tst_thresholdspanel.moc"
