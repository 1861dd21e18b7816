// The real program against the simulated hub on a pseudo-terminal, publishing
// to a real mosquitto broker, while the broker is stopped and started again
// twice and the program is killed with SIGKILL and started again once. At the
// end every line of the day files has reached the subscriber at least once,
// first in (day, line) order, with its exact text, and the retained object
// states are the modules' states.
//
// ZELVAN_MQTT_EVENTS sets the number of guard messages (default 4000; the
// full run of 20,000 is scripts/mqtt-outages.sh).
#include "modsim/ModuleSimulator.h"
#include "modsim/PtyLink.h"
#include "support/ModulesOnPty.h"
#include "support/MosquittoBroker.h"
#include "support/PanelProcess.h"
#include "support/StationIni.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <map>

using namespace zelvan;
using namespace zelvan::test;

namespace {

constexpr int kWaitMs = 60000;
const QString kPrefix = QStringLiteral("e2e/station");

} // namespace

class TestMqttOutages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_data;
    modsim::ModuleSimulator m_sim;
    modsim::PtyLink m_link;
    PanelProcess m_panel{m_home.path()};

    QStringList dayFiles() const { return test::dayFiles(m_data); }
    int recordCount() const
    {
        int n = 0;
        for (const QString& f : dayFiles())
            n += int(dayLines(m_data + QLatin1Char('/') + f).size());
        return n;
    }
    int startRecords() const
    {
        int n = 0;
        for (const QString& f : dayFiles()) {
            for (const QByteArray& l : dayLines(m_data + QLatin1Char('/') + f))
                n += l.size() == 13 && l.mid(4, 2) == "83" ? 1 : 0;
        }
        return n;
    }

    void startPanel() { QVERIFY2(m_panel.start(), qPrintable(PanelProcess::program())); }

    // Sends guard messages first..last-1: violations and releases in turns of
    // 1024, over all objects; waits until the panel has archived each one.
    void traffic(int first, int last)
    {
        const int before = recordCount();
        for (int i = first; i < last; ++i) {
            const int m = i % 8 + 1;
            const int n = i / 8 % 128 + 1;
            if (i / 1024 % 2 == 0)
                m_sim.violate(m, n);
            else
                m_sim.release(m, n);
        }
        QTRY_VERIFY_WITH_TIMEOUT(recordCount() >= before + (last - first), kWaitMs);
    }

