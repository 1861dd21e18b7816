#include "core/StationState.h"
#include "link/CommandSender.h"
#include "support/Fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace zelvan;
using test::FakeSerialLine;

namespace {

struct Lines
{
    Lines(bool hub, bool open1, bool open2) : sender(state, port1, port2)
    {
        state.HubMode = hub ? QStringLiteral("Y") : QStringLiteral("N");
        if (open1)
            port1.open(QStringLiteral("1"), QStringLiteral("4800,n,8,1"));
        if (open2)
            port2.open(QStringLiteral("2"), QStringLiteral("4800,n,8,1"));
    }
    StationState state;
    FakeSerialLine port1;
    FakeSerialLine port2;
    CommandSender sender;
};

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void sendToModule_data()
    {
        QTest::addColumn<bool>("hub");
        QTest::addColumn<bool>("open1");
        QTest::addColumn<bool>("open2");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("module");
        QTest::addColumn<QByteArray>("onPort1");
        QTest::addColumn<QByteArray>("onPort2");
        QTest::addColumn<int>("dropped");

        QTest::newRow("hub: prefix and module digit")
            << true << true << true << "P5\r" << 3 << QByteArray("}3P5\r") << QByteArray() << 0;
        QTest::newRow("hub: the hub's own address")
            << true << true << true << "\r" << 0 << QByteArray("}0\r") << QByteArray() << 0;
        QTest::newRow("hub: module 2 still on port 1")
            << true << true << true << "Ver\r\r" << 2 << QByteArray("}2Ver\r\r") << QByteArray()
            << 0;
        QTest::newRow("direct: module 1 on port 1, no prefix")
            << false << true << true << "U7\r" << 1 << QByteArray("U7\r") << QByteArray() << 0;
        QTest::newRow("direct: module 2 on port 2")
            << false << true << true << "O65\r" << 2 << QByteArray() << QByteArray("O65\r") << 0;
        QTest::newRow("direct: module 5 on port 2")
            << false << true << true << "O65\r" << 5 << QByteArray() << QByteArray("O65\r") << 0;
        QTest::newRow("direct: port 2 closed drops the command")
            << false << true << false << "P1\r" << 2 << QByteArray() << QByteArray() << 1;
        QTest::newRow("hub: port 1 closed drops the command")
            << true << false << true << "P1\r" << 4 << QByteArray() << QByteArray() << 1;
    }
    void sendToModule()
    {
        QFETCH(bool, hub);
        QFETCH(bool, open1);
        QFETCH(bool, open2);
        QFETCH(QString, command);
        QFETCH(int, module);
        QFETCH(QByteArray, onPort1);
        QFETCH(QByteArray, onPort2);
        QFETCH(int, dropped);

        Lines lines(hub, open1, open2);
        lines.sender.SendToModule(command, module);
        QCOMPARE(lines.port1.written(), onPort1);
        QCOMPARE(lines.port2.written(), onPort2);
        QCOMPARE(lines.sender.droppedCount(), quint64(dropped));
    }

    void probe_data()
    {
        QTest::addColumn<bool>("hub");
        QTest::addColumn<bool>("open1");
        QTest::addColumn<bool>("open2");
        QTest::addColumn<QByteArray>("onPort1");
        QTest::addColumn<QByteArray>("onPort2");
        QTest::addColumn<int>("writes1");

        QTest::newRow("hub: every address, one write each")
            << true << true << true << QByteArray("}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r")
            << QByteArray() << 9;
        QTest::newRow("hub with port 1 closed falls back to CR on port 2")
            << true << false << true << QByteArray() << QByteArray("\r") << 0;
        QTest::newRow("direct: CR on each open port")
            << false << true << true << QByteArray("\r") << QByteArray("\r") << 1;
        QTest::newRow("direct: only the open port")
            << false << true << false << QByteArray("\r") << QByteArray() << 1;
        QTest::newRow("no port open")
            << true << false << false << QByteArray() << QByteArray() << 0;
    }
    void probe()
    {
        QFETCH(bool, hub);
        QFETCH(bool, open1);
        QFETCH(bool, open2);
        QFETCH(QByteArray, onPort1);
        QFETCH(QByteArray, onPort2);
        QFETCH(int, writes1);

        Lines lines(hub, open1, open2);
        QSignalSpy writes(&lines.port1, &SerialLine::outputDrained);
        lines.sender.TstMdl();
        QCOMPARE(lines.port1.written(), onPort1);
        QCOMPARE(lines.port2.written(), onPort2);
        QCOMPARE(writes.count(), writes1);
        // The probe checks the ports itself; nothing counts as dropped.
        QCOMPARE(lines.sender.droppedCount(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
