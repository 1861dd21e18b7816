#include "modsim/DumpFormat.h"
#include "modsim/EventLog.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "modsim/RandomTraffic.h"
#include "modsim/SimulatorConsole.h"
#include "modsim/SplitLine.h"

#include "link/LinkTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan::modsim;

namespace {

const QByteArray kBanner(zelvan::linktexts::kModuleBanner.data(),
                         zelvan::linktexts::kModuleBanner.size());

// What the panel keeps of a dump: its upper-case hexadecimal digits, in order.
QByteArray upperHexDigits(const QByteArray& text)
{
    QByteArray digits;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))
            digits.append(c);
    }
    return digits;
}

// One item of module traffic as the panel frames it on the hub line.
struct Item
{
    int module;
    QByteArray text; // a line without CR, or a single prompt character
    bool operator==(const Item&) const = default;
};

// Splits hub-line output into lines and prompts, each with its sender.
QList<Item> frameHub(const QByteArray& bytes)
{
    QList<Item> items;
    int module = -1;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '{' && i + 1 < bytes.size()) {
            module = bytes[++i] - '0';
        } else if (c == '>' || c == '*' || c == '!') {
            items.append({module, QByteArray(1, c)});
        } else if (c == '\r') {
            items.append({module, line});
            line.clear();
        } else {
            line.append(c);
        }
    }
    return items;
}

QList<QByteArray> linesOf(const QList<Item>& items)
{
    QList<QByteArray> lines;
    for (const Item& i : items)
        lines.append(i.text);
    return lines;
}

// Collects what the simulator writes on each line.
class Wire : public QObject
{
public:
    explicit Wire(ModuleSimulator& sim)
    {
        connect(&sim, &ModuleSimulator::output, this, [this](int line, const QByteArray& bytes) {
            m_out[line == 2 ? 1 : 0].append(bytes);
        });
    }
    QByteArray take(int line = 1) { return std::exchange(m_out[line == 2 ? 1 : 0], QByteArray()); }

private:
    QByteArray m_out[2];
};

// A panel's end of a pseudo-terminal, opened through its link.
bool openPanelPort(QSerialPort& port, const QString& linkPath)
{
    port.setPortName(QFileInfo(linkPath).canonicalFilePath());
    return port.open(QIODevice::ReadWrite);
}

// Reads what has arrived on the port into got; true once it ends with tail.
bool readUntil(QSerialPort& port, QByteArray& got, const QByteArray& tail)
{
    got += port.readAll();
    return got.endsWith(tail);
}

QString zelvanModsim()
{
    return qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan-modsim");
}

} // namespace

