#include "journal/Journal.h"

#include "core/Clock.h"
#include "core/Logging.h"
#include "journal/JournalTexts.h"

#include <QFile>
#include <QFileInfo>

namespace zelvan {

namespace {

// The few last lines of a day file: enough to find the last whole line that
// carries a chain value, whatever was torn after it.
constexpr int kTailLines = 4;
constexpr qint64 kTailChunk = 4096;

struct FileTail
{
    QString error;
    QList<QByteArray> whole; // the last whole lines, oldest first
    QByteArray torn;         // what follows the last LF
};

// Reads the end of a file, never the whole of a long one: the cost does not
// grow with the lines of the day.
FileTail readFileTail(const QString& path)
{
    FileTail tail;
    QFile file(path);
    if (!file.exists())
        return tail;
    if (!file.open(QIODevice::ReadOnly)) {
        tail.error = path + QStringLiteral(": ") + file.errorString();
        return tail;
    }
    const qint64 size = file.size();
    QByteArray bytes;
    qint64 from = size;
    for (qint64 chunk = kTailChunk;; chunk *= 2) {
        from = qMax<qint64>(0, size - chunk);
        if (!file.seek(from)) {
            tail.error = path + QStringLiteral(": ") + file.errorString();
            return tail;
        }
        bytes = file.read(size - from);
        if (file.error() != QFileDevice::NoError) {
            tail.error = path + QStringLiteral(": ") + file.errorString();
            return tail;
        }
        if (from == 0 || bytes.count('\n') > kTailLines)
            break;
    }
    QList<QByteArray> parts = bytes.split('\n');
    tail.torn = parts.takeLast();
    if (from > 0 && !parts.isEmpty())
        parts.removeFirst(); // the end of a line that begins before what was read
    for (const QByteArray& part : parts) {
        if (!part.isEmpty())
            tail.whole.append(part);
    }
    return tail;
}

} // namespace

Journal::Journal(QString dataDir, const Clock& clock, FileSync sync, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)), m_clock(clock), m_sync(std::move(sync))
{
}

QString Journal::fileName(const QDate& day) { return dayName(day) + QStringLiteral(".jrn"); }

QString Journal::dayName(const QDate& day) { return day.toString(QStringLiteral("yy-MM-dd")); }

QString Journal::path(const QDate& day) const
{
    return m_dataDir + QLatin1Char('/') + fileName(day);
}

bool Journal::write(const QString& operatorName, JournalAction action, int object, int module,
                    const QString& detail)
{
    JournalEntry e;
    e.time = m_clock.now();
    e.operatorName = operatorName.isEmpty() ? QStringLiteral("-") : operatorName;
    e.action = journalActionName(action);
    e.object = object;
    e.module = module;
    e.detail = detail;
    push({e.time.date(), e});
    return flush();
}

// Memory stays bounded: past kMaxWaiting the oldest line goes, and the line
// at the front counts the lines gone (the time of the last of them), so the
// file says how many are missing where they were.
void Journal::push(Waiting waiting)
{
    if (m_waiting.size() >= size_t(kMaxWaiting)) {
        const QString dropped = journalActionName(JournalAction::JournalDropped);
        if (m_waiting.front().entry.action == dropped && m_waiting.front().entry.sequence < 0) {
            if (m_waiting.size() > 1) {
                const Waiting gone = m_waiting[1];
                m_waiting.erase(m_waiting.begin() + 1); // references into the deque end here
                Waiting& count = m_waiting.front();
                count.day = gone.day;
                count.entry.time = gone.entry.time;
                count.entry.detail = QString::number(count.entry.detail.toLongLong() + 1);
            }
        } else {
            const Waiting gone = m_waiting.front();
            m_waiting.pop_front();
            JournalEntry count;
            count.time = gone.entry.time;
            count.operatorName = QStringLiteral("-");
            count.action = dropped;
            count.detail = QStringLiteral("1");
            count.sequence = -1; // marks the count while it waits
            m_waiting.push_front({gone.day, count});
        }
        ++m_dropped;
    }
    m_waiting.push_back(std::move(waiting));
}

bool Journal::retry() { return m_waiting.empty() || flush(); }

bool Journal::loadTail(const QDate& day, QString* error)
{
    const FileTail file = readFileTail(path(day));
    if (!file.error.isEmpty()) {
        *error = file.error;
        return false;
    }
    Tail tail{day, 0, JournalVerifier::dayStart(dayName(day)), !file.torn.isEmpty()};
    // The chain goes on from the last whole line that has a chain value; a
    // day begun before the chain existed starts it afresh.
    for (auto it = file.whole.crbegin(); it != file.whole.crend(); ++it) {
        const QStringList f = JournalEntry::splitFields(*it);
        if (JournalEntry::isChained(f)) {
            const JournalEntry e = JournalEntry::parse(*it);
            tail.sequence = e.sequence;
            tail.chain = e.chain;
            break;
        }
    }
    m_tail = tail;
    return true;
}

