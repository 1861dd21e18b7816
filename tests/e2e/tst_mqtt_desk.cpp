// The composed program with mqtt.ini and without: no socket without it, a
// password file others may read refused and shown, a broker that cannot be
// reached shown in the problem list while the panel works on, and TLS
// verified against the CA that the test made with openssl.
#include "app/OperatorDesk.h"
#include "app/Station.h"
#include "core/ScreenState.h"
#include "events/AlarmList.h"
#include "events/DayArchive.h"
#include "feed/EventPublisher.h"
#include "feed/FeedTexts.h"
#include "journal/Journal.h"
#include "link/LinkSupervisor.h"
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "pair/PairRoles.h"
#include "panel/MainForm.h"
#include "panel/PanelPicturesForm.h"
#include "platform/MosquittoLink.h"
#include "platform/SerialPortLine.h"
#include "platform/SystemClock.h"
#include "support/Dc09Receivers.h"
#include "support/Fakes.h"
#include "support/ModulesOnPty.h"
#include "support/MosquittoBroker.h"
#include "support/TestFiles.h"
#include "windows/KeypadForm.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <unistd.h>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kWaitMs = 20000;
const QString kPrefix = QStringLiteral("desk/test");

// The sockets this process holds.
int openSockets()
{
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[256] = {};
        const QByteArray path = QFile::encodeName(fds.filePath(fd));
        if (::readlink(path.constData(), target, sizeof target - 1) > 0
            && QByteArray(target).startsWith("socket:"))
            ++n;
    }
    return n;
}

bool received(MqttSubscriber& subscriber, const QByteArray& text)
{
    const QList<QByteArray> lines = subscriber.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&text](const QByteArray& l) { return l.contains(text); });
}

bool run(const QString& program, const QStringList& args, const QString& dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(kWaitMs) || p.exitCode() != 0) {
        qWarning().noquote() << program << args.join(' ') << p.readAll();
        return false;
    }
    return true;
}

// A CA and a server certificate for `names` (by default localhost and
// 127.0.0.1), signed by it.
bool makeCertificates(const QString& dir, const QString& caName,
                      const QByteArray& names = "DNS:localhost,IP:127.0.0.1")
{
    const QString openssl = QStringLiteral("openssl");
    QFile ext(dir + QStringLiteral("/ext.cnf"));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("subjectAltName=" + names + "\n");
    ext.close();
    return run(openssl,
               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", caName + ".key", "-out",
                caName + ".crt", "-days", "2", "-subj", "/CN=" + caName},
               dir)
           && run(openssl,
                  {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                   "server.csr", "-subj", "/CN=localhost"},
                  dir)
           && run(openssl,
                  {"x509", "-req", "-in", "server.csr", "-CA", caName + ".crt", "-CAkey",
                   caName + ".key", "-CAcreateserial", "-out", "server.crt", "-days", "2",
                   "-extfile", "ext.cnf"},
                  dir);
}