class TestModuleSimulator : public QObject
{
    Q_OBJECT
private slots:
    void dumpLineFormat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("zeros") << QByteArray(16, '\0');
        QTest::newRow("all FF") << QByteArray(16, '\xFF');
        QTest::newRow("state letters") << QByteArray("NOPATNOPATNOPATN");
        QByteArray ramp;
        for (int i = 0; i < 16; ++i)
            ramp.append(static_cast<char>(i * 17));
        QTest::newRow("ramp") << ramp;
    }
    void dumpLineFormat()
    {
        QFETCH(QByteArray, bytes);
        const QByteArray line = formatDumpLine(bytes);
        QCOMPARE(line.size(), 49);
        QVERIFY(!line.startsWith('.'));
        const QByteArray digits = upperHexDigits(line);
        QCOMPARE(digits.size(), 32);
        QCOMPARE(QByteArray::fromHex(digits), bytes);

        const QByteArray damaged = damageDumpLine(line);
        QCOMPARE(damaged.size(), 49);
        QCOMPARE(upperHexDigits(damaged).size(), 31);
    }

    void settingsDumpCarriesEveryObject()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        SimulatedObject& first = sim.module(2).object(1);
        first.zone = 3;
        first.time = 12;
        first.balance = 75;
        sim.module(2).object(128).balance = 193;
        sim.module(2).object(128).zone = 15;
        sim.module(2).object(128).time = 0;

        sim.receive(1, "}2mon\rRB600,100\r");
        const QList<Item> items = frameHub(wire.take());
        QCOMPARE(items.size(), 16);
        QByteArray joined;
        for (const Item& i : items) {
            QCOMPARE(i.module, 2);
            QCOMPARE(i.text.size(), 49);
            QCOMPARE(upperHexDigits(i.text).size(), 32);
            joined += i.text;
        }
        const QByteArray bytes = QByteArray::fromHex(upperHexDigits(joined));
        QCOMPARE(bytes.size(), 256);
        QCOMPARE(quint8(bytes[0]), quint8(75));
        QCOMPARE(quint8(bytes[127]), quint8(193));
        QCOMPARE(quint8(bytes[1]), quint8(120)); // untouched object keeps its default
        QCOMPARE(quint8(bytes[128]), quint8(0x3C));
        QCOMPARE(quint8(bytes[255]), quint8(0xF0));
    }

    void stateDumpCarriesTheLetters()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        QVERIFY(sim.presetState(4, 5, 'P'));
        QVERIFY(sim.violate(4, 6));
        sim.receive(1, "}4T7\r");
        wire.take();

        sim.receive(1, "}4mon\rR2400,80\r");
        const QList<Item> items = frameHub(wire.take());
        QCOMPARE(items.size(), 8);
        QByteArray joined;
        for (const Item& i : items) {
            QCOMPARE(i.text.size(), 49);
            joined += i.text;
        }
        const QByteArray letters = QByteArray::fromHex(upperHexDigits(joined));
        QCOMPARE(letters.size(), 128);
        QCOMPARE(letters.left(7), QByteArray("NNNNPAN"));
    }

    void stateDumpIsReportedWhenWhole_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<bool>("reported");
        QTest::newRow("the state area") << QByteArray("R2400,80") << false << true;
        QTest::newRow("damaged") << QByteArray("R2400,80") << true << false;
        QTest::newRow("part of it") << QByteArray("R2400,40") << false << false;
        QTest::newRow("from before it") << QByteArray("R23F0,A0") << false << true;
        QTest::newRow("the settings") << QByteArray("RB600,100") << false << false;
    }
    void stateDumpIsReportedWhenWhole()
    {
        QFETCH(QByteArray, read);
        QFETCH(bool, damaged);
        QFETCH(bool, reported);
        ModuleSimulator sim;
        QVERIFY(sim.presetState(4, 5, 'P'));
        QVERIFY(sim.violate(4, 128));
        if (damaged)
            QVERIFY(sim.damageNextDump(4));
        QSignalSpy dumps(&sim, &ModuleSimulator::stateDumpSent);
        sim.receive(1, "}4mon\r" + read + "\r");
        QCOMPARE(dumps.size(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(dumps[0][0].toInt(), 4);
            const QByteArray letters = dumps[0][1].toByteArray();
            QCOMPARE(letters.size(), 128);
            QCOMPARE(letters.left(6), QByteArray("NNNNPN"));
            QCOMPARE(letters.back(), 'A');
        }
    }

    void consoleHangUpAndObserver()
    {
        ModuleSimulator sim;
        RandomTraffic traffic(sim);
        SimulatorConsole console(sim, traffic);
        QStringList seen;
        console.setObserver([&](const QString& c) { seen << c; });
        QVERIFY(console.execute(QStringLiteral("hangup 100")).startsWith(QStringLiteral("error")));
        QList<std::pair<int, qint64>> hangUps;
        console.setHangUp([&](int line, qint64 ms) {
            hangUps.append({line, ms});
            return hangUps.size() == 1;
        });
        QCOMPARE(console.execute(QStringLiteral("hangup  2500")), QString());
        QVERIFY(console.execute(QStringLiteral("hangup 2500"))
                    .startsWith(QStringLiteral("error"))); // still down
        QVERIFY(console.execute(QStringLiteral("hangup 100 2"))
                    .startsWith(QStringLiteral("error"))); // no line 2
        QVERIFY(console.execute(QStringLiteral("hangup")).startsWith(QStringLiteral("error")));
        QCOMPARE(console.execute(QStringLiteral("restart 3")), QString());
        QCOMPARE(hangUps, (QList<std::pair<int, qint64>>{{1, 2500}, {1, 2500}}));
        // Only what was carried out is told, in its plain form.
        QCOMPARE(seen, (QStringList{QStringLiteral("hangup 2500"), QStringLiteral("restart 3")}));
    }

    void hangUpHoldsTheOutputForTheNewTerminal()
    {
        QTemporaryDir dir;
        const QString linkPath = dir.filePath(QStringLiteral("line1"));
        PtyLink link;
        QString error;
        QVERIFY2(link.open(linkPath, &error), qPrintable(error));
        QSerialPort port;
        port.setPortName(QFileInfo(linkPath).canonicalFilePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        link.write("{1#A5\r");
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).contains("#A5\r"), 10000);

        QSignalSpy closed(&link, &PtyLink::closedForHangUp);
        QSignalSpy reopened(&link, &PtyLink::reopenedAfterHangUp);
        QVERIFY(link.hangUp(200));
        QVERIFY(!link.hangUp(200));
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 10000);
        QVERIFY(!QFileInfo::exists(linkPath));
        link.write("{2#A6\r"); // said while the line is dead: held
        QTRY_COMPARE_WITH_TIMEOUT(reopened.size(), 1, 10000);
        port.close();
        link.write("{3#A7\r");
        QCOMPARE(link.queued(), qsizetype(12));

        // The panel opens the new terminal; the held output waits for its first word.
        QVERIFY(QFileInfo(linkPath).isSymLink());
        port.setPortName(QFileInfo(linkPath).canonicalFilePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write("}0\r");
        got.clear();
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).contains("#A7\r"), 10000);
        QCOMPARE(got, QByteArray("{2#A6\r{3#A7\r"));
        QVERIFY(!link.hungUp());
        QCOMPARE(link.lostAtHangUp(), quint64(0));
    }

    void readNeedsMonitorMode()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}1R2400,80\r");
        QVERIFY(wire.take().isEmpty());
        sim.receive(1, "}1mon\r\rR2400,10\rNOMON\r\rR2400,10\r");
        const QList<QByteArray> lines = linesOf(frameHub(wire.take()));
        QCOMPARE(lines.size(), 3); // "*" prompt, one dump line, ">" prompt after NOMON
        QCOMPARE(lines[0], QByteArray("*"));
        QCOMPARE(lines[1].size(), 49);
        QCOMPARE(lines[2], QByteArray(">"));
    }

    void versionReply()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.module(6).setGroups("YYNNYYNN");
        sim.receive(1, "}6Ver\r\r");
        const QList<Item> items = frameHub(wire.take());
        QCOMPARE(items.size(), 5);
        for (const Item& i : items)
            QCOMPARE(i.module, 6);
        QCOMPARE(items[0].text, kBanner);
        QCOMPARE(items[0].text.size(), 18);
        QVERIFY(items[0].text.startsWith(".  "));
        for (int v : {1, 2}) {
            QVERIFY(items[v].text.startsWith('.'));
            QVERIFY(!items[v].text.endsWith(']'));
            QVERIFY(items[v].text != items[0].text);
        }
        const QByteArray group = items[3].text;
        QVERIFY(group.startsWith('.'));
        QVERIFY(group.endsWith(']'));
        QCOMPARE(group.mid(4, 8), QByteArray("YYNNYYNN"));
        QCOMPARE(items[4].text, QByteArray(">"));
    }

    void hubAddressing_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("probe of all nine addresses")
            << QByteArray("}0\r}1\r}2\r}3\r}4\r}5\r}6\r}7\r}8\r")
            << QByteArray("{0>{1>{2>{3>{4>{6>{7>{8>"); // module 5 is absent
        QTest::newRow("address 9 reaches nobody") << QByteArray("}9\r}9Ver\r") << QByteArray();
        QTest::newRow("brace and non-digit reach nobody") << QByteArray("}x\r") << QByteArray();
        QTest::newRow("address holds for the next line")
            << QByteArray("}3U1\rU2\r") << QByteArray("{3118\r{3118\r");
        QTest::newRow("split across writes") << QByteArray("}") << QByteArray();
        QTest::newRow("new brace drops a partial command")
            << QByteArray("}2U1}3\r") << QByteArray("{3>");
        QTest::newRow("line feed ignored") << QByteArray("}4\n\r") << QByteArray("{4>");
        QTest::newRow("hub answers only the probe")
            << QByteArray("}0Ver\r}0\r") << QByteArray("{0>");
        QTest::newRow("silent module answers no probe") << QByteArray("}7\r") << QByteArray();
    }
    void hubAddressing()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, expected);
        ModuleSimulator sim;
        sim.module(5).setPresent(false);
        if (QByteArray(QTest::currentDataTag()).startsWith("silent"))
            QVERIFY(sim.silence(7));
        Wire wire(sim);
        sim.receive(1, sent);
        QCOMPARE(wire.take(), expected);
        sim.receive(2, "\r");
        QCOMPARE(wire.take(2), QByteArray()); // nothing behind a hub on line 2
    }

    void directAddressing()
    {
        ModuleSimulator sim(Topology::Direct);
        Wire wire(sim);
        QVERIFY(!sim.module(3).present());
        sim.receive(1, "\rU1\r");
        sim.receive(2, "\rO9\r");
        QCOMPARE(wire.take(1), QByteArray(">118\r"));
        QCOMPARE(wire.take(2), QByteArray(">#O9\r"));
        sim.receive(1, "}2\r");
        QCOMPARE(wire.take(1), QByteArray()); // braces are not understood without a hub
        QVERIFY(sim.violate(2, 5));
        QCOMPARE(wire.take(2), QByteArray("#A5\r"));
        QVERIFY(!sim.violate(3, 5));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("atOnce");
        QTest::addColumn<QByteArray>("later");
        QTest::newRow("take") << QByteArray("P5") << QByteArray("{1P5\r") << QByteArray("{1#P5\r");
        QTest::newRow("take, lower case")
            << QByteArray("p128") << QByteArray("{1P128\r") << QByteArray("{1#P128\r");
        QTest::newRow("release") << QByteArray("O17") << QByteArray("{1#O17\r") << QByteArray();
        QTest::newRow("measure") << QByteArray("U5") << QByteArray("{1118\r") << QByteArray();
        QTest::newRow("balance") << QByteArray("B5,150") << QByteArray("{1#B5,150\r")
                                 << QByteArray();
        QTest::newRow("balance clamped high")
            << QByteArray("B5,300") << QByteArray("{1#B5,193\r") << QByteArray();
        QTest::newRow("balance clamped low")
            << QByteArray("B5,10") << QByteArray("{1#B5,75\r") << QByteArray();
        QTest::newRow("zone") << QByteArray("Z5,20") << QByteArray("{1#Z5,15\r") << QByteArray();
        QTest::newRow("time") << QByteArray("T5,7") << QByteArray("{1#T5,7\r") << QByteArray();
        QTest::newRow("object 0") << QByteArray("P0") << QByteArray() << QByteArray();
        QTest::newRow("object 129") << QByteArray("O129") << QByteArray() << QByteArray();
        QTest::newRow("not a number") << QByteArray("U5x") << QByteArray() << QByteArray();
        QTest::newRow("setting without comma") << QByteArray("B5") << QByteArray() << QByteArray();
        QTest::newRow("unknown command") << QByteArray("X5") << QByteArray() << QByteArray();
        QTest::newRow("monitor on, no answer") << QByteArray("mon") << QByteArray() << QByteArray();
    }
    void replies()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, atOnce);
        QFETCH(QByteArray, later);
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}1" + command + "\r");
        QCOMPARE(wire.take(), atOnce);
        sim.advance(sim.takeDelayMs() - 1);
        QCOMPARE(wire.take(), QByteArray());
        sim.advance(1);
        QCOMPARE(wire.take(), later);
    }

    void settingsAreStored()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}3B9,150\rZ9,4\rT9,11\r");
        const SimulatedObject& o = sim.module(3).object(9);
        QCOMPARE(o.balance, 150);
        QCOMPARE(o.zone, 4);
        QCOMPARE(o.time, 11);
        QVERIFY(sim.setMeasured(3, 9, 42));
        wire.take();
        sim.receive(1, "}3U9\r");
        QCOMPARE(wire.take(), QByteArray("{342\r"));
    }

    void takeOvertakenByViolation()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}2P5\r");
        QCOMPARE(sim.module(2).object(5).state, 'T');
        QVERIFY(sim.violate(2, 5));
        sim.advance(1000);
        QCOMPARE(wire.take(), QByteArray("{2P5\r{2#A5\r"));
        QCOMPARE(sim.module(2).object(5).state, 'A');
    }

    void promptCharacters()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}1\r");
        QVERIFY(sim.violate(1, 3));
        sim.receive(1, "}1\r");
        sim.receive(1, "}1mon\r\rNOMON\rO3\r\r");
        QCOMPARE(wire.take(), QByteArray("{1>{1#A3\r{1!{1*{1#O3\r{1>"));
    }

    void silenceAndRestart()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        QVERIFY(sim.silence(2));
        sim.receive(1, "}2\r}2Ver\r}2P5\r");
        QVERIFY(sim.violate(2, 9)); // happens, but nobody hears of it
        sim.advance(1000);
        QCOMPARE(wire.take(), QByteArray());
        QCOMPARE(sim.module(2).object(9).state, 'A');
        QCOMPARE(sim.module(2).object(5).state, 'N'); // the command never reached it

        QVERIFY(sim.revive(2));
        sim.receive(1, "}2\r");
        QCOMPARE(wire.take(), QByteArray("{2!"));

        sim.receive(1, "}2mon\r");
        QVERIFY(sim.silence(2));
        QVERIFY(sim.restart(2));
        const QList<Item> greeting = frameHub(wire.take());
        QCOMPARE(greeting.size(), 4);
        QCOMPARE(greeting[0].text, kBanner);
        QCOMPARE(greeting[3].text, QByteArray(". G[YYYYYYYY]"));
        QVERIFY(!sim.module(2).monitorMode());
        QCOMPARE(sim.module(2).object(9).state, 'A'); // memory survives the restart
        sim.receive(1, "}2R2400,80\r");
        QCOMPARE(wire.take(), QByteArray());
        QVERIFY(sim.restart(2, true));
        QCOMPARE(sim.module(2).object(9).state, 'N');

        QVERIFY(sim.silence(0));
        wire.take();
        sim.receive(1, "}0\r");
        QCOMPARE(wire.take(), QByteArray());
    }

    void damagedDumpFailsTheDigitCount_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("digits");
        QTest::newRow("settings") << QByteArray("RB600,100") << 512;
        QTest::newRow("states") << QByteArray("R2400,80") << 256;
    }
    void damagedDumpFailsTheDigitCount()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, digits);
        ModuleSimulator sim;
        Wire wire(sim);
        QVERIFY(sim.damageNextDump(3));
        for (int expected : {digits - 1, digits}) { // damaged once, then whole again
            sim.receive(1, "}3mon\r" + request + "\r");
            const QList<QByteArray> lines = linesOf(frameHub(wire.take()));
            QCOMPARE(lines.size(), digits / 32);
            QByteArray joined;
            for (const QByteArray& l : lines) {
                QCOMPARE(l.size(), 49);
                joined += l;
            }
            QCOMPARE(upperHexDigits(joined).size(), expected);
        }
    }

    void overlongCommandDropped()
    {
        ModuleSimulator sim;
        Wire wire(sim);
        sim.receive(1, "}1U" + QByteArray(300, '1') + "\r\r");
        QCOMPARE(wire.take(), QByteArray("{1>"));
        QCOMPARE(sim.droppedCommands(), quint64(1));
    }

    void noiseNeverFormsAMessage_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::addRow("seed %u", seed) << int(500 + seed * 97) << seed;
        QTest::newRow("tiny") << 1 << 7u;
    }
    void noiseNeverFormsAMessage()
    {
        QFETCH(int, count);
        QFETCH(quint32, seed);
        ModuleSimulator sim;
        Wire wire(sim);
        sim.garbage(1, count, seed);
        const QByteArray noise = wire.take();
        QVERIFY(noise.endsWith('\r'));
        QVERIFY(qAbs(noise.size() - count) <= 2);
        for (char c : {'{', '>', '*', '!', '#', '\n'})
            QVERIFY(!noise.contains(c));
        const QList<QByteArray> lines = noise.chopped(1).split('\r');
        for (const QByteArray& l : lines) {
            QVERIFY(!l.isEmpty());
            QVERIFY(l.size() != 49);
            const char first = l[0];
            QVERIFY2(!QByteArray(".0123456789OoPp ").contains(first), l.constData());
        }
        QVERIFY(sim.overlongLine(2, 49));
        QVERIFY(frameHub(wire.take()).first().text.size() != 49);
    }

    void promptsOnlyAnswersTheProbeAlone()
    {
        ModuleSimulator sim;
        RandomTraffic traffic(sim);
        SimulatorConsole console(sim, traffic);
        Wire wire(sim);
        QCOMPARE(console.execute(QStringLiteral("prompts-only 2")), QString());
        QVERIFY(console.execute(QStringLiteral("help")).contains(QStringLiteral("prompts-only M")));
        sim.receive(1, "}2\r}2Ver\r}2P5\r}2mon\r}2R2400,80\r");
        sim.advance(1000);
        QCOMPARE(wire.take(), QByteArray("{2>")); // the prompt, nothing else
        QCOMPARE(sim.module(2).object(5).state, 'N');
        QVERIFY(console.execute(QStringLiteral("answer 2")).isEmpty());
        sim.receive(1, "}2Ver\r");
        QCOMPARE(frameHub(wire.take()).size(), 4);
    }

    void consoleCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("violate") << "violate 3 5" << QByteArray("{3#A5\r");
        QTest::newRow("release") << "release 3 5" << QByteArray("{3O5\r");
        QTest::newRow("release, hash form") << "release 3 5 hash" << QByteArray("{3#O5\r");
        QTest::newRow("take") << "take 8 128" << QByteArray("{8#P128\r");
        QTest::newRow("board switched on") << "board 1 5 0 A1" << QByteArray("{1#0000000A1 0005\r");
        QTest::newRow("board with signals 1 and 2")
            << "board 1 5 0 A1 11000" << QByteArray("{1#0110000A1 0005\r");
        QTest::newRow("board switched off")
            << "board 2 17 1 B7" << QByteArray("{2#1000000B7 0017\r");
        QTest::newRow("setting report") << "setting 4 2 z 9" << QByteArray("{4#Z2,9\r");
        QTest::newRow("unknown module") << "violate 9 5" << QByteArray();
        QTest::newRow("bad board flag") << "board 1 5 2 A1" << QByteArray();
        QTest::newRow("garbage on a missing line") << "garbage 10 2" << QByteArray();
        QTest::newRow("drop without a split line") << "drop A" << QByteArray();
    }
    void consoleCommands()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, expected);
        ModuleSimulator sim;
        RandomTraffic traffic(sim);
        SimulatorConsole console(sim, traffic);
        Wire wire(sim);
        const QString reply = console.execute(command);
        QCOMPARE(wire.take(), expected);
        QCOMPARE(reply.startsWith(QStringLiteral("error")), expected.isEmpty());
    }

    void scenarioRunsOnTheClock()
    {
        ModuleSimulator sim;
        RandomTraffic traffic(sim);
        SimulatorConsole console(sim, traffic);
        Wire wire(sim);
        QVERIFY(console.loadScenario("# demo\n1000 violate 1 2\n+500 silence 1\n2000 restart 1\n")
                    .isEmpty());
        QVERIFY(!console.loadScenario("soon violate 1 2\n").isEmpty());
        sim.advance(999);
        QCOMPARE(wire.take(), QByteArray());
        sim.advance(1);
        QCOMPARE(wire.take(), QByteArray("{1#A2\r"));
        sim.advance(500);
        QVERIFY(!sim.module(1).answering());
        sim.advance(500);
        QVERIFY(sim.module(1).answering());
        QCOMPARE(frameHub(wire.take()).size(), 4);
    }

    void randomTrafficIsSeededAndLogged()
    {
        struct Run
        {
            QList<GuardEvent> events;
            QList<Item> items;
            quint64 sent = 0;
            bool running = true;
        };
        auto run = [](quint32 seed) {
            ModuleSimulator sim;
            sim.setKeepEvents(true);
            sim.module(2).setGroups("NNNNNNNY");
            sim.module(3).setPresent(false);
            sim.silence(4);
            Wire wire(sim);
            RandomTraffic traffic(sim);
            traffic.start(50, seed, 0, 10000);
            sim.advance(20000);
            return Run{sim.events(), frameHub(wire.take()), traffic.sent(), traffic.running()};
        };
        const Run a = run(7);
        QCOMPARE(a.sent, quint64(500));
        QVERIFY(!a.running);
        QCOMPARE(a.items.size(), 500);
        QCOMPARE(a.events.size(), 500);
        const QList<QByteArray> kinds{"#A", "O", "#O", "#P"};
        for (qsizetype i = 0; i < a.items.size(); ++i) {
            const GuardEvent& e = a.events[i];
            QCOMPARE(a.items[i].module, e.module);
            QCOMPARE(a.items[i].text, e.message);
            QCOMPARE(e.sequence, quint64(i + 1));
            QVERIFY(e.module != 3 && e.module != 4);
            if (e.module == 2)
                QVERIFY(e.object > 112);
            QVERIFY(kinds.contains(e.message.chopped(QByteArray::number(e.object).size())));
        }
        const Run b = run(7);
        const Run c = run(8);
        QCOMPARE(b.items, a.items);
        QVERIFY(c.items != a.items);
    }

    void eventLogFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("events.log"));
        ModuleSimulator sim;
        EventLogFile log(path);
        QVERIFY(log.begin());
        connect(&sim, &ModuleSimulator::guardEventSent, this,
                [&log](const GuardEvent& e) { log.append(e); });
        sim.setKeepEvents(true);
        QVERIFY(sim.violate(3, 5));
        sim.receive(1, "}3P5\r}8O128\r");
        sim.advance(1000);
        QVERIFY(sim.silence(2));
        QVERIFY(sim.violate(2, 1)); // not sent, not logged
        const QList<GuardEvent> read = readEventLog(path);
        QCOMPARE(read.size(), 3);
        QCOMPARE(formatEventLogLine(read[0]), QByteArray("1 0 3 5 261 A #A5\n"));
        QCOMPARE(formatEventLogLine(read[1]), QByteArray("2 0 8 128 1024 O #O128\n"));
        QCOMPARE(formatEventLogLine(read[2]), QByteArray("3 300 3 5 261 P #P5\n"));
        QVERIFY(!parseEventLogLine("1 0 3 5 999 A #A5"));
    }

    void replyHandlerMayWriteBack()
    {
        // A panel that answers each prompt at once with the next command, from
        // inside the output notification, still gets its replies in order.
        ModuleSimulator sim;
        QByteArray seen;
        connect(&sim, &ModuleSimulator::output, this, [&](int, const QByteArray& bytes) {
            seen += bytes;
            if (bytes == "{1>")
                sim.receive(1, "}2\r");
            else if (bytes == "{2>")
                sim.receive(1, "}3U4\r");
        });
        sim.receive(1, "}1\r");
        QCOMPARE(seen, QByteArray("{1>{2>{3118\r"));
    }

    void programThroughAPseudoTerminal()
    {
        const QString program =
            qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan-modsim");
        if (!QFile::exists(program))
            QSKIP("zelvan-modsim is not built");
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("line1"));
        QProcess sim;
        sim.start(program, {QStringLiteral("--link"), link, QStringLiteral("--groups"),
                            QStringLiteral("1:YNYNYNYN")});
        QVERIFY(sim.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += sim.readAllStandardOutput()).contains("ready\n"), 10000);
        QVERIFY(said.contains(link.toLocal8Bit()));

        QSerialPort port;
        port.setPortName(QFileInfo(link).canonicalFilePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.setBaudRate(4800);
        port.write("}1Ver\r");
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).contains("]\r"), 10000);
        const QList<Item> items = frameHub(got);
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0], (Item{1, kBanner}));
        QCOMPARE(items[2], (Item{1, ". Address 1"}));
        QCOMPARE(items[3], (Item{1, ". G[YNYNYNYN]"}));
        port.close();

        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void splitLineServesBothSides()
    {
        QTemporaryDir dir;
        const QString paths[2] = {dir.filePath(QStringLiteral("a")),
                                  dir.filePath(QStringLiteral("b"))};
        ModuleSimulator sim;
        SplitLine line;
        QString error;
        QVERIFY2(line.open(paths[0], paths[1], &error), qPrintable(error));
        connect(&line, &SplitLine::received, this,
                [&sim](const QByteArray& bytes) { sim.receive(1, bytes); });
        connect(&sim, &ModuleSimulator::output, this,
                [&line](int, const QByteArray& bytes) { line.write(bytes); });
        QSignalSpy wrote(&line, &SplitLine::sideWrote);
        QSerialPort ports[2];
        for (int s = 0; s < 2; ++s)
            QVERIFY2(openPanelPort(ports[s], paths[s]), qPrintable(ports[s].errorString()));

        // A probe from either side is answered, and both sides hear the answer.
        QByteArray got[2];
        QByteArray expected;
        const std::pair<int, QByteArray> probes[] = {{0, "}1\r"}, {1, "}2\r"}};
        for (const auto& [side, probe] : probes) {
            ports[side].write(probe);
            const QByteArray answer = "{" + probe.mid(1, 1) + ">";
            expected += answer;
            for (int s = 0; s < 2; ++s)
                QTRY_VERIFY_WITH_TIMEOUT(readUntil(ports[s], got[s], answer), 10000);
        }
        // What a module says on its own reaches both, byte for byte.
        QVERIFY(sim.violate(3, 5));
        expected += "{3#A5\r";
        for (int s = 0; s < 2; ++s) {
            QTRY_VERIFY_WITH_TIMEOUT(readUntil(ports[s], got[s], "{3#A5\r"), 10000);
            QCOMPARE(got[s], expected);
        }

        QCOMPARE(wrote.size(), 2);
        QCOMPARE(wrote[0][0].toInt(), 0);
        QCOMPARE(wrote[0][2].toByteArray(), QByteArray("}1\r"));
        QCOMPARE(wrote[1][0].toInt(), 1);
        QCOMPARE(wrote[1][2].toByteArray(), QByteArray("}2\r"));
        QCOMPARE(line.written(0), quint64(3));
        QCOMPARE(line.written(1), quint64(3));
        ports[1].write("}4U1\r");
        QTRY_COMPARE_WITH_TIMEOUT(line.written(1), quint64(8), 10000);
        QCOMPARE(line.totals(), (QStringList{QStringLiteral("split A ") + paths[0]
                                                 + QStringLiteral(" wrote 3 characters"),
                                             QStringLiteral("split B ") + paths[1]
                                                 + QStringLiteral(" wrote 8 characters")}));
        QCOMPARE(formatSplitWrite(1, paths[1], 1250, "}4U1\r\x01\\"),
                 QStringLiteral("split 1250 ms B ") + paths[1]
                     + QStringLiteral(" wrote 7: }4U1\\r\\x01\\\\"));
    }

    void splitLineReportsPeriodsWithTwoWriters_data()
    {
        // Writes "A0 B4000": side and clock time; A writes 3 characters, B 6.
        QTest::addColumn<qint64>("periodMs");
        QTest::addColumn<QString>("writes");
        QTest::addColumn<bool>("endByClose");
        QTest::addColumn<QStringList>("reports");
        const auto both = [](qint64 start, int a, int b) {
            return formatBothWrote(start, quint64(a), quint64(b));
        };
        QTest::newRow("both in one period")
            << qint64(10000) << "A0 B4000" << false << QStringList{both(0, 3, 6)};
        QTest::newRow("one side only")
            << qint64(10000) << "A0 A5000 A12000" << false << QStringList{};
        QTest::newRow("the other side in the next period")
            << qint64(10000) << "A0 B10000" << false << QStringList{};
        QTest::newRow("a period begins at its first write")
            << qint64(10000) << "A3000 B12999" << false << QStringList{both(3000, 3, 6)};
        QTest::newRow("each side twice")
            << qint64(10000) << "A0 B1 A2 B3" << false << QStringList{both(0, 6, 12)};
        QTest::newRow("shorter period")
            << qint64(2000) << "A0 B1999 A4000 B7000" << false << QStringList{both(0, 3, 6)};
        QTest::newRow("two periods in a row") << qint64(10000) << "A0 B100 B10000 A10100" << false
                                              << QStringList{both(0, 3, 6), both(10000, 3, 6)};
        QTest::newRow("told at close")
            << qint64(10000) << "B50 A60" << true << QStringList{both(50, 3, 6)};
    }
    void splitLineReportsPeriodsWithTwoWriters()
    {
        QFETCH(qint64, periodMs);
        QFETCH(QString, writes);
        QFETCH(bool, endByClose);
        QFETCH(QStringList, reports);
        QTemporaryDir dir;
        const QString paths[2] = {dir.filePath(QStringLiteral("a")),
                                  dir.filePath(QStringLiteral("b"))};
        qint64 now = 0;
        SplitLine line;
        line.setClock([&now]() { return now; });
        line.setPeriodMs(periodMs);
        QString error;
        QVERIFY2(line.open(paths[0], paths[1], &error), qPrintable(error));
        QStringList told;
        connect(&line, &SplitLine::bothWrote, this, [&told](qint64 start, quint64 a, quint64 b) {
            told << formatBothWrote(start, a, b);
        });
        QSerialPort ports[2];
        for (int s = 0; s < 2; ++s)
            QVERIFY2(openPanelPort(ports[s], paths[s]), qPrintable(ports[s].errorString()));
        const QByteArray payload[2] = {"}0\r", "}1\r}2\r"};
        for (const QString& w : writes.split(u' ')) {
            const int side = w[0] == u'A' ? 0 : 1;
            now = w.mid(1).toLongLong();
            const quint64 before = line.written(side);
            ports[side].write(payload[side]);
            QTRY_COMPARE_WITH_TIMEOUT(line.written(side), before + quint64(payload[side].size()),
                                      10000);
        }
        const qsizetype toldBefore = told.size();
        line.checkPeriod(); // the last period is not over yet
        QCOMPARE(told.size(), toldBefore);
        if (endByClose) {
            line.close();
        } else {
            now += periodMs;
            line.checkPeriod();
        }
        QCOMPARE(told, reports);
    }

    void splitOptionErrors_data()
    {
        // "@" stands for the test's directory.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("one path") << QStringList{"--split", "@/a"} << "two paths";
        QTest::newRow("second path empty") << QStringList{"--split", "@/a,"} << "two paths";
        QTest::newRow("three paths") << QStringList{"--split", "@/a,@/b,@/c"} << "two paths";
        QTest::newRow("equal paths") << QStringList{"--split", "@/a,@/a"} << "two different";
        QTest::newRow("with --link")
            << QStringList{"--link", "@/l", "--split", "@/a,@/b"} << "use one of them";
        QTest::newRow("neither") << QStringList{} << "is required";
        QTest::newRow("period of 0")
            << QStringList{"--split", "@/a,@/b", "--split-period", "0"} << "--split-period";
        QTest::newRow("--link2 on a split path")
            << QStringList{"--topology", "direct", "--split", "@/a,@/b", "--link2", "@/b"}
            << "same path";
    }
    void splitOptionErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        if (!QFile::exists(zelvanModsim()))
            QSKIP("zelvan-modsim is not built");
        QTemporaryDir dir;
        args.replaceInStrings(QStringLiteral("@"), dir.path());
        QProcess sim;
        sim.start(zelvanModsim(), args);
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 2);
        const QString said = QString::fromLocal8Bit(sim.readAllStandardError());
        QVERIFY2(said.contains(message), qPrintable(said));
        QVERIFY(QDir(dir.path()).isEmpty()); // no link was made
    }

    void programOnASplitLine()
    {
        if (!QFile::exists(zelvanModsim()))
            QSKIP("zelvan-modsim is not built");
        QTemporaryDir dir;
        const QString paths[2] = {dir.filePath(QStringLiteral("a")),
                                  dir.filePath(QStringLiteral("b"))};
        QProcess sim;
        sim.start(zelvanModsim(), {QStringLiteral("--split"), paths[0] + u',' + paths[1]});
        QVERIFY(sim.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += sim.readAllStandardOutput()).contains("ready\n"), 10000);
        for (int s = 0; s < 2; ++s)
            QVERIFY2(said.contains("line 1: " + paths[s].toLocal8Bit() + " -> /dev/pts/"),
                     said.constData());
        QVERIFY(said.contains(" side A\n") && said.contains(" side B\n"));

        QSerialPort ports[2];
        for (int s = 0; s < 2; ++s)
            QVERIFY2(openPanelPort(ports[s], paths[s]), qPrintable(ports[s].errorString()));
        ports[1].write("}1\r");
        QByteArray got[2];
        for (int s = 0; s < 2; ++s)
            QTRY_VERIFY_WITH_TIMEOUT(readUntil(ports[s], got[s], "{1>"), 10000);
        QCOMPARE(got[0], got[1]);
        const QByteArray logged = " ms B " + paths[1].toLocal8Bit() + " wrote 3: }1\\r\n";
        QTRY_VERIFY_WITH_TIMEOUT((said += sim.readAllStandardOutput()).contains(logged), 10000);

        const QByteArray totalA = "split A " + paths[0].toLocal8Bit() + " wrote 0 characters\n";
        const QByteArray totalB = "split B " + paths[1].toLocal8Bit() + " wrote 3 characters\n";
        sim.write("status\n");
        QTRY_VERIFY_WITH_TIMEOUT((said += sim.readAllStandardOutput()).contains(totalB), 10000);
        QVERIFY(said.contains(totalA));
        // Side A goes away for good: its link is gone, B still hears the modules.
        sim.write("drop a\n");
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo(paths[0]).isSymLink(), 10000);
        sim.write("violate 2 7\ndrop A\n");
        QTRY_VERIFY_WITH_TIMEOUT(readUntil(ports[1], got[1], "{2#A7\r"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += sim.readAllStandardOutput()).contains("error: side A is gone already"), 10000);
        said.clear();
        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        said += sim.readAllStandardOutput();
        QVERIFY2(said.contains(totalA) && said.contains(totalB), said.constData());
        QVERIFY(!said.contains("both wrote"));
        for (const QString& path : paths)
            QVERIFY(!QFileInfo(path).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestModuleSimulator)
#include "tst_modsim.moc"
