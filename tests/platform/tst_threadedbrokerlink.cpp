// The broker link on its own thread, over a recording link made there: the
// inner link lives and works on the worker thread, the caller's sequence
// numbers come back with each acknowledgement or refusal, and a message handed
// over while the connection has just gone is not delivered. Then over the
// real client and a real broker: what a subscription brings.
#include "platform/MosquittoLink.h"
#include "platform/ThreadedBrokerLink.h"
#include "support/FakeBrokerLink.h"
#include "support/MosquittoBroker.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

using namespace zelvan;
using namespace zelvan::test;

namespace {

// The threaded link with its inner fake, which the test drives on its thread.
struct Rig
{
    Rig()
        : link([this] {
              auto inner = std::make_unique<FakeBrokerLink>();
              fake = inner.get();
              madeOn = QThread::currentThread();
              return inner;
          })
    {
        link.start();
    }

    // Runs f on the worker thread and waits for it.
    template <typename F> void onWorker(F f)
    {
        QTRY_VERIFY(fake.load() != nullptr);
        FakeBrokerLink* inner = fake;
        QMetaObject::invokeMethod(
            inner, [inner, f] { f(*inner); }, Qt::BlockingQueuedConnection);
    }

    std::atomic<FakeBrokerLink*> fake{nullptr};
    std::atomic<QThread*> madeOn{nullptr};
    ThreadedBrokerLink link;
};

constexpr int kBrokerWaitMs = 20000;

// One message received, as the table writes it.
QString heard(const QList<QVariant>& args)
{
    return QStringLiteral("%1 \"%2\" %3")
        .arg(args[0].toString(), QString::fromUtf8(args[1].toByteArray()),
             args[2].toBool() ? QStringLiteral("retained") : QStringLiteral("live"));
}

} // namespace

class TestThreadedBrokerLink : public QObject
{
    Q_OBJECT
private slots:
    void innerLinkLivesOnTheWorker()
    {
        Rig r;
        QTRY_VERIFY(r.madeOn.load() != nullptr);
        QVERIFY(r.madeOn.load() != QThread::currentThread());
        QCOMPARE(r.madeOn.load(), &r.link.thread());
        QCOMPARE(r.fake.load()->thread(), &r.link.thread());
    }

    void nothingSentWithoutAConnection()
    {
        Rig r;
        QCOMPARE(r.link.publish(QStringLiteral("t"), "x", false), 0);
    }

