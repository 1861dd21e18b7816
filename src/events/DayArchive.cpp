#include "events/DayArchive.h"

#include "core/Clock.h"
#include "core/Logging.h"
#include "core/StationState.h"
#include "events/ArchiveTexts.h"
#include "events/DayFile.h"

#include <QFile>

namespace zelvan {

namespace {

constexpr qint64 kMillionths = 1000000;

QByteArray digits(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

QByteArray letterCode(QChar letter) { return digits(letter.unicode(), 2); }

} // namespace

DayArchive::Batch::Batch(DayArchive* archive) : m_archive(archive)
{
    if (m_archive)
        ++m_archive->m_batchDepth;
}

DayArchive::Batch::~Batch()
{
    if (m_archive && --m_archive->m_batchDepth == 0)
        m_archive->flushPending();
}

DayArchive::DayArchive(QString dataDir, FileSync sync, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)), m_sync(std::move(sync))
{
}

QString DayArchive::dayFileName(const QDate& date)
{
    return date.toString(QStringLiteral("yy-MM-dd")) + QStringLiteral(".dat");
}

QString DayArchive::dayFilePath(const QDate& date) const
{
    return m_dataDir + QLatin1Char('/') + dayFileName(date);
}

// The elapsed part of the day in millionths, rounded to the nearest one
// (halves up). In the last 0.0432 s of a day that gives a whole day; the
// record keeps 999999 then, so its field stays six digits and the record
// stays timed at the end of its own day instead of reading as midnight.
QByteArray DayArchive::dayFraction(const QDateTime& t)
{
    const qint64 ms = t.time().msecsSinceStartOfDay();
    const qint64 millionths = qMin((ms * kMillionths + kMsPerDay / 2) / kMsPerDay, kMillionths - 1);
    return digits(millionths, 6);
}

QByteArray DayArchive::objectRecord(int k, QChar letter, const QDateTime& t)
{
    if (k < 1 || k > kObjectCount || !isObjectLetter(letter))
        return {};
    return digits(k, 4) + letterCode(letter) + dayFraction(t);
}

QByteArray DayArchive::moduleRecord(int m, QChar letter, const QDateTime& t)
{
    if (m < 1 || m > kModuleCount || !isModuleLetter(letter))
        return {};
    return QByteArrayLiteral("0000") + letterCode(letter) + dayFraction(t) + digits(m % 10, 1);
}

bool DayArchive::AppendDayRecord(int k, QChar letter, const QDateTime& at)
{
    // The event's one time gives both the file and the time in the record.
    const QByteArray line = objectRecord(k, letter, at);
    return !line.isEmpty() && append(at.date(), line);
}

bool DayArchive::appendModuleRecord(int m, QChar letter, const QDateTime& at)
{
    const QByteArray line = moduleRecord(m, letter, at);
    return !line.isEmpty() && append(at.date(), line);
}

bool DayArchive::append(const QDate& date, const QByteArray& line)
{
    m_pending.push_back({date, line});
    if (m_batchDepth > 0)
        return !m_failing;
    return flushPending();
}

bool DayArchive::flushPending()
{
    while (!m_pending.empty()) {
        // Consecutive records of one day go to their file in one access.
        const QDate date = m_pending.front().date;
        QByteArray batch;
        size_t count = 0;
        for (; count < m_pending.size() && m_pending[count].date == date; ++count)
            batch += m_pending[count].line + "\r\n";

        // Whole lines or nothing, synced: a write that fails part-way is cut
        // back to the old end of the file, so the retry never leaves half a
        // record in front of the full one. After a line torn by a power cut
        // the batch starts on a fresh line.
        DurableFile file(dayFilePath(date), m_sync);
        if (!file.appendLines(batch)) {
            m_lastError = archive_texts::writeFailed()
                              .arg(dayFilePath(date), file.reason())
                              .arg(m_pending.size());
            m_failing = true;
            emit failureChanged(true, m_lastError);
            return false;
        }
        if (file.syncRefused() && !m_syncRefusedReported) {
            m_syncRefusedReported = true;
            emit syncRefused(archive_texts::notSynced().arg(m_dataDir));
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + qsizetype(count));
        emit daySynced(date);
        emit synced(int(count));
    }
    if (!m_recoveryPath.isEmpty()) {
        // Every record of the last exit is in its day file now.
        QFile::remove(m_recoveryPath);
        m_recoveryPath.clear();
    }
    if (m_failing) {
        m_failing = false;
        m_lastError.clear();
        emit failureChanged(false, archive_texts::writeRecovered());
    }
    return true;
}

bool DayArchive::saveUnwritten(const QString& path)
{
    if (flushPending())
        return true;
    QByteArray bytes;
    for (const Pending& p : m_pending)
        bytes += p.date.toString(Qt::ISODate).toLatin1() + ' ' + p.line + "\r\n";
    // The file is replaced whole: records read from it at start and still
    // waiting are among the pending ones, in their place. A file that could
    // not be read is left as it is and the records are added after it.
    DurableFile file(path, m_sync);
    const bool saved = m_recoveryError.isEmpty() ? file.replace(bytes) : file.append(bytes);
    if (!saved)
        qCCritical(lcApp).noquote()
            << m_pending.size() << "day records lost:" << file.errorString();
    return saved;
}

bool DayArchive::recover(const QString& path)
{
    m_recoveryError.clear();
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        m_recoveryError = archive_texts::recoveryUnreadable().arg(path, f.errorString());
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        m_recoveryError = archive_texts::recoveryUnreadable().arg(path, f.errorString());
        return false;
    }
    std::deque<Pending> recovered;
    for (QByteArray line : bytes.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        const qsizetype blank = line.indexOf(' ');
        const QDate date = QDate::fromString(QString::fromLatin1(line.left(blank)), Qt::ISODate);
        if (blank < 0 || !date.isValid() || blank + 1 >= line.size())
            continue; // a line cut short by a crash while it was written
        recovered.push_back({date, line.mid(blank + 1)});
    }
    qCInfo(lcApp).noquote() << recovered.size() << "day records recovered from" << path;
    m_pending.insert(m_pending.begin(), recovered.begin(), recovered.end());
    m_recoveryPath = path;
    flushPending();
    return true;
}

} // namespace zelvan

#include "moc_DayArchive.cpp"
