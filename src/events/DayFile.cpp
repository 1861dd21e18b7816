#include "events/DayFile.h"

#include "core/Addressing.h"
#include "core/NumericText.h"

#include <QTime>

namespace zelvan {

namespace {

constexpr int kRecordLength = 12;
constexpr int kSecondsPerDay = 86400;
// Longest line the reader looks at; the rest of a longer line is skipped.
constexpr qint64 kLineBuffer = 64;

int number(QByteArrayView s)
{
    int v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.chop(1);
    return line;
}

} // namespace

// The time of day of the record to the nearest second. A fraction stored in
// millionths is within 0.0432 s of the moment written, so rounding (rather
// than cutting) shows a record written on a whole second at that second. The
// last record of a day never reads as midnight.
int DayRecord::secondOfDay() const
{
    const qint64 seconds = (qint64(fraction) * kSecondsPerDay + 500000) / 1000000;
    return int(qMin<qint64>(seconds, kSecondsPerDay - 1));
}

QString DayRecord::timeText() const
{
    return QTime(0, 0).addSecs(secondOfDay()).toString(QStringLiteral("HH:mm:ss"));
}

std::optional<DayRecord> parseDayRecord(QByteArrayView line)
{
    line = withoutLineEnd(line);
    if (line.size() < kRecordLength)
        return std::nullopt;
    for (qsizetype i = 0; i < kRecordLength; ++i) {
        if (!isDigit(line[i]))
            return std::nullopt;
    }
    DayRecord r;
    r.k = number(line.sliced(0, 4));
    r.letter = QChar(number(line.sliced(4, 2)));
    r.fraction = number(line.sliced(6, 6));
    if ((r.letter == QLatin1Char('S') || r.letter == QLatin1Char('V'))
        && line.size() > kRecordLength && isDigit(line[kRecordLength]))
        r.module = line[kRecordLength] - '0';
    return r;
}

bool isObjectLetter(QChar c) { return QStringView(u"POARBNF12345").contains(c); }

bool isModuleLetter(QChar c) { return c == QLatin1Char('S') || c == QLatin1Char('V'); }

bool isArchiveRecord(const DayRecord& r)
{
    if (r.k == 0)
        return isModuleLetter(r.letter) && isModule(r.module);
    return isObject(r.k) && isObjectLetter(r.letter);
}

DayFileReader::DayFileReader(const QString& path) : m_file(path) {}

bool DayFileReader::exists() const { return m_file.exists(); }

bool DayFileReader::open()
{
    if (m_file.isOpen())
        return true;
    m_failed = !m_file.open(QIODevice::ReadOnly);
    return !m_failed;
}

bool DayFileReader::next(DayRecord& record)
{
    return m_file.isOpen() && readDayRecord(m_file, record, m_failed);
}

bool readDayRecord(QIODevice& device, DayRecord& record, bool& failed)
{
    char buffer[kLineBuffer + 1];
    while (true) {
        const qint64 n = device.readLine(buffer, sizeof buffer);
        if (n <= 0) {
            // The end and a failure look alike here; a file device tells them apart.
            const auto* file = qobject_cast<const QFileDevice*>(&device);
            failed = file != nullptr && file->error() != QFileDevice::NoError;
            return false;
        }
        // A line longer than the buffer: keep its start, skip its rest.
        if (buffer[n - 1] != '\n') {
            char c = 0;
            while (device.getChar(&c) && c != '\n') {
            }
        }
        if (auto parsed = parseDayRecord(QByteArrayView(buffer, n))) {
            record = *parsed;
            return true;
        }
    }
}

void DayFileReader::close() { m_file.close(); }

} // namespace zelvan