    // Acknowledgements come back in the caller's numbers, whatever ids the
    // inner link gave; a refusal too, with its reason.
    void sequenceNumbersComeBack_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("delivered") << false;
        QTest::newRow("refused") << true;
    }
    void sequenceNumbersComeBack()
    {
        QFETCH(bool, refuse);
        Rig r;
        // Ids of the inner link that are not the caller's numbers.
        r.onWorker([](FakeBrokerLink& f) {
            f.setConnected(true);
            f.publish(QStringLiteral("p/other"), "0", false);
        });
        QTRY_VERIFY(r.link.isConnected());
        QSignalSpy delivered(&r.link, &BrokerLink::delivered);
        QSignalSpy refused(&r.link, &BrokerLink::refused);
        const int a = r.link.publish(QStringLiteral("p/event"), "1", false);
        const int b = r.link.publish(QStringLiteral("p/event"), "2", false);
        QVERIFY(a > 0 && b > a);
        int waiting = 0;
        QTRY_VERIFY((r.onWorker([&waiting](FakeBrokerLink& f) { waiting = f.unacknowledged(); }),
                     waiting == 3));
        r.onWorker([refuse](FakeBrokerLink& f) {
            if (refuse)
                f.refuse(f.waitingEvents().constFirst(), QStringLiteral("Not authorized"));
            f.acknowledge();
        });
        if (refuse) {
            QTRY_COMPARE(refused.size(), 1);
            QCOMPARE(refused[0][0].toInt(), a);
            QCOMPARE(refused[0][1].toString(), QStringLiteral("Not authorized"));
            QTRY_COMPARE(delivered.size(), 1);
            QCOMPARE(delivered[0][0].toInt(), b);
        } else {
            QTRY_COMPARE(delivered.size(), 2);
            QCOMPARE(delivered[0][0].toInt(), a);
            QCOMPARE(delivered[1][0].toInt(), b);
        }
    }

    // The connection goes on the worker while the caller still believes it
    // there: what it hands over then is not sent, and it hears of the loss.
    void handedOverAfterTheLossIsNotSent()
    {
        Rig r;
        r.onWorker([](FakeBrokerLink& f) { f.setConnected(true); });
        QTRY_VERIFY(r.link.isConnected());
        QSignalSpy changes(&r.link, &BrokerLink::connectionChanged);
        r.onWorker([](FakeBrokerLink& f) { f.setConnected(false); });
        QVERIFY(r.link.isConnected()); // not heard yet
        QVERIFY(r.link.publish(QStringLiteral("p/event"), "late", false) > 0);
        QTRY_COMPARE(changes.size(), 1);
        QVERIFY(!r.link.isConnected());
        int sent = -1;
        r.onWorker([&sent](FakeBrokerLink& f) { sent = int(f.sent.size()); });
        QCOMPARE(sent, 0);
    }

    // A burst published in one turn reaches the inner link whole and in
    // order; what the worker hears in one turn comes back in its order, the
    // acknowledgements before the loss that followed them.
    void aBurstCrossesInOrder()
    {
        Rig r;
        r.onWorker([](FakeBrokerLink& f) { f.setConnected(true); });
        QTRY_VERIFY(r.link.isConnected());
        QSignalSpy delivered(&r.link, &BrokerLink::delivered);
        QList<int> seqs;
        for (int i = 0; i < 300; ++i)
            seqs.append(r.link.publish(QStringLiteral("p/event"), QByteArray::number(i), false));
        int waiting = 0;
        QTRY_VERIFY((r.onWorker([&waiting](FakeBrokerLink& f) { waiting = f.unacknowledged(); }),
                     waiting == 300));
        QList<QByteArray> payloads;
        r.onWorker([&payloads](FakeBrokerLink& f) {
            for (const FakeBrokerLink::Message& m : f.sent)
                payloads.append(m.payload);
            f.acknowledge();
            f.setConnected(false);
        });
        for (int i = 0; i < 300; ++i)
            QCOMPARE(payloads.value(i), QByteArray::number(i));
        QSignalSpy changes(&r.link, &BrokerLink::connectionChanged);
        QTRY_COMPARE(changes.size(), 1);
        // Every acknowledgement was announced before the loss.
        QCOMPARE(delivered.size(), 300);
        for (int i = 0; i < 300; ++i)
            QCOMPARE(delivered[i][0].toInt(), seqs[i]);
        QVERIFY(!r.link.isConnected());
    }

    void failuresComeBack()
    {
        Rig r;
        QSignalSpy failed(&r.link, &BrokerLink::failed);
        r.onWorker([](FakeBrokerLink& f) { f.fail(QStringLiteral("Lookup error.")); });
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), QStringLiteral("Lookup error."));
    }

    // The partner's retained status is on the broker before the link
    // subscribes to it and to the partner's object states (asked for before
    // the link starts): it comes marked retained, and again on subscribing
    // again and after the broker was stopped and started again (its database
    // keeps it, the link subscribes again by itself); what is published to a
    // subscription afterwards comes unmarked, an empty payload (a retained
    // value cleared) empty. Each row ends with a message published once all
    // before it had come: nothing else came in between.
    void subscriptionsOverARealBroker_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<QStringList>("expected");
        const QString status = QStringLiteral("pc2/status \"online\" retained");
        const QString end = QStringLiteral("pc2/object/99/state \"end\" live");
        QTest::newRow("retained before subscribing") << QString() << QStringList{status, end};
        QTest::newRow("published after subscribing")
            << QStringLiteral("publish")
            << QStringList{status, QStringLiteral("pc2/object/3/state \"taken\" live"), end};
        QTest::newRow("empty retained payload")
            << QStringLiteral("clear")
            << QStringList{status, QStringLiteral("pc2/object/3/state \"\" live"), end};
        QTest::newRow("subscribed again")
            << QStringLiteral("subscribe") << QStringList{status, status, end};
        QTest::newRow("broker started again")
            << QStringLiteral("restart") << QStringList{status, status, end};
    }
    void subscriptionsOverARealBroker()
    {
        QFETCH(QString, then);
        QFETCH(QStringList, expected);
        QVERIFY2(!MosquittoBroker::program(QStringLiteral("mosquitto")).isEmpty(),
                 "mosquitto is missing: scripts/ensure-deps.sh installs it");
        QTemporaryDir dir;
        MosquittoBroker broker(dir.path());
        const QString user = QStringLiteral("pc1");
        const QString password = QStringLiteral("pc1-pass");
        QVERIFY(broker.addUser(user, password));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        const auto publish = [&](const char* topic, const QByteArray& payload, bool retain) {
            return publishOnce(broker.port(), user, password, QString::fromUtf8(topic), payload,
                               retain);
        };
        QVERIFY(publish("pc2/status", "online", true));

        MosquittoLink::Options o;
        o.host = QStringLiteral("127.0.0.1");
        o.port = broker.port();
        o.username = user;
        o.password = password.toUtf8();
        o.clientId = user;
        ThreadedBrokerLink link([o] { return std::make_unique<MosquittoLink>(o); });
        QSignalSpy received(&link, &BrokerLink::received);
        // The status last: once its retained value is here, both subscriptions are.
        link.subscribe(QStringLiteral("pc2/object/+/state"));
        link.subscribe(QStringLiteral("pc2/status"));
        link.start();
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, kBrokerWaitMs);

        if (then == QLatin1String("publish")) {
            QVERIFY(publish("pc2/object/3/state", "taken", false));
        } else if (then == QLatin1String("clear")) {
            QVERIFY(publish("pc2/object/3/state", "", true));
        } else if (then == QLatin1String("subscribe")) {
            link.subscribe(QStringLiteral("pc2/status"));
        } else if (then == QLatin1String("restart")) {
            broker.stop();
            QTRY_VERIFY_WITH_TIMEOUT(!link.isConnected(), kBrokerWaitMs);
            QVERIFY2(broker.start(&error), qPrintable(error));
        }
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), expected.size() - 1, kBrokerWaitMs);
        QVERIFY(publish("pc2/object/99/state", "end", false));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), expected.size(), kBrokerWaitMs);
        QStringList got;
        for (const QList<QVariant>& args : std::as_const(received))
            got.append(heard(args));
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestThreadedBrokerLink)
#include "tst_threadedbrokerlink.moc"
