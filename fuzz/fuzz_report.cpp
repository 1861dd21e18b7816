// Any sequence of operator actions on the archive request tab: the six period
// spin buttons, clicks on the objects list, the module boxes, the four kind
// boxes and object names; then the report over a month of day files.
#include "FuzzSupport.h"
#include "core/ObjectFiles.h"
#include "events/DayArchive.h"
#include "report/ArchiveReport.h"
#include "report/ReportPeriod.h"
#include "report/ReportRequest.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdlib>

using namespace zelvan;
using fuzz::check;

namespace {

const QDate kToday(2024, 2, 15);

// A few day files of February 2024: object and module records of every kind,
// objects at the ends of the range, and lines a reader must skip.
void writeDayFiles(const QString& dataDir)
{
    const QByteArray records[] = {
        "000183250000"
        "1",
        "000186260000"
        "8",
        "000165300000",
        "000180310000",
        "013379320000",
        "102465330000",
        "102482340000",
        "051278350000",
        "051270360000",
        "051249370000",
        "051253380000",
        "051266390000",
        "999965400000",
        "0001XX410000",
        "12345",
        "",
        "000165999999",
        "000180000000",
        "0002654200001234",
        "000283000000"
        "9",
    };
    for (int day : {1, 2, 15, 28, 29}) {
        QFile f(dataDir + QLatin1Char('/') + DayArchive::dayFileName(QDate(2024, 2, day)));
        check(f.open(QIODevice::WriteOnly));
        for (const QByteArray& r : records)
            f.write(r + "\r\n");
    }
}

struct Rig
{
    QTemporaryDir dir;
    StationState state;
    ObjectFiles files{dir.path()};
    QStringList names;
    QStringList entries;

    Rig()
    {
        state.DataDir = dir.path();
        state.fillMonthNames();
        check(files.createMissing());
        writeDayFiles(dir.path());
        for (int k = 1; k <= kObjectCount; ++k)
            names.append(QString());
        entries = ReportRequest::buildEntries(state, [this](int k) { return names[k - 1]; });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static Rig rig;

    ReportPeriod period(kToday);
    ReportRequest request;
    QStringList names = rig.names;
    size_t i = 0;
    auto next = [&]() -> int { return i < size ? data[i++] : 0; };
    bool build = false;
    bool namesChanged = false;
    while (i < size) {
        const int op = next();
        switch (op % 20) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            period.spinDown(PeriodSpin(op % 20 + 1));
            break;
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
            period.spinUp(PeriodSpin(op % 20 - 5));
            break;
        case 12:
            period.swapHoursIfReversed();
            break;
        case 13: { // a click on an entry, also outside the list
            const int entry = (next() << 8 | next()) - 512;
            request.toggle(entry);
            break;
        }
        case 14: { // a module box, also outside 0..7
            const int box = next();
            request.setModuleSelected(box % 12 - 2, (box & 0x80) != 0);
            break;
        }
        case 15:
            request.clearSelection();
            break;
        case 16: {
            const int boxes = next();
            request.Check8 = boxes & 1;
            request.Check9 = boxes & 2;
            request.Check10 = boxes & 4;
            request.Check13 = boxes & 8;
            break;
        }
        case 17: { // a name for one object, cp1251 text of up to 40 bytes
            const int k = (next() << 8 | next()) % kObjectCount + 1;
            const int length = std::min<int>(next() % 41, int(size - i));
            QStringDecoder decode("windows-1251");
            names[k - 1] = decode(QByteArrayView(reinterpret_cast<const char*>(data + i), length));
            namesChanged = true;
            i += size_t(length);
            break;
        }
        case 18: { // the request tab opened again on another day
            const int year = 1990 + next() % 80;
            const int month = next() % 12 + 1;
            const int day = next() % ReportPeriod::monthLength(year, month) + 1;
            period.resetTo(QDate(year, month, day));
            break;
        }
        default:
            build = true;
            break;
        }
        // The spin rules keep the period inside one month, the days in order.
        check(period.ReportYear() >= ReportPeriod::kFirstYear);
        check(period.ReportMonth() >= 1 && period.ReportMonth() <= 12);
        check(period.FromDay() >= 1 && period.FromDay() <= period.ToDay());
        check(period.ToDay() <= period.monthLength());
        check(period.FromHour() >= 0 && period.FromHour() <= 24);
        check(period.ToHour() >= 0 && period.ToHour() <= 24);
        check(period.startFraction() >= 0 && period.endFraction() < 1000000);
    }
    // The entries are built again only when the input named an object.
    if (namesChanged)
        request.setEntries(
            ReportRequest::buildEntries(rig.state, [&](int k) { return names[k - 1]; }));
    else
        request.setEntries(rig.entries);
    for (int k : {1, 2, 133, 512, 1024})
        check(request.shortName(k).size() <= 8);
    period.labels(rig.state.MonthName);
    if (build) {
        ArchiveReport report(rig.state, rig.files);
        const ArchiveReportResult result = report.build(period, request);
        check(result.text.size() <= ArchiveReport::kLimit + 400);
        check(period.FromHour() <= period.ToHour() || period.FromDay() != period.ToDay());
    }
    return 0;
}
