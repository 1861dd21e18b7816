#include "core/Addressing.h"
#include "core/Cp1251.h"
#include "core/Labels.h"
#include "core/NumericText.h"

#include <QStringDecoder>
#include <QTest>

using namespace zelvan;

class TestLabels : public QObject
{
    Q_OBJECT
private slots:
    void addressing_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("ribbon");
        QTest::newRow("first") << 1 << 1 << 1 << 0;
        QTest::newRow("k128 is module 1") << 128 << 1 << 128 << 8;
        QTest::newRow("k129 is module 2") << 129 << 2 << 1 << 1;
        QTest::newRow("module 3 object 5") << 261 << 3 << 5 << 2;
        QTest::newRow("module 2 object 65") << 193 << 2 << 65 << 9;
        QTest::newRow("last") << 1024 << 8 << 128 << 15;
    }
    void addressing()
    {
        QFETCH(int, k);
        QFETCH(int, m);
        QFETCH(int, n);
        QFETCH(int, ribbon);
        QCOMPARE(moduleOf(k), m);
        QCOMPARE(objectNoOf(k), n);
        QCOMPARE(globalIndex(m, n), k);
        QCOMPARE(ribbonOf(k), ribbon);
    }
    void pageBase()
    {
        QCOMPARE(pageBaseOf(0), 0);
        QCOMPARE(pageBaseOf(8) + 1, 65);            // object 65 of module 1
        QCOMPARE(pageBaseOf(15) + 1, 7 * 128 + 65); // object 65 of module 8
        QCOMPARE(pageBaseOf(9) + 1, 193);
    }
    void labels_data()
    {
        QTest::addColumn<int>("systemNo");
        QTest::addColumn<QString>("showZero");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("menu");
        QTest::newRow("no prefix") << 0 << "N" << globalIndex(3, 17) << "3"
                                   << "  3-017"
                                   << " 3-017";
        QTest::newRow("zero shown") << 0 << "Y" << globalIndex(3, 17) << "03"
                                    << " 03-017"
                                    << "03-017";
        QTest::newRow("system 2") << 2 << "N" << globalIndex(3, 5) << "23"
                                  << " 23-005"
                                  << "23-005";
        QTest::newRow("system 4 module 8") << 4 << "Y" << 1024 << "48"
                                           << " 48-128"
                                           << "48-128";
    }
    void labels()
    {
        QFETCH(int, systemNo);
        QFETCH(QString, showZero);
        QFETCH(int, k);
        QFETCH(QString, module);
        QFETCH(QString, object);
        QFETCH(QString, menu);
        StationState s;
        s.SystemNo = qint16(systemNo);
        s.ShowSystemZero = showZero;
        QCOMPARE(ModuleLabel(s, moduleOf(k)), module);
        QCOMPARE(FormatObjectLabel(s, k), object);
        QCOMPARE(MenuObjectLabel(s, k), menu);
    }
    void numeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("empty") << "" << 0.0 << 0;
        QTest::newRow("blanks then digits") << "   42abc" << 42.0 << 42;
        QTest::newRow("half to even down") << "2.5" << 2.5 << 2;
        QTest::newRow("half to even up") << "3.5" << 3.5 << 4;
        QTest::newRow("negative") << "-7" << -7.0 << -7;
        QTest::newRow("letters") << "A1" << 0.0 << 0;
        QTest::newRow("blank number") << " 1 " << 1.0 << 1;
    }
    void numeric()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(numericValue(text), value);
        QCOMPARE(integerValue(text), qint64(rounded));
    }
    void int16Overflow()
    {
        QVERIFY(!toInt16(40000).has_value());
        QCOMPARE(*toInt16(-32768), qint16(-32768));
    }
    // The code page text of every byte, mixed with ASCII, is what the system's
    // converter makes of the whole text, and goes back to the same bytes.
    void codePage()
    {
        QByteArray bytes = "Name 1: ";
        for (int b = 0x80; b <= 0xFF; ++b)
            bytes += char(b);
        bytes += " end";
        QStringDecoder decoder("windows-1251");
        QVERIFY(decoder.isValid());
        const QString text = fromCp1251(bytes);
        QCOMPARE(text, decoder.decode(bytes));
        QCOMPARE(fromCp1251("\xc7\xee\xed\xe0 1"), QStringLiteral("Зона 1"));
        QCOMPARE(toCp1251(u"Зона 1"), QByteArray("\xc7\xee\xed\xe0 1"));
    }
};

QTEST_GUILESS_MAIN(TestLabels)
#include "tst_labels.moc"
