#include "core/Addressing.h"
#include "events/MessageDecoder.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"
#include "support/TestFiles.h"

#include <QTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {
struct Tables
{
    ObjectTable<qint16> a, b, c;
    bool operator==(const Tables&) const = default;
};
Tables tablesOf(const StationState& s) { return {s.ObjParamA, s.ObjParamB, s.ObjParamC}; }

} // namespace

class TestLineMessages : public QObject
{
    Q_OBJECT
private slots:
    void thresholdMessages_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QChar>("table");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("value");
        QTest::newRow("balance from module 2") << 2 << "#B5,150" << QChar('A') << 133 << 150;
        QTest::newRow("second comma wins") << 2 << "#B5,150,7" << QChar('A') << 133 << 7;
        QTest::newRow("lower-case zone") << 1 << "#z5,3" << QChar('B') << 5 << 3;
        QTest::newRow("time") << 8 << "#T128,16" << QChar('C') << 1024 << 16;
        QTest::newRow("blank before number") << 1 << "#B 7,12" << QChar('A') << 7 << 12;
        QTest::newRow("value rounds half even") << 1 << "#B7,12.5" << QChar('A') << 7 << 12;
        QTest::newRow("empty value reads 0") << 1 << "#B7," << QChar('A') << 7 << 0;
        QTest::newRow("no comma") << 1 << "#B5150" << QChar() << 0 << 0;
        QTest::newRow("object 0") << 2 << "#B0,5" << QChar() << 0 << 0;
        QTest::newRow("object 129") << 1 << "#B129,5" << QChar() << 0 << 0;
        QTest::newRow("value beyond 16 bits") << 1 << "#B5,99999" << QChar() << 0 << 0;
    }
    void thresholdMessages()
    {
        QFETCH(int, module);
        QFETCH(QString, message);
        QFETCH(QChar, table);
        QFETCH(int, k);
        QFETCH(int, value);
        EngineFixture f;
        f.state.ObjParamA[7] = 99;
        Tables expected = tablesOf(f.state);
        if (table == QLatin1Char('A'))
            expected.a[size_t(k)] = qint16(value);
        else if (table == QLatin1Char('B'))
            expected.b[size_t(k)] = qint16(value);
        else if (table == QLatin1Char('C'))
            expected.c[size_t(k)] = qint16(value);
        MessageDecoder decoder(f.context());
        decoder.HandleModuleMessage(message, module);
        QVERIFY(tablesOf(f.state) == expected);
        QVERIFY(f.takeWritten(1).isEmpty());
        QCOMPARE(f.events.count(), 0);
        QVERIFY(f.dayFileLines().isEmpty());
    }

    void measurementReplies_data()
    {
        QTest::addColumn<QString>("pending");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("measured");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("value") << "U261"
                               << "120" << 120 << QByteArray("}3U5\r");
        QTest::newRow("one character reads 0") << "U261"
                                               << "7" << 0 << QByteArray("}3U5\r");
        QTest::newRow("beyond 16 bits is clamped") << "U261"
                                                   << "99999" << 32767 << QByteArray("}3U5\r");
        QTest::newRow("no measurement running") << ""
                                                << "120" << 500 << QByteArray();
        QTest::newRow("too long") << "U261"
                                  << "123456" << 500 << QByteArray();
    }
    void measurementReplies()
    {
        QFETCH(QString, pending);
        QFETCH(QString, reply);
        QFETCH(int, measured);
        QFETCH(QByteArray, sent);
        EngineFixture f;
        f.state.SelectedObject = 261;
        f.state.SelectedObjectNo = QStringLiteral("5");
        f.state.PendingMeasure = pending;
        // The panel shows each value and asks for the next one.
        MainPanelModel panel{f.state, f.files, f.grid, f.commands, f.archive, f.clock};
        MessageDecoder decoder(f.context(panel));
        decoder.HandleModuleMessage(reply, 3);
        QCOMPARE(int(f.state.MeasuredValue), measured);
        QCOMPARE(f.takeWritten(1), sent);
    }

    void operatorRecordOncePerReleaseCycle()
    {
        EngineFixture f;
        MessageDecoder decoder(f.context());
        f.state.SelectedObject = 261;
        f.state.SelectedObjectNo = QStringLiteral("5");
        f.state.PendingMeasure = QStringLiteral("U261");
        decoder.HandleModuleMessage(QStringLiteral("130"), 3); // not violated: no record
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("120"), 3);
        decoder.HandleModuleMessage(QStringLiteral("121"), 3);
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3); // violated again, not released
        decoder.HandleModuleMessage(QStringLiteral("122"), 3);
        decoder.HandleModuleMessage(QStringLiteral("O5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("#A5"), 3);
        decoder.HandleModuleMessage(QStringLiteral("123"), 3);
        QCOMPARE(recordLetters(f.dayFileLines()), QStringLiteral("ARAOAR"));
        QCOMPARE(f.dayFileLines().value(1).left(4), QByteArray("0261"));
    }
};

QTEST_GUILESS_MAIN(TestLineMessages)
#include "tst_linemessages.moc"
