#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"
#include "windows/KeypadModel.h"

#include <QTest>

using namespace zelvan;

namespace {

struct Rig
{
    test::EngineFixture f;
    MainPanelModel panel{f.state, f.files, f.grid, f.commands, f.archive, f.clock};
    KeypadModel keypad{f.state, panel};

    void install(int k, qint16 state)
    {
        f.state.ObjInstalled[size_t(k)] = -1;
        f.state.ObjState[size_t(k)] = state;
    }
};

constexpr int kUnknown = -1;

} // namespace

class TestKeypadModel : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("sign"); // empty = not valid
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("object");

        QTest::newRow("+3-17") << "+3-17"
                               << "+" << 3 << 17;
        QTest::newRow("317+") << "317+"
                              << "+" << 3 << 17;
        QTest::newRow("3-17-") << "3-17-"
                               << "-" << 3 << 17;
        QTest::newRow("trailing sign wins") << "+3-17-"
                                            << "-" << 3 << 17;
        QTest::newRow("-1-65") << "-1-65"
                               << "-" << 1 << 65;
        QTest::newRow("+3117") << "+3117"
                               << "+" << 3 << 117;
        QTest::newRow("no sign") << "3-17"
                                 << "" << 0 << 0;
        QTest::newRow("module 9") << "+9-1"
                                  << "" << 0 << 0;
        QTest::newRow("object 0") << "+1-0"
                                  << "" << 0 << 0;
        QTest::newRow("object 129") << "+1-129"
                                    << "" << 0 << 0;
        QTest::newRow("sign only") << "+"
                                   << "" << 0 << 0;
        QTest::newRow("module only") << "+3"
                                     << "" << 0 << 0;
        QTest::newRow("letters") << "+ab-cd"
                                 << "" << 0 << 0;
        QTest::newRow("empty") << ""
                               << "" << 0 << 0;
    }
    void parse()
    {
        QFETCH(QString, entry);
        QFETCH(QString, sign);
        QFETCH(int, module);
        QFETCH(int, object);
        const auto parsed = parseKeypadEntry(entry);
        QCOMPARE(parsed.has_value(), !sign.isEmpty());
        if (parsed) {
            QCOMPARE(QString(parsed->sign), sign);
            QCOMPARE(parsed->module, module);
            QCOMPARE(parsed->object, object);
        }
    }

    void decide_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("state"); // of the named object; kUnknown = not installed
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("answer"); // last log line

        using O = KeypadModel::Outcome;
        QTest::newRow("take released")
            << "+3-17" << 0 << int(O::Pressed) << 2 << QByteArray("}3P17\r") << "+3-17";
        QTest::newRow("take, sign last")
            << "317+" << 0 << int(O::Pressed) << 2 << QByteArray("}3P17\r") << "317+";
        QTest::newRow("take taken")
            << "+3-17" << 1 << int(O::PageOnly) << 2 << QByteArray() << "+3-17";
        QTest::newRow("release taken, upper half")
            << "-1-65" << 1 << int(O::Pressed) << 8 << QByteArray("}1O65\r") << "-1-65";
        QTest::newRow("release requested")
            << "3-17-" << 3 << int(O::Pressed) << 2 << QByteArray("}3O17\r") << "3-17-";
        QTest::newRow("release released")
            << "-1-65" << 0 << int(O::PageOnly) << 8 << QByteArray() << "-1-65";
        QTest::newRow("not installed")
            << "+1-5" << kUnknown << int(O::NoObject) << 0 << QByteArray() << "Няма овект";
        QTest::newRow("no sign") << "3-17" << 0 << int(O::Error) << 5 << QByteArray() << "Грешка";
    }
    void decide()
    {
        QFETCH(QString, entry);
        QFETCH(int, state);
        QFETCH(int, outcome);
        QFETCH(int, page);
        QFETCH(QByteArray, sent);
        QFETCH(QString, answer);

        Rig rig;
        // Every object of the named ones installed and in the given state,
        // unless the row says the object is not installed.
        if (state != kUnknown) {
            for (int k : {2 * 128 + 17, 65})
                rig.install(k, qint16(state));
        }
        rig.panel.SelectPage(5);
        rig.f.takeWritten(1);

        QCOMPARE(int(rig.keypad.enter(entry)), outcome);
        QCOMPARE(int(rig.f.state.CurrentPage), page);
        QCOMPARE(rig.f.takeWritten(1), sent);
        QCOMPARE(rig.f.takeWritten(2), QByteArray());
        QCOMPARE(rig.keypad.log().split(QStringLiteral("\r\n")).last(), answer);
        QVERIFY(rig.keypad.log().startsWith(QStringLiteral("\r\n") + entry));
    }

    void logKeepsItsLast450Characters()
    {
        Rig rig;
        for (int i = 0; i < 60; ++i) {
            const QString entry = QStringLiteral("%1-%2").arg(i % 10).arg(i);
            const QString before = rig.keypad.log();
            rig.keypad.enter(entry);
            const QString kept = before.size() > 450 ? before.right(450) : before;
            QCOMPARE(rig.keypad.log(),
                     kept + QStringLiteral("\r\n") + entry + QStringLiteral("\r\nГрешка"));
        }
    }
};

QTEST_GUILESS_MAIN(TestKeypadModel)
#include "tst_keypadmodel.moc"