private slots:
    void everyRecordArrivesThroughOutages()
    {
        const int total = qEnvironmentVariableIsSet("ZELVAN_MQTT_EVENTS")
                              ? qEnvironmentVariableIntValue("ZELVAN_MQTT_EVENTS")
                              : 4000;
        QVERIFY2(!MosquittoBroker::program(QStringLiteral("mosquitto")).isEmpty(),
                 "mosquitto is missing: scripts/ensure-deps.sh installs it");
        m_data = m_home.filePath(QStringLiteral("Data"));
        QString error;
        const QString linkPath = m_home.filePath(QStringLiteral("modules"));
        QVERIFY2(playModulesOnPty(m_sim, m_link, linkPath, &error), qPrintable(error));
        StationIniOptions station;
        station.dataDir = m_data;
        station.options = QStringList(6, QStringLiteral("0"));
        QVERIFY(writeStationIni(m_home.path(), linkPath, station));

        MosquittoBroker broker(m_home.path());
        QVERIFY(broker.addUser(QStringLiteral("station"), QStringLiteral("station-pass")));
        QVERIFY(broker.addUser(QStringLiteral("watcher"), QStringLiteral("watcher-pass")));
        QVERIFY2(broker.start(&error), qPrintable(error));

        QVERIFY(writeMqttIni(m_home.path(), broker.port(), QStringLiteral("station"),
                             QStringLiteral("station-pass"), kPrefix, 5));

        // The subscriber's session exists before the first record: a retained
        // probe tells when it has subscribed.
        MqttSubscriber events(broker.port(), QStringLiteral("watcher"),
                              QStringLiteral("watcher-pass"), {kPrefix + QStringLiteral("/event")},
                              QStringLiteral("e2e-events"));
        QVERIFY(events.start());
        QVERIFY(publishOnce(broker.port(), "watcher", "watcher-pass", kPrefix + "/event", "probe",
                            true));
        QTRY_VERIFY_WITH_TIMEOUT(events.lines().contains("probe"), kWaitMs);
        QVERIFY(
            publishOnce(broker.port(), "watcher", "watcher-pass", kPrefix + "/event", {}, true));

        startPanel();
        QTRY_VERIFY_WITH_TIMEOUT(startRecords() >= 8, kWaitMs);

        const int quarter = total / 4;
        traffic(0, quarter);
        QByteArray brokerLog;
        broker.stop();
        brokerLog += broker.log();
        traffic(quarter, quarter + quarter / 2);
        QVERIFY2(broker.start(&error), qPrintable(error));
        traffic(quarter + quarter / 2, 2 * quarter);
        broker.stop();
        brokerLog += broker.log();
        traffic(2 * quarter, 2 * quarter + quarter / 2);
        QVERIFY2(broker.start(&error), qPrintable(error));
        traffic(2 * quarter + quarter / 2, 3 * quarter);
        // The program dies at once, whatever it was doing.
        m_panel.signal(SIGKILL);
        QVERIFY(!m_panel.running());
        startPanel();
        QTRY_VERIFY_WITH_TIMEOUT(startRecords() >= 16, kWaitMs);
        traffic(3 * quarter, total);

        // Every line of every day file, by (day, line), as the files are now:
        // the panel may still be archiving what the modules said last.
        using Lines = std::map<std::pair<QString, int>, QByteArray>;
        const auto writtenNow = [this] {
            Lines w;
            for (const QString& f : dayFiles()) {
                const QByteArrayList lines = dayLines(m_data + QLatin1Char('/') + f);
                for (int i = 0; i < lines.size(); ++i)
                    w[{f.left(8), i + 1}] = lines[i];
            }
            return w;
        };
        Lines written = writtenNow();
        QVERIFY(int(written.size()) >= total + 16);
        const auto received = [&events] {
            std::map<std::pair<QString, int>, QByteArray> got;
            for (const QByteArray& l : events.lines()) {
                const QJsonObject o = QJsonDocument::fromJson(l).object();
                if (!o.isEmpty())
                    got.emplace(std::pair{o.value("day").toString(), o.value("line").toInt()},
                                o.value("record").toString().toLatin1());
            }
            return got;
        };
        // When the wait fails: what is missing, whether the subscriber still
        // runs, and what the broker said about dropping messages.
        const auto missingKeys = [&] {
            written = writtenNow();
            const auto got = received();
            QStringList missing;
            for (const auto& entry : written) {
                if (!got.contains(entry.first))
                    missing.append(entry.first.first + ':' + QString::number(entry.first.second));
            }
            return missing;
        };
        const auto diagnosis = [&] {
            const auto got = received();
            const QStringList missing = missingKeys();
            QByteArrayList dropped;
            for (const QByteArray& l : brokerLog.split('\n') + broker.log().split('\n')) {
                if (l.contains("dropped") || l.contains("e2e-events"))
                    dropped.append(l);
            }
            return QStringLiteral("%1 of %2 received; subscriber %3; missing (%4): %5\n"
                                  "broker:\n%6")
                .arg(got.size())
                .arg(written.size())
                .arg(events.process().state() == QProcess::Running ? "running" : "ended")
                .arg(missing.size())
                .arg(missing.mid(0, 40).join(' '), QString::fromUtf8(dropped.join('\n')));
        };
        QTRY_VERIFY2_WITH_TIMEOUT(missingKeys().isEmpty(), qPrintable(diagnosis()), kWaitMs);
        // `written` is now every line, each received; the files may have
        // grown since, never changed.
        const auto got = received();
        const Lines now = writtenNow();
        for (const auto& [key, text] : written) {
            const auto it = got.find(key);
            QVERIFY2(it != got.end(), qPrintable(key.first + ' ' + QString::number(key.second)));
            QCOMPARE(it->second, text);
        }
        // Nothing arrives that is not a line of the files.
        for (const auto& [key, text] : got) {
            const auto it = now.find(key);
            QVERIFY2(it != now.end(),
                     qPrintable(key.first + ' ' + QString::number(key.second) + " not written"));
            QCOMPARE(text, it->second);
        }
        // First arrivals in (day, line) order: a record may come again after
        // an outage, never before one that precedes it.
        std::pair<QString, int> last{QString(), 0};
        std::map<std::pair<QString, int>, bool> seen;
        for (const QByteArray& l : events.lines()) {
            const QJsonObject o = QJsonDocument::fromJson(l).object();
            if (o.isEmpty())
                continue;
            const std::pair<QString, int> key{o.value("day").toString(), o.value("line").toInt()};
            if (seen[key])
                continue;
            seen[key] = true;
            QVERIFY2(last < key, qPrintable(QStringLiteral("%1 %2 after %3 %4")
                                                .arg(key.first)
                                                .arg(key.second)
                                                .arg(last.first)
                                                .arg(last.second)));
            last = key;
        }

        // The retained states: one per installed object, the modules' own.
        int installed = 0;
        for (int m = 1; m <= 8; ++m)
            installed += m_sim.module(m).installedCount();
        const QMap<QString, QByteArray> retained = retainedMessages(
            broker.port(), "watcher", "watcher-pass",
            {kPrefix + "/object/+/state", kPrefix + "/status"}, kPrefix + "/end", "e2e-states");
        QCOMPARE(retained.size(), installed + 1);
        QCOMPARE(retained.value(kPrefix + "/status"), QByteArray("online"));
        for (int m = 1; m <= 8; ++m) {
            for (int n = 1; n <= 128; ++n) {
                if (!m_sim.module(m).installed(n))
                    continue;
                const char s = m_sim.module(m).object(n).state;
                const QByteArray want = s == 'A' ? "violated" : s == 'P' ? "taken" : "released";
                const int k = (m - 1) * 128 + n;
                QCOMPARE(retained.value(kPrefix + "/object/" + QString::number(k) + "/state"),
                         want);
            }
        }
        QVERIFY(m_panel.stop());
    }
};

QTEST_GUILESS_MAIN(TestMqttOutages)
#include "tst_mqtt_outages.moc"
