// Any bytes as a day file: the record parser, the streaming reader and the
// archive report over it.
#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"
#include "menu/ArchiveReport.h"
#include "menu/ReportPeriod.h"
#include "menu/ReportRequest.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_dayfile";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    static StationState state = [] {
        StationState s;
        s.DataDir = dir.path();
        s.fillMonthNames();
        return s;
    }();
    static ObjectFiles files(dir.path());
    static bool created = files.createMissing();
    Q_UNUSED(created);

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& line : bytes.split('\n'))
        parseDayRecord(line);

    const QDate day(2024, 2, 29);
    const QString path = dir.path() + QLatin1Char('/') + DayArchive::dayFileName(day);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
    }
    DayFileReader reader(path);
    if (reader.open()) {
        DayRecord r;
        while (reader.next(r))
            r.timeText();
        reader.close();
    }

    ReportPeriod period(day);
    ReportRequest request;
    static const QStringList entries =
        ReportRequest::buildEntries(state, [](int) { return QString(); });
    request.setEntries(entries);
    request.setModuleSelected(0, true);
    request.setModuleSelected(2, true);
    request.Check8 = request.Check9 = request.Check10 = request.Check13 = true;
    ArchiveReport report(state, files);
    report.build(period, request);
    return 0;
}
