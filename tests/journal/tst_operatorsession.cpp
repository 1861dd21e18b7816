// Who may act at the panel: actions waiting for a log-in, what waits and for
// how long, wrong PINs and the holds they bring across restarts, operators
// files that cannot be used, operators removed while the panel runs.
#include "journal/Journal.h"
#include "journal/LoginHolds.h"
#include "journal/OperatorSession.h"
#include "journal/OperatorsFile.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

const QString kAna = QStringLiteral("ana");
const QString kPin = QStringLiteral("4711");
const QString kWrong = QStringLiteral("0000");

ActionRequest takeOf5()
{
    return {JournalAction::Take, 5, 1, QStringLiteral("Поемане на обект 1-005")};
}

} // namespace

class TestOperatorSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_hash = OperatorsFile::hashPin(kPin); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_unique<FakeClock>();
        m_journal = std::make_unique<Journal>(m_dir->path(), *m_clock);
        m_holds = std::make_unique<LoginHolds>(m_dir->path());
        QVERIFY(m_holds->load());
    }

    // With no operators nothing waits; with operators an action waits for a
    // good log-in, the latest one asked wins (the other is given up), a
    // cancel drops it, journaled.
    void actionsWaitForALogin()
    {
        int done = 0;
        OperatorSession open(*m_journal, *m_clock, *m_holds, 0);
        open.setOperators({});
        open.whenAllowed(takeOf5(), [&done] { ++done; });
        QCOMPARE(done, 1);

        OperatorSession& session = withAna();
        QSignalSpy asked(&session, &OperatorSession::loginRequested);
        session.whenAllowed(takeOf5(), [&done] { done += 10; });
        session.whenAllowed(
            {JournalAction::Release, 7, 1, QStringLiteral("Освобождаване на обект 1-007")},
            [&done] { done += 100; });
        QCOMPARE(asked.size(), 2);
        QCOMPARE(session.pendingText(), QStringLiteral("Освобождаване на обект 1-007"));
        QCOMPARE(done, 1);
        QCOMPARE(session.login(kAna, QStringLiteral("1234")), OperatorSession::Login::Wrong);
        QCOMPARE(done, 1);
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
        QCOMPARE(done, 101);
        session.whenAllowed(takeOf5(), [&done] { ++done; });
        QCOMPARE(done, 102);
        session.logout();
        session.whenAllowed(takeOf5(), [&done] { ++done; });
        session.cancelLogin();
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
        QCOMPARE(done, 102);
        const QList<JournalEntry> lines = m_journal->read(m_clock->now().date());
        QStringList givenUp;
        for (const JournalEntry& e : lines) {
            if (e.action == QStringLiteral("given_up"))
                givenUp << QStringLiteral("%1 %2").arg(e.object).arg(e.detail);
        }
        QCOMPARE(givenUp, (QStringList{QStringLiteral("5 take: another action asked"),
                                       QStringLiteral("5 take: log-in cancelled")}));
    }

    // What waits is given up after its time without a log-in, journaled; a
    // log-in after that runs nothing.
    void waitingActionIsGivenUpInTime()
    {
        OperatorSession& session = withAna();
        QSignalSpy dropped(&session, &OperatorSession::pendingDropped);
        int done = 0;
        session.whenAllowed(takeOf5(), [&done] { ++done; });
        m_clock->advanceMs((OperatorSession::kPendingSeconds - 1) * 1000);
        session.tick();
        QVERIFY(session.pending());
        m_clock->advanceMs(1000);
        session.tick();
        QVERIFY(!session.pending());
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
        QCOMPARE(done, 0);
        const QList<JournalEntry> lines = m_journal->read(m_clock->now().date());
        QCOMPARE(lines.first().action, QStringLiteral("given_up"));
        QCOMPARE(lines.first().object, 5);
        QCOMPARE(lines.first().detail, QStringLiteral("take: no log-in within 30 s"));
    }

    // Five wrong PINs in a row hold the name, even against the right PIN;
    // each hold is longer than the one before; the count survives a restart
    // (a new session over the same file); a good log-in clears it. The
    // journal says each one and never the PIN.
    void wrongPinsHoldTheNameAcrossRestarts()
    {
        const QList<int> minutes = {1, 5, 15, 60, 60};
        for (int hold = 0; hold < minutes.size(); ++hold) {
            // Every hold starts in a new run of the panel over the same files.
            LoginHolds holds(m_dir->path());
            QVERIFY(holds.load());
            OperatorSession session(*m_journal, *m_clock, holds, 0);
            session.setOperators(anaFile());
            for (int i = 1; i < OperatorSession::kMaxFailures; ++i)
                QCOMPARE(session.login(kAna, kWrong), OperatorSession::Login::Wrong);
            if (hold == 1) {
                // A restart between the fourth and the fifth wrong PIN.
                LoginHolds again(m_dir->path());
                QVERIFY(again.load());
                QCOMPARE(again.entry(kAna).failures, OperatorSession::kMaxFailures - 1);
            }
            QSignalSpy holdsChanged(&session, &OperatorSession::holdsChanged);
            QCOMPARE(session.login(kAna, kWrong), OperatorSession::Login::Held);
            QCOMPARE(holdsChanged.size(), 1);
            QVERIFY(session.holdsProblem().contains(kAna));
            QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Held);
            m_clock->advanceMs(qint64(minutes[hold]) * 60 * 1000 - 1000);
            LoginHolds restarted(m_dir->path());
            QVERIFY(restarted.load());
            QVERIFY(restarted.held(kAna, m_clock->now()));
            m_clock->advanceMs(1000);
            session.tick();
            QVERIFY(session.holdsProblem().isEmpty());
            QVERIFY(!restarted.held(kAna, m_clock->now()));
        }
        QFile file(LoginHolds(m_dir->path()).path());
        QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        {
            LoginHolds holds(m_dir->path());
            QVERIFY(holds.load());
            OperatorSession session(*m_journal, *m_clock, holds, 0);
            session.setOperators(anaFile());
            QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
            QCOMPARE(holds.entry(kAna).holds, 0);
        }
        int failed = 0;
        for (const JournalEntry& e : m_journal->read(m_clock->now().date())) {
            failed += e.action == QStringLiteral("login_failed");
            QVERIFY(!e.detail.contains(kWrong));
            QVERIFY(!e.detail.contains(kPin));
        }
        QCOMPARE(failed, int(minutes.size()) * (OperatorSession::kMaxFailures + 1));
    }

    void holdLengths_data()
    {
        QTest::addColumn<int>("hold");
        QTest::addColumn<int>("minutes");
        QTest::newRow("first") << 1 << 1;
        QTest::newRow("second") << 2 << 5;
        QTest::newRow("third") << 3 << 15;
        QTest::newRow("fourth") << 4 << 60;
        QTest::newRow("tenth") << 10 << 60;
        QTest::newRow("none") << 0 << 1;
    }
    void holdLengths()
    {
        QFETCH(int, hold);
        QFETCH(int, minutes);
        QCOMPARE(LoginHolds::holdMinutes(hold), minutes);
    }

    // An operators file that is there but cannot be used lets nobody in:
    // every action that waits for a log-in is refused with the reason and how
    // to mend it, journaled; one damaged line leaves the others usable. The
    // same while the holds cannot be read.
    void unusableFilesRefuseActions_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("mend");
        QTest::newRow("open to the group") << "0640" << true << "chmod 600";
        QTest::newRow("open to others") << "0604" << true << "chmod 600";
        QTest::newRow("a directory in its place") << "directory" << true << "--operator-list";
        QTest::newRow("no line readable") << "garbage" << true << "--operator-list";
        QTest::newRow("one line damaged") << "one bad line" << false << "";
        QTest::newRow("holds unreadable") << "holds directory" << true << "";
        QTest::newRow("holds damaged") << "holds garbage" << true << "";
    }
    void unusableFilesRefuseActions()
    {
        QFETCH(QString, damage);
        QFETCH(bool, refused);
        QFETCH(QString, mend);
        const QString path = OperatorsFile(m_dir->path()).path();
        const QByteArray good = kAna.toUtf8() + '\t' + m_hash + '\n';
        writeBytes(path, good);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QString holdsPath = LoginHolds(m_dir->path()).path();
        if (damage == QStringLiteral("0640"))
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        else if (damage == QStringLiteral("0604"))
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        else if (damage == QStringLiteral("directory"))
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        else if (damage == QStringLiteral("garbage"))
            writeBytes(path, "ana 4711\n");
        else if (damage == QStringLiteral("one bad line"))
            writeBytes(path, "bob\n" + good);
        else if (damage == QStringLiteral("holds directory"))
            QVERIFY(QDir().mkdir(holdsPath));
        else if (damage == QStringLiteral("holds garbage"))
            writeBytes(holdsPath, "ana\tmany\n");

        LoginHolds holds(m_dir->path());
        holds.load();
        OperatorSession session(*m_journal, *m_clock, holds, 0);
        const OperatorsFile::Read read = OperatorsFile(m_dir->path()).read();
        session.setOperators(read);
        QVERIFY(session.loginRequired());
        QSignalSpy said(&session, &OperatorSession::actionRefused);
        int done = 0;
        session.whenAllowed(takeOf5(), [&done] { ++done; });
        QCOMPARE(done, 0);
        QCOMPARE(said.size(), refused ? 1 : 0);
        QCOMPARE(session.refusal().isEmpty(), !refused);
        QCOMPARE(session.pending(), !refused);
        if (!refused) {
            QVERIFY(read.problem.contains(QStringLiteral(": 1 ")));
            QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
            QCOMPARE(done, 1);
            return;
        }
        const QString text = said.first().first().toString();
        QVERIFY2(text.contains(QStringLiteral("Поемане на обект 1-005")), qPrintable(text));
        QVERIFY2(text.contains(mend), qPrintable(text));
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Refused);
        QCOMPARE(done, 0);
        const QList<JournalEntry> lines = m_journal->read(m_clock->now().date());
        QCOMPARE(lines.first().action, QStringLiteral("refused"));
        QCOMPARE(lines.first().object, 5);
        QVERIFY(lines.first().detail.startsWith(QStringLiteral("take: ")));
    }

    // The running panel reads the operators file again: a removed operator
    // is logged out (journaled), a file that is gone leaves nobody able to
    // act, a file that comes back lets them again.
    void operatorsChangedWhileRunning()
    {
        OperatorSession& session = withAna();
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
        OperatorsFile::Read bob = anaFile();
        bob.operators.first().name = QStringLiteral("bob");
        session.setOperators(bob);
        QCOMPARE(session.current(), QString());
        const QList<JournalEntry> lines = m_journal->read(m_clock->now().date());
        QCOMPARE(lines.last().action, QStringLiteral("logout"));
        QCOMPARE(lines.last().operatorName, kAna);
        QCOMPARE(lines.last().detail, QStringLiteral("removed"));

        OperatorsFile::Read gone;
        gone.path = QStringLiteral("/x/operators");
        session.setOperators(gone);
        int done = 0;
        session.whenAllowed(takeOf5(), [&done] { ++done; });
        QCOMPARE(done, 0);
        QVERIFY(session.refusal().contains(QStringLiteral("/x/operators")));
        session.setOperators(anaFile());
        QVERIFY(session.refusal().isEmpty());
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
    }

    void idleOperatorIsLoggedOut()
    {
        OperatorSession session(*m_journal, *m_clock, *m_holds, 2);
        session.setOperators(anaFile());
        QCOMPARE(session.login(kAna, kPin), OperatorSession::Login::Accepted);
        m_clock->advanceMs(90 * 1000);
        session.whenAllowed(takeOf5(), [] {}); // an action keeps the operator logged in
        m_clock->advanceMs(90 * 1000);
        session.tick();
        QCOMPARE(session.current(), kAna);
        m_clock->advanceMs(30 * 1000);
        session.tick();
        QCOMPARE(session.current(), QString());
        const QList<JournalEntry> lines = m_journal->read(m_clock->now().date());
        QCOMPARE(lines.last().action, QStringLiteral("logout"));
        QCOMPARE(lines.last().operatorName, kAna);
        QCOMPARE(lines.last().detail, QStringLiteral("idle"));
    }

private:
    OperatorsFile::Read anaFile() const
    {
        OperatorsFile::Read read;
        read.exists = true;
        read.path = m_dir->filePath(OperatorsFile::fileName());
        read.operators = {{kAna, m_hash}};
        return read;
    }
    OperatorSession& withAna()
    {
        m_session = std::make_unique<OperatorSession>(*m_journal, *m_clock, *m_holds, 0);
        m_session->setOperators(anaFile());
        return *m_session;
    }

    QByteArray m_hash;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<LoginHolds> m_holds;
    std::unique_ptr<OperatorSession> m_session;
};

QTEST_GUILESS_MAIN(TestOperatorSession)
#include "tst_operatorsession.moc"
