#include "journal/Journal.h"

#include "core/Clock.h"
#include "core/Logging.h"
#include "journal/JournalTexts.h"

#include <QFile>

namespace zelvan {

Journal::Journal(QString dataDir, const Clock& clock, FileSync sync, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)), m_clock(clock), m_sync(std::move(sync))
{
}

QString Journal::fileName(const QDate& day)
{
    return day.toString(QStringLiteral("yy-MM-dd")) + QStringLiteral(".jrn");
}

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
    if (m_waiting.size() >= size_t(kMaxWaiting)) {
        m_waiting.pop_front();
        ++m_dropped;
    }
    m_waiting.push_back({e.time.date(), e.line()});
    return flush();
}

bool Journal::retry() { return m_waiting.empty() || flush(); }

// The waiting lines go out in order, all lines of one day in one append and
// one sync.
bool Journal::flush()
{
    while (!m_waiting.empty()) {
        const QDate day = m_waiting.front().day;
        QByteArray batch;
        size_t n = 0;
        while (n < m_waiting.size() && m_waiting[n].day == day)
            batch += m_waiting[n++].line;
        DurableFile file(path(day), m_sync);
        if (!file.append(batch)) {
            qCWarning(lcApp).noquote() << "journal not written:" << file.errorString();
            setFailing(true, journal_texts::notWritten().arg(file.errorString(),
                                                             QString::number(m_waiting.size())));
            return false;
        }
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + qsizetype(n));
        emit appended(day.toString(QStringLiteral("yy-MM-dd")));
    }
    setFailing(false, QString());
    return true;
}

void Journal::setFailing(bool failing, const QString& message)
{
    if (failing == m_failing && !failing)
        return;
    m_failing = failing;
    emit failureChanged(failing, message);
}

QList<JournalEntry> Journal::read(const QDate& day, QString* error) const
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
    return entries;
}

} // namespace zelvan
