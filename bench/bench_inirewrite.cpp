// Rewrites the options of zelvan.ini in a loop, alternating between two sets,
// as the menu window does each time it is left: the program that
// scripts/killloop-ini.sh kills at random moments. Prints the rewrites a
// second when stopped by a count.
//
//   build/bench/bench_inirewrite DIR [rewrites]      rewrite DIR/zelvan.ini (0: for ever)
//   build/bench/bench_inirewrite --expected DIR OUT  write the three files DIR/zelvan.ini may
//                                                    be (OUT/start.ini, a.ini, b.ini) and
//                                                    leave DIR/zelvan.ini as start.ini
#include "PanelOnPty.h"

#include "core/ZelvanIni.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace zelvan;

namespace {

struct OptionSet
{
    std::array<qint16, 6> options;
    PrinterFont font;
};

const OptionSet kA{{1, 1, 0, 1, 0, 0}, {QStringLiteral("DejaVu Sans"), 10, false, false}};
const OptionSet kB{{0, 0, 1, 0, 1, 1}, {QStringLiteral("DejaVu Sans Mono"), 12, true, true}};

bool save(const ZelvanIni& ini, const OptionSet& set)
{
    if (ini.SaveMenuOptions(set.options, set.font))
        return true;
    std::fprintf(stderr, "rewrite failed: %s\n", qPrintable(ini.errorString()));
    return false;
}

// The files hold the program directory (the data directory below it), so they
// are made in the directory the loop rewrites.
int expected(const QString& home, const QString& out)
{
    QDir().mkpath(out);
    const ZelvanIni ini(home);
    const auto copy = [&](const char* name) {
        QFile::remove(QDir(out).filePath(QLatin1String(name)));
        return QFile::copy(ini.path(), QDir(out).filePath(QLatin1String(name)));
    };
    return ini.WriteDefaultConfig() && copy("start.ini") && save(ini, kA) && copy("a.ini")
                   && save(ini, kB) && copy("b.ini") && ini.WriteDefaultConfig()
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--expected"))
        return expected(args[1], args[2]);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_inirewrite DIR [rewrites] | --expected DIR OUT\n");
        return 2;
    }
    const ZelvanIni ini(args[0]);
    if (!ini.exists() && !ini.WriteDefaultConfig())
        return 1;
    const long count = args.size() > 1 ? args[1].toLong() : 0;
    const double start = bench::monotonicSeconds();
    for (long i = 0; count == 0 || i < count; ++i) {
        if (!save(ini, i % 2 == 0 ? kA : kB))
            return 1;
    }
    const double seconds = bench::monotonicSeconds() - start;
    std::printf("%ld rewrites of zelvan.ini in %.2f s: %.0f a second (each synced: temporary file, "
                "rename, directory)\n",
                count, seconds, count / seconds);
    return 0;
}