// The waiting lines go out in order, all lines of one day in one append and
// one sync. Their sequences and chain values are given here, from the file's
// last whole line, which is read once per day file: a line written costs the
// same however long the day is.
bool Journal::flush()
{
    while (!m_waiting.empty()) {
        const QDate day = m_waiting.front().day;
        QString error;
        if ((!m_tail || m_tail->day != day) && !loadTail(day, &error)) {
            setFailing(true, journal_texts::notWritten().arg(error, QString::number(waiting())));
            return false;
        }
        Tail tail = *m_tail;
        // A line torn by a crash stays a line of its own.
        QByteArray batch = tail.needsLineEnd ? QByteArray("\n") : QByteArray();
        size_t n = 0;
        for (; n < m_waiting.size() && m_waiting[n].day == day; ++n) {
            JournalEntry e = m_waiting[n].entry;
            e.sequence = ++tail.sequence;
            e.chain = JournalVerifier::chainValue(m_key, tail.chain, e.head());
            tail.chain = e.chain;
            batch += e.line();
        }
        DurableFile file(path(day), m_sync);
        if (!file.append(batch)) {
            setFailing(true, journal_texts::notWritten().arg(file.errorString(),
                                                             QString::number(waiting())));
            return false;
        }
        tail.needsLineEnd = false;
        m_tail = tail;
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + qsizetype(n));
        emit appended(dayName(day));
    }
    if (!m_recoveryPath.isEmpty()) {
        // Every line of the last exit is in its day file now.
        QFile::remove(m_recoveryPath);
        m_recoveryPath.clear();
    }
    setFailing(false, QString());
    return true;
}

void Journal::setFailing(bool failing, const QString& message)
{
    if (failing == m_failing && !failing)
        return;
    if (failing && !m_failing)
        qCWarning(lcApp).noquote() << "journal not written:" << message;
    m_failing = failing;
    emit failureChanged(failing, message);
}

bool Journal::recover(const QString& path)
{
    m_recoveryError.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_recoveryError = journal_texts::recoveryUnreadable().arg(path, file.errorString());
        return false;
    }
    std::deque<Waiting> recovered;
    for (const QByteArray& line : bytes.split('\n')) {
        JournalEntry e = JournalEntry::parse(line);
        if (!e.time.isValid() || e.action.isEmpty())
            continue; // a line cut short by a crash while it was saved
        e.sequence = 0;
        e.chain.clear();
        recovered.push_back({e.time.date(), e});
    }
    qCInfo(lcApp).noquote() << recovered.size() << "journal lines recovered from" << path;
    m_waiting.insert(m_waiting.begin(), recovered.begin(), recovered.end());
    m_recoveryPath = path;
    flush();
    return true;
}

bool Journal::saveWaiting(const QString& path)
{
    if (flush())
        return true;
    QByteArray bytes;
    for (const Waiting& w : m_waiting) {
        JournalEntry e = w.entry;
        e.sequence = 0;
        bytes += e.line();
    }
    // Replaced whole: lines read from the file at start and still waiting are
    // among the waiting ones, in their place. A file that could not be read
    // is left as it is and the lines are added after it.
    DurableFile file(path, m_sync);
    const bool saved = m_recoveryError.isEmpty() ? file.replace(bytes) : file.append(bytes);
    if (!saved)
        qCCritical(lcApp).noquote()
            << m_waiting.size() << "journal lines lost:" << file.errorString();
    return saved;
}

// Only the newest day file is read, and of it only its end: the start costs
// the same after years of journal.
void Journal::noteUncleanEnd()
{
    QDateTime last;
    if (!m_waiting.empty()) {
        const JournalEntry& e = m_waiting.back().entry;
        if (e.action == journalActionName(JournalAction::Exit))
            return;
        last = e.time;
    } else {
        const QDate today = m_clock.now().date();
        bool found = false;
        for (int back = 0; back <= kLookBackDays && !found; ++back) {
            const QString file = path(today.addDays(-back));
            if (!QFileInfo::exists(file))
                continue;
            const FileTail tail = readFileTail(file);
            if (!tail.error.isEmpty())
                return; // the journal's own failure says why
            if (tail.whole.isEmpty() && tail.torn.isEmpty())
                continue;
            found = true;
            if (!tail.torn.isEmpty())
                last = JournalEntry::parse(tail.torn).time;
            if (!last.isValid() && !tail.whole.isEmpty()) {
                const JournalEntry e = JournalEntry::parse(tail.whole.last());
                if (tail.torn.isEmpty() && e.action == journalActionName(JournalAction::Exit))
                    return;
                last = e.time;
            }
        }
        if (!found)
            return;
    }
    write(QString(), JournalAction::UncleanEnd, 0, 0, JournalEntry::timeText(last));
}

QList<JournalEntry> Journal::read(const QDate& day, QString* error,
                                  std::optional<JournalCheck>* check) const
{
    QList<JournalEntry> entries;
    QFile file(path(day));
    if (!file.exists())
        return entries;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return entries;
    }
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return entries;
    }
    for (QByteArrayView rest(all); !rest.isEmpty();) {
        qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (!line.trimmed().isEmpty())
            entries.append(JournalEntry::parse(line));
    }
    if (check && !m_key.isEmpty())
        *check = JournalVerifier(m_key).verify(all, dayName(day));
    return entries;
}

} // namespace zelvan
