// The broker link on its own thread, over a recording link made there: the
// inner link lives and works on the worker thread, the caller's sequence
// numbers come back with each acknowledgement or refusal, and a message handed
// over while the connection has just gone is not delivered.
#include "platform/ThreadedBrokerLink.h"
#include "support/FakeBrokerLink.h"

#include <QSignalSpy>
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
};

QTEST_GUILESS_MAIN(TestThreadedBrokerLink)
#include "tst_threadedbrokerlink.moc"
