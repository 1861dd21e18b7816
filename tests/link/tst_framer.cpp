#include "core/StationState.h"
#include "link/ReceiveFramer.h"
#include "support/Fakes.h"

#include <QTest>

using namespace zelvan;

namespace {

// Frames the chunks as separate reads and records every delivery as
// "startup/<module>/<text>" or "message/<module>/<text>".
struct FramingRun
{
    explicit FramingRun(bool hub) : framer(state)
    {
        state.HubMode = hub ? QStringLiteral("Y") : QStringLiteral("N");
        framer.setStartupHandler([this](const QString& text, int m) {
            deliveries << QStringLiteral("startup/%1/%2").arg(m).arg(text);
        });
        framer.setMessageHandler([this](const QString& text, int m) {
            deliveries << QStringLiteral("message/%1/%2").arg(m).arg(text);
        });
    }
    QString answered() const
    {
        QString modules;
        for (int m = 0; m <= kModuleCount; ++m) {
            if (state.ModuleAnswered[size_t(m)])
                modules += QString::number(m);
        }
        return modules;
    }

    StationState state;
    ReceiveFramer framer;
    QStringList deliveries;
};

QByteArray repeated(char c, int n) { return QByteArray(n, c); }

} // namespace

class TestFramer : public QObject
{
    Q_OBJECT
private slots:
    void framing_data()
    {
        QTest::addColumn<bool>("hub");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QStringList>("deliveries");
        QTest::addColumn<QString>("answered");
        QTest::addColumn<int>("discarded");

        const QString line48 = QString(48, QLatin1Char('A'));
        const QString line49 = QString(49, QLatin1Char('A'));
        const QString line50 = QString(50, QLatin1Char('A'));
        const QString dotLong = QLatin1Char('.') + QString(70, QLatin1Char('1'));

        QTest::newRow("hub message for module 3")
            << true << 1 << QByteArrayList{"{312AB\r"} << QStringList{"message/3/12AB"} << "" << 0;
        QTest::newRow("brace and digit split over reads")
            << true << 1 << QByteArrayList{"{", "3", "12A", "B\r"} << QStringList{"message/3/12AB"}
            << "" << 0;
        QTest::newRow("prompt after brace and digit")
            << true << 1 << QByteArrayList{"{2>"} << QStringList{} << "2" << 0;
        QTest::newRow("prompts count for the module selected last")
            << true << 1 << QByteArrayList{"{5A\r", "*", "!"} << QStringList{"message/5/A"} << "5"
            << 0;
        QTest::newRow("modules interleaved keep their own buffers")
            << true << 1 << QByteArrayList{"{3AB{4CD\r{3E\r"}
            << QStringList{"message/4/CD", "message/3/ABE"} << "" << 0;
        QTest::newRow("hub address 0")
            << true << 1 << QByteArrayList{"{0AB\r>"} << QStringList{"message/0/AB"} << "0" << 0;
        QTest::newRow("direct: brace and digit swallowed, module 1")
            << false << 1 << QByteArrayList{"{5AB\r>"} << QStringList{"message/1/AB"} << "1" << 0;
        QTest::newRow("port 2: brace is text, module 2")
            << true << 2 << QByteArrayList{"{A", "B>\r"} << QStringList{"message/2/{AB"} << "2"
            << 0;
        QTest::newRow("49 characters go to start-up")
            << true << 1 << QByteArrayList{"{1" + line49.toLatin1() + "\r"}
            << QStringList{"startup/1/" + line49} << "" << 0;
        QTest::newRow("48 characters go to the decoder")
            << true << 1 << QByteArrayList{"{1" + line48.toLatin1() + "\r"}
            << QStringList{"message/1/" + line48} << "" << 0;
        QTest::newRow("50 characters go to the decoder")
            << true << 1 << QByteArrayList{"{1" + line50.toLatin1() + "\r"}
            << QStringList{"message/1/" + line50} << "" << 0;
        QTest::newRow("dot line of any length goes to start-up")
            << true << 1 << QByteArrayList{"{1.\r", dotLong.toLatin1() + "\r"}
            << QStringList{"startup/1/.", "startup/1/" + dotLong} << "" << 0;
        QTest::newRow("49 characters on port 2 go to start-up")
            << false << 2 << QByteArrayList{line49.toLatin1() + "\r"}
            << QStringList{"startup/2/" + line49} << "" << 0;
        QTest::newRow("hash message, earlier text starts the next one")
            << true << 1 << QByteArrayList{"{3AB#CD\r", "EF\r"}
            << QStringList{"message/3/#CD", "message/3/ABEF"} << "" << 0;
        QTest::newRow("hash message is never a start-up line")
            << true << 1 << QByteArrayList{"{3#" + line49.toLatin1().mid(1) + "\r", "#.1\r"}
            << QStringList{"message/3/#" + line49.mid(1), "message/3/#.1"} << "" << 0;
        QTest::newRow("CR alone is an empty message")
            << true << 1 << QByteArrayList{"{3\r"} << QStringList{"message/3/"} << "" << 0;
        QTest::newRow("LF after CR starts the next message")
            << true << 1 << QByteArrayList{"{3A\r\nB\r"}
            << QStringList{"message/3/A", "message/3/\nB"} << "" << 0;
        QTest::newRow("cp1251 text is decoded") << true << 1 << QByteArrayList{"{3\xC0\xE1\r"}
                                                << QStringList{"message/3/Аб"} << "" << 0;
        QTest::newRow("bad module digit: traffic ignored until a valid selector")
            << true << 1 << QByteArrayList{"{9AB\r>", "{xC#D\r*", "{4E\r"}
            << QStringList{"message/4/E"} << "" << 0;
        QTest::newRow("direct: bad digit changes nothing that lasts")
            << false << 1 << QByteArrayList{"{9AB\r"} << QStringList{"message/1/AB"} << "" << 0;
        QTest::newRow("512 characters are kept")
            << true << 1 << QByteArrayList{"{3" + repeated('7', 512) + "\r"}
            << QStringList{"message/3/" + QString(512, QLatin1Char('7'))} << "" << 0;
        QTest::newRow("513 characters: message discarded up to its CR, framing goes on")
            << true << 1
            << QByteArrayList{"{3" + repeated('7', 300), repeated('7', 213), "77\r", "O5\r"}
            << QStringList{"message/3/O5"} << "" << 1;
        QTest::newRow("prompts still count inside an overlong message")
            << true << 1 << QByteArrayList{"{3" + repeated('7', 600) + ">7\r"} << QStringList{}
            << "3" << 1;
        QTest::newRow("overlong hash message discarded, earlier text kept")
            << true << 1 << QByteArrayList{"{3AB#" + repeated('1', 600) + "\r", "#A5\r", "C\r"}
            << QStringList{"message/3/#A5", "message/3/ABC"} << "" << 1;
        QTest::newRow("port 2 is bounded too")
            << false << 2 << QByteArrayList{repeated('1', 1000) + "\r5\r"}
            << QStringList{"message/2/5"} << "" << 1;
    }
    void framing()
    {
        QFETCH(bool, hub);
        QFETCH(int, port);
        QFETCH(QByteArrayList, reads);
        QFETCH(QStringList, deliveries);
        QFETCH(QString, answered);
        QFETCH(int, discarded);

        FramingRun run(hub);
        for (const QByteArray& read : reads) {
            if (port == 1)
                run.framer.receivePort1(read);
            else
                run.framer.receivePort2(read);
        }
        QCOMPARE(run.deliveries, deliveries);
        QCOMPARE(run.answered(), answered);
        QCOMPARE(run.framer.discardedCount(), quint64(discarded));
        for (int m = 0; m <= kModuleCount; ++m)
            QVERIFY(run.state.RxBuffer[size_t(m)].size() <= ReceiveFramer::kMaxBuffer);
    }

    void badSelectorsAreCounted()
    {
        FramingRun run(true);
        run.framer.receivePort1("{9A\r{{B\r{3C\r");
        // "{{" reads the second brace as a bad digit; "B" is then the next digit.
        QCOMPARE(run.framer.badSelectorCount(), quint64(3));
        QCOMPARE(run.deliveries, QStringList{"message/3/C"});
    }

    void resetDropsPartialMessages()
    {
        FramingRun run(true);
        run.framer.receivePort1("{3AB#C");
        run.framer.receivePort1(QByteArray("{5") + repeated('9', 600));
        run.framer.reset();
        run.framer.receivePort1("{5D\r{3E\r");
        QCOMPARE(run.deliveries, (QStringList{"message/5/D", "message/3/E"}));
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
