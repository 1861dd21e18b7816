// Any bytes as a day file, in memory: each line through the record parser,
// the whole through the line reader the day-file reader uses, and each record
// through the report's kind rules. The file itself is fuzzed by fuzz_files.
#include "FuzzSupport.h"
#include "events/DayFile.h"
#include "report/ReportRequest.h"
#include "report/ReportWalker.h"

#include <QBuffer>

using namespace zelvan;
using fuzz::check;

namespace {

// What a parsed record may hold: four and two and six digits, a module digit.
void checkRecord(const DayRecord& r)
{
    check(r.k >= 0 && r.k <= 9999);
    check(r.letter.unicode() <= 99);
    check(r.fraction >= 0 && r.fraction <= 999999);
    check(r.module >= -1 && r.module <= 9);
    check(r.secondOfDay() >= 0 && r.secondOfDay() < 86400);
    check(r.timeText().size() == 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static const ReportRequest request = [] {
        ReportRequest r;
        r.Check8 = r.Check9 = r.Check10 = r.Check13 = true;
        return r;
    }();

    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    int parsed = 0;
    for (const QByteArray& line : bytes.split('\n')) {
        if (auto r = parseDayRecord(line)) {
            checkRecord(*r);
            ++parsed;
        }
    }

    QBuffer buffer(&bytes);
    check(buffer.open(QIODevice::ReadOnly));
    DayRecord r;
    bool failed = false;
    int read = 0;
    while (readDayRecord(buffer, r, failed)) {
        checkRecord(r);
        ReportWalker::reports(r, request);
        ++read;
    }
    check(!failed);
    // The reader looks at the start of a long line only, and a record's place
    // is its start: it finds the records the whole lines hold, no more, no fewer.
    check(read == parsed);
    return 0;
}