struct FeedDesk
{
    FeedDesk()
    {
        QString error;
        linkPath = home.filePath(QStringLiteral("modules"));
        if (!playModulesOnPty(sim, link, linkPath, &error))
            qFatal("pseudo-terminal: %s", qPrintable(error));
        QFile f(home.filePath(QStringLiteral("zelvan.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("zelvan.ini cannot be written");
        f.write(
            QStringLiteral("[DirData]\r\n%1\r\n\r\n[Visible 0]\r\nN\r\n\r\n[System]\r\n0\r\n\r\n"
                           "[Hub]\r\nY\r\n\r\n[CommPort]\r\n%2\r\n4800,n,8,1\r\n0\r\n"
                           "4800,n,8,1\r\n\r\n[Moduls]\r\nYYYYYYYY\r\n\r\n[Options]\r\n0\r\n"
                           "0\r\n0\r\n0\r\n0\r\n0\r\n\r\n[FontPrinter]\r\nMS Sans Serif\r\n11\r\n"
                           "0\r\n0\r\n")
                .arg(home.filePath(QStringLiteral("Data")), linkPath)
                .toLocal8Bit());
    }

    void writeMqtt(const QString& broker, const QString& passwordFileMode = QStringLiteral("600"),
                   const QString& topics = QString())
    {
        QFile pw(home.filePath(QStringLiteral("mqtt.pass")));
        if (!pw.open(QIODevice::WriteOnly))
            qFatal("mqtt.pass");
        pw.write("station-pass\n");
        pw.close();
        QFileDevice::Permissions perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (passwordFileMode == QLatin1String("644"))
            perms |= QFileDevice::ReadGroup | QFileDevice::ReadOther;
        pw.setPermissions(perms);
        QFile f(home.filePath(QStringLiteral("mqtt.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("mqtt.ini");
        f.write((QStringLiteral("[broker]\n") + broker
                 + QStringLiteral("username=station\npassword_file=mqtt.pass\n[topics]\nprefix=")
                 + kPrefix + QLatin1Char('\n') + topics)
                    .toUtf8());
    }

    bool start()
    {
        desk = std::make_unique<OperatorDesk>(OperatorDesk::Platform{clock, beeper, port1, port2},
                                              home.path());
        if (desk->start().outcome != OperatorDesk::Outcome::Running)
            return false;
        return QTest::qWaitFor([this] { return desk->mainForm()->isVisible(); }, kWaitMs);
    }
    QStringList problems() const { return desk->station().screen().problems(); }
    QByteArray todaysJournal() const
    {
        return fileBytes(
            home.filePath(QStringLiteral("Data/") + Journal::fileName(QDate::currentDate())));
    }

    QTemporaryDir home;
    QString linkPath;
    modsim::ModuleSimulator sim;
    modsim::PtyLink link;
    SystemClock clock;
    CountingBeeper beeper;
    SerialPortLine port1;
    SerialPortLine port2;
    std::unique_ptr<OperatorDesk> desk;
};

} // namespace

class TestMqttDesk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(!MosquittoBroker::program(QStringLiteral("mosquitto")).isEmpty(),
                 "mosquitto is missing: scripts/ensure-deps.sh installs it");
    }

    // Without mqtt.ini the panel opens no socket at all, and runs as always.
    void noMqttIniNoSocket()
    {
        FeedDesk rig;
        const int before = openSockets();
        QVERIFY(rig.start());
        QVERIFY(rig.desk->broker() == nullptr);
        QVERIFY(rig.desk->station().publisher() == nullptr);
        QVERIFY(rig.sim.violate(2, 7));
        QTRY_COMPARE_WITH_TIMEOUT(rig.desk->station().alarms().count(), 1, kWaitMs);
        QCOMPARE(openSockets(), before);
        QVERIFY(rig.problems().isEmpty());
    }

    // A receiving centre that cannot be reached is said on the main window
    // while it lasts; the panel goes on, and what it archived meanwhile
    // arrives once a receiver listens.
    void receivingCentreDownShown()
    {
        FeedDesk rig;
        const int port = MosquittoBroker::freePort();
        QFile ini(rig.home.filePath(QStringLiteral("dc09.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[receiver]\nhost=127.0.0.1\nport=%1\n[link]\nsupervision=0\n"
                                 "timeout=1\n")
                      .arg(port)
                      .toUtf8());
        ini.close();
        QVERIFY(rig.start());
        QVERIFY(rig.sim.violate(3, 9));
        QTRY_COMPARE_WITH_TIMEOUT(rig.desk->station().alarms().count(), 1, kWaitMs);
        const auto* shown = rig.desk->mainForm()->findChild<QLabel*>(QStringLiteral("StatusLine"));
        QVERIFY(shown);
        const QString down = QStringLiteral("Приемният център 127.0.0.1:%1").arg(port);
        QTRY_VERIFY_WITH_TIMEOUT(shown->isVisible() && shown->text().contains(down), kWaitMs);
        if (const char* shot = getenv("ZELVAN_DC09_SCREENSHOT"))
            QVERIFY(rig.desk->mainForm()->grab().save(QString::fromLocal8Bit(shot)));
        StandInReceiver receiver;
        QVERIFY(receiver.listen(quint16(port)));
        // The modules' start-ups (on the station's account), then the violation.
        QTRY_VERIFY_WITH_TIMEOUT(!receiver.acknowledgedData.isEmpty()
                                     && receiver.acknowledgedData.back().startsWith("#03009|Nti"),
                                 kWaitMs);
        QVERIFY(receiver.acknowledgedData.front().startsWith("#0000|Nti"));
        QTRY_VERIFY_WITH_TIMEOUT(!shown->text().contains(down), kWaitMs);
    }

    // A password file others may read is refused: shown, and nothing opened.
    void openPasswordFileRefused()
    {
        FeedDesk rig;
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=1883\n"), QStringLiteral("644"));
        const int before = openSockets();
        QVERIFY(rig.start());
        QVERIFY(rig.desk->broker() == nullptr);
        QCOMPARE(openSockets(), before);
        QCOMPARE(rig.problems().size(), 1);
        QVERIFY2(rig.problems().first().contains(QStringLiteral("[broker] password_file")),
                 qPrintable(rig.problems().first()));
        QVERIFY(rig.problems().first().contains(rig.home.filePath(QStringLiteral("mqtt.ini"))));
    }

    // Nobody listens: the problem list says so while it lasts, the panel goes
    // on; once a broker is there the line goes and the records come.
    void unreachableBrokerShown()
    {
        FeedDesk rig;
        MosquittoBroker broker(rig.home.path());
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QVERIFY(broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")));
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\n").arg(broker.port()));
        QVERIFY(rig.start());
        QVERIFY(rig.desk->broker() != nullptr);
        const QString down = feed_texts::brokerDown().arg(
            QStringLiteral("127.0.0.1:%1").arg(broker.port()), QString());
        const QString shownPrefix = down.left(down.indexOf(QLatin1Char('(')));
        QTRY_VERIFY_WITH_TIMEOUT(
            !rig.problems().isEmpty() && rig.problems().first().startsWith(shownPrefix), kWaitMs);
        QVERIFY(rig.sim.violate(3, 9));
        QTRY_COMPARE_WITH_TIMEOUT(rig.desk->station().alarms().count(), 1, kWaitMs);
        QCOMPARE(rig.problems().size(), 1);

        MqttSubscriber events(broker.port(), QStringLiteral("watcher"),
                              QStringLiteral("watcher-pass"), {kPrefix + QStringLiteral("/event")},
                              QStringLiteral("desk-events"));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        QVERIFY(events.start());
        QTRY_VERIFY_WITH_TIMEOUT(rig.problems().isEmpty(), 3 * MosquittoLink::kLastPauseMs);
        // The violation made while the broker was away arrives now.
        QTRY_VERIFY_WITH_TIMEOUT(received(events, "\"record\":\"0265"), kWaitMs);
    }

    // The journal goes out on <prefix>/journal, line by line, also what was
    // journaled while the broker was down.
    void journalPublishedThroughAnOutage()
    {
        FeedDesk rig;
        MosquittoBroker broker(rig.home.path());
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QVERIFY(broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        MqttSubscriber journal(broker.port(), QStringLiteral("watcher"),
                               QStringLiteral("watcher-pass"),
                               {kPrefix + QStringLiteral("/journal")}, QStringLiteral("journal"));
        QVERIFY(journal.start());
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\n").arg(broker.port()));
        QVERIFY(rig.start());
        QTRY_VERIFY_WITH_TIMEOUT(received(journal, "\"action\":\"start\""), kWaitMs);
        QVERIFY(received(journal, "\"line\":1,"));

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.desk->broker()->isConnected(), kWaitMs);
        QTest::mouseClick(rig.desk->mainForm()->objectButton(4), Qt::LeftButton);
        QVERIFY2(broker.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(received(journal, "\"action\":\"take\""), 3 * kWaitMs);
        QVERIFY(received(journal, "\"detail\":\"grid\""));
        QVERIFY(received(journal, "\"object\":5,"));
        QVERIFY(received(journal, "\"operator\":\"-\""));

        // Each line carries its sequence and chain value as the file holds them.
        const QList<QByteArray> got = journal.lines();
        const auto take = std::find_if(got.begin(), got.end(), [](const QByteArray& l) {
            return l.contains("\"action\":\"take\"");
        });
        const QJsonObject o = QJsonDocument::fromJson(*take).object();
        const QDir data(rig.home.filePath(QStringLiteral("Data")));
        const QString file = o.value(QStringLiteral("day")).toString() + QStringLiteral(".jrn");
        const QList<QByteArray> fields = fileBytes(data.filePath(file))
                                             .split('\n')
                                             .value(o.value("line").toInt() - 1)
                                             .split('\t');
        QCOMPARE(fields.size(), 8);
        QCOMPARE(o.value(QStringLiteral("seq")).toInteger(), fields[6].toLongLong());
        QCOMPARE(o.value(QStringLiteral("chain")).toString().toLatin1(), fields[7]);
        QCOMPARE(fields[7].size(), 64);
    }

    // Home Assistant's view through a real broker: the entities of every
    // installed object are made once and stay through a module falling
    // silent and a restart of the panel (no empty config, no emptied
    // state), no link reads lost before the supervision found it so, the
    // journal's exit line is on the broker before the panel has ended, and
    // a damaged day-file line arrives with its cp1251 letters.
    // A panel of a pair whose partner is active comes up without an
    // exchange of its own, knows the partner's states, refuses a take with
    // the active panel's name (journaled) and writes nothing to the line.
    void standbyRefusesWhatWouldWrite()
    {
        FeedDesk rig;
        MosquittoBroker broker(rig.home.path());
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        const auto partner = [&broker](const QString& topic, const QByteArray& payload) {
            return publishOnce(broker.port(), QStringLiteral("station"),
                               QStringLiteral("station-pass"),
                               QStringLiteral("desk/partner/") + topic, payload, true);
        };
        QVERIFY(partner(QStringLiteral("status"), "online"));
        QVERIFY(partner(QStringLiteral("role"), "active"));
        QVERIFY(partner(QStringLiteral("object/5/state"), "taken"));
        QByteArray written;
        connect(&rig.link, &modsim::PtyLink::received, this,
                [&written](const QByteArray& bytes) { written += bytes; });
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\n").arg(broker.port()),
                      QStringLiteral("600"), QStringLiteral("[pair]\npartner=desk/partner\n"));
        QVERIFY(rig.start());
        MainForm& main = *rig.desk->mainForm();
        QTRY_VERIFY_WITH_TIMEOUT(main.pairLine()->text().contains(QStringLiteral("desk/partner")),
                                 kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(rig.desk->station().state().ObjState[5], qint16(Taken), kWaitMs);
        QVERIFY(!main.pairButton()->isVisible());

        QLineEdit* entry = rig.desk->keypadForm()->entry();
        QTest::keyClicks(entry, QStringLiteral("-1-5"));
        QTest::keyClick(entry, Qt::Key_Return);
        QTRY_VERIFY(main.pairNotice()->isVisible());
        QVERIFY2(main.pairNotice()->text().contains(QStringLiteral("desk/partner")),
                 qPrintable(main.pairNotice()->text()));
        deskShot(&main, "pair-standby-refused.png");
        QVERIFY2(rig.todaysJournal().contains("refused"), "the refusal is journaled");
        // Two supervision ticks later: still nothing written.
        QSignalSpy ticks(&rig.desk->station().tickTimer(), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 3 * LinkSupervisor::kTickMs);
        QCOMPARE(written, QByteArray());
        QCOMPARE(rig.desk->station().pair()->role(), PairRoles::Role::Standby);
    }

    // Without the broker the standby never takes over by itself: it says
    // that there is no active panel, and takes the line at the operator's
    // confirmed word (journaled), then probes and starts the modules.
    void operatorTakesOverWithoutBroker()
    {
        FeedDesk rig;
        QByteArray written;
        connect(&rig.link, &modsim::PtyLink::received, this,
                [&written](const QByteArray& bytes) { written += bytes; });
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\n").arg(MosquittoBroker::freePort()),
                      QStringLiteral("600"), QStringLiteral("[pair]\npartner=desk/partner\n"));
        QVERIFY(rig.start());
        MainForm& main = *rig.desk->mainForm();
        QTRY_VERIFY_WITH_TIMEOUT(main.pairButton()->isVisible(), kWaitMs);
        QVERIFY(
            rig.desk->station().screen().problem().contains(QStringLiteral("Няма активен панел")));
        QCOMPARE(written, QByteArray());
        QString asked;
        rig.desk->setConfirm([&asked](QWidget*, const QString& question) {
            asked = question;
            return true;
        });
        QTest::mouseClick(main.pairButton(), Qt::LeftButton);
        QVERIFY(asked.contains(QStringLiteral("desk/partner")));
        QVERIFY(rig.desk->station().pair()->writes());
        QTRY_VERIFY_WITH_TIMEOUT(written.contains("}1Ver\r"), kWaitMs);
        QVERIFY(written.startsWith("}0\r"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.desk->station().state().ModuleStarted[1], kWaitMs);
        QVERIFY(main.pairLine()->text().startsWith(QStringLiteral("Активен: този панел")));
        deskShot(&main, "pair-taken-over.png");
        QVERIFY2(rig.todaysJournal().contains("take_over"), "the take-over is journaled");
    }

    void homeAssistantEntitiesStay()
    {
        FeedDesk rig;
        MosquittoBroker broker(rig.home.path());
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QVERIFY(broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        MqttSubscriber heard(broker.port(), QStringLiteral("watcher"),
                             QStringLiteral("watcher-pass"),
                             {QStringLiteral("homeassistant/#"), kPrefix + QStringLiteral("/#")},
                             QStringLiteral("home-assistant"), false,
                             {QStringLiteral("-F"), QStringLiteral("%t|%l|%p")});
        QVERIFY(heard.start());
        // A damaged line in today's day file, before the panel starts.
        const QDir data(rig.home.filePath(QStringLiteral("Data")));
        QVERIFY(data.mkpath(QStringLiteral(".")));
        QFile day(data.filePath(DayArchive::dayFileName(QDate::currentDate())));
        QVERIFY(day.open(QIODevice::WriteOnly));
        day.write("\xC0\xE1 \xF0\xE5\xE4\r\n");
        day.close();
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\n").arg(broker.port()),
                      QStringLiteral("600"), QStringLiteral("home_assistant=true\n"));

        // Topics heard with an empty payload, and the alarm panels announced.
        const auto emptied = [&heard] {
            QStringList out;
            for (const QByteArray& l : heard.lines()) {
                if (l.contains("|0|") && (l.contains("/object") || l.contains("object_")))
                    out << QString::fromUtf8(l);
            }
            return out;
        };
        const auto count = [&heard](const QByteArray& part) {
            qsizetype n = 0;
            for (const QByteArray& l : heard.lines())
                n += l.contains(part) && !l.contains("|0|") ? 1 : 0;
            return n;
        };
        const auto installed = [&rig] {
            const auto& s = rig.desk->station().state();
            return std::count_if(s.ObjInstalled.begin() + 1, s.ObjInstalled.end(),
                                 [](qint16 v) { return v != 0; });
        };

        QVERIFY(rig.start());
        const qsizetype objects = installed();
        QVERIFY(objects > 0);
        QTRY_COMPARE_WITH_TIMEOUT(count("homeassistant/alarm_control_panel/"), objects, kWaitMs);
        QCOMPARE(count("homeassistant/binary_sensor/desk_test/module_"), 8);
        QVERIFY(count("homeassistant/binary_sensor/desk_test/status/config") == 1);
        QVERIFY2(emptied().isEmpty(), qPrintable(emptied().join('\n')));
        QCOMPARE(count("/link|4|lost"), 0);

        // Module 3 falls silent: its link is lost, its objects stay.
        QVERIFY(rig.sim.silence(3));
        QTRY_VERIFY_WITH_TIMEOUT(count(kPrefix.toUtf8() + "/module/3/link|4|lost") == 1,
                                 3 * kWaitMs);
        QCoreApplication::processEvents();
        QVERIFY2(emptied().isEmpty(), qPrintable(emptied().join('\n')));

        // The end: the exit line is on the broker before the next start.
        rig.desk.reset();
        QTRY_VERIFY_WITH_TIMEOUT(count("\"action\":\"exit\"") == 1, 5000);

        // A restart announces again every object of the modules that answer,
        // and deletes none; the silent module's stay as they were.
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(count("homeassistant/alarm_control_panel/"),
                                  2 * objects - kObjectsPerModule, 3 * kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(count(kPrefix.toUtf8() + "/module/3/link|4|lost") == 2,
                                 3 * kWaitMs);
        QVERIFY2(emptied().isEmpty(), qPrintable(emptied().join('\n')));
        QCOMPARE(count("/link|4|lost"), 2);
        QVERIFY(count("\"record\":\"Аб ред\"") >= 1);
    }

    // TLS: the broker's certificate verified against the CA of mqtt.ini; a
    // broker whose certificate another CA signed is refused and shown.
    void tlsVerifiedAgainstTheCa_data()
    {
        QTest::addColumn<bool>("rightCa");
        QTest::addColumn<QByteArray>("names"); // the broker's certificate is for these
        const QByteArray loopback = "DNS:localhost,IP:127.0.0.1";
        QTest::newRow("the broker's CA") << true << loopback;
        QTest::newRow("another CA") << false << loopback;
        // The right CA, but a certificate for another host: refused as well.
        QTest::newRow("wrong host name") << true << QByteArray("DNS:broker.example");
    }
    void tlsVerifiedAgainstTheCa()
    {
        QFETCH(bool, rightCa);
        QFETCH(QByteArray, names);
        const bool verifies = rightCa && names.contains("127.0.0.1");
        FeedDesk rig;
        const QString dir = rig.home.path();
        QVERIFY(makeCertificates(dir, QStringLiteral("ca"), names));
        if (!rightCa) {
            // Another CA, whose certificate the station trusts instead.
            QVERIFY(run(QStringLiteral("openssl"),
                        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other.key",
                         "-out", "other.crt", "-days", "2", "-subj", "/CN=other"},
                        dir));
        }
        MosquittoBroker broker(dir);
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QVERIFY(broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")));
        broker.useTls(dir + "/ca.crt", dir + "/server.crt", dir + "/server.key");
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        MqttSubscriber events(broker.port(), QStringLiteral("watcher"),
                              QStringLiteral("watcher-pass"), {kPrefix + QStringLiteral("/event")},
                              QStringLiteral("tls-events"), true,
                              {QStringLiteral("--cafile"), dir + QStringLiteral("/ca.crt")});
        QVERIFY(events.start());
        rig.writeMqtt(QStringLiteral("host=127.0.0.1\nport=%1\ntls=true\nca_file=%2\n")
                          .arg(broker.port())
                          .arg(rightCa ? QStringLiteral("ca.crt") : QStringLiteral("other.crt")));
        QVERIFY(rig.start());
        if (verifies) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.desk->broker()->isConnected(), kWaitMs);
            QVERIFY(rig.problems().isEmpty());
            QVERIFY(rig.sim.violate(1, 5));
            QTRY_VERIFY_WITH_TIMEOUT(received(events, "\"record\":\"000565"), kWaitMs);
        } else {
            // The problem list names the broker and why it was not reached.
            QTRY_VERIFY_WITH_TIMEOUT(!rig.problems().isEmpty(), kWaitMs);
            QVERIFY2(rig.problems().join(' ').contains(
                         QStringLiteral("127.0.0.1:%1 ").arg(broker.port())),
                     qPrintable(rig.problems().join(' ')));
            QVERIFY(!rig.desk->broker()->isConnected());
        }
    }
};

QTEST_MAIN(TestMqttDesk)
#include "tst_mqtt_desk.moc"
