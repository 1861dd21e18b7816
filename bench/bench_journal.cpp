// A take through the panel's model, journaled (the journal's line appended
// and synced) against the same take unjournaled, in the same run, taken in
// turns so that both meet the same machine. Then the same with a journal that
// already holds a long day, so that its cost is seen not to grow with it.
//
//   build/bench/bench_journal [--quick] [takes]
#include "Verdict.h"

#include "journal/Journal.h"
#include "journal/LoginHolds.h"
#include "journal/OperatorSession.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <vector>

using namespace zelvan;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double timedTake(MainPanelModel& panel, int i)
{
    QElapsedTimer t;
    t.start();
    panel.PressObjectButton(i % 64, MainPanelModel::LeftButton, MainPanelModel::NoModifier);
    panel.ReleaseObjectButton();
    return double(t.nsecsElapsed()) / 1e6;
}

struct Medians
{
    double journaled = 0;
    double plain = 0;
};

Medians measure(MainPanelModel& panel, OperatorSession& session, int takes)
{
    std::vector<double> journaled;
    std::vector<double> plain;
    for (int i = 0; i < takes; ++i) {
        panel.setOperatorActions(&session);
        journaled.push_back(timedTake(panel, i));
        panel.setOperatorActions(nullptr);
        plain.push_back(timedTake(panel, i));
    }
    return {median(journaled), median(plain)};
}

} // namespace

int main(int argc, char** argv)
{
    bench::Verdict verdict(argc, argv);
    QCoreApplication app(argc, argv);
    const int takes = argc > 1 ? std::max(10, atoi(argv[1])) : (verdict.quick() ? 300 : 2000);
    constexpr int kHistoryLines = 200000;

    test::EngineFixture f;
    MainPanelModel panel(f.state, f.files, f.grid, f.commands, f.archive, f.clock);
    panel.SelectPage(0);
    Journal journal(f.state.DataDir, f.clock);
    LoginHolds holds(f.state.DataDir);
    OperatorSession session(journal, f.clock, holds, 0);
    session.setOperators({});

    const Medians fresh = measure(panel, session, takes);
    // A long day before the next takes: the same file, kHistoryLines more lines.
    {
        QFile file(journal.path(f.clock.now().date()));
        if (!file.open(QIODevice::Append))
            return 2;
        const QByteArray line = "2026-12-07T12:00:00\tana\ttake\t5\t1\tgrid\n";
        QByteArray block;
        for (int i = 0; i < 1000; ++i)
            block += line;
        for (int i = 0; i < kHistoryLines / 1000; ++i)
            file.write(block);
    }
    const Medians late = measure(panel, session, takes);
    f.takeWritten(1);

    const double extra = fresh.journaled - fresh.plain;
    std::printf("takes: %d journaled and %d unjournaled, in turns, data directory %s\n", takes,
                takes, qPrintable(f.state.DataDir));
    std::printf("median take: journaled %.3f ms, unjournaled %.3f ms: %.3f ms more (target under "
                "1 ms): %s\n",
                fresh.journaled, fresh.plain, extra, verdict.timed(extra < 1.0));
    const double ratio = late.journaled > 0 ? fresh.journaled / late.journaled : 0;
    std::printf("median journaled take with %d lines journaled before: %.3f ms; first against "
                "then %.2f (target at least 0.8): %s\n",
                kHistoryLines, late.journaled, ratio, verdict.timed(ratio >= 0.8));
    return verdict.exitCode();
}
