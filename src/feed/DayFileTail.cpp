#include "feed/DayFileTail.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace zelvan {

QString DayFileTail::path(const QString& day) const
{
    return m_dataDir + QLatin1Char('/') + day + m_suffix;
}

std::vector<TailRecord> DayFileTail::read(const FeedPosition& from, qint64 limit, int maxRecords,
                                          QString* error) const
{
    std::vector<TailRecord> out;
    QFile f(path(from.day));
    const auto failed = [&f, error] {
        if (error)
            *error = f.fileName() + QStringLiteral(": ") + f.errorString();
        return std::vector<TailRecord>();
    };
    if (maxRecords <= 0)
        return out;
    if (!f.open(QIODevice::ReadOnly) || !f.seek(from.offset))
        return failed();
    const qint64 end = limit < 0 ? f.size() : qMin(limit, f.size());
    if (end <= from.offset)
        return out;
    // Enough for the batch's records; bytes past the limit are never read.
    const qint64 want = qMin(end - from.offset, qint64(maxRecords) * kBytesPerRecord + kMaxLine);
    const QByteArray buf = f.read(want);
    if (buf.isEmpty())
        return failed();
    FeedPosition at = from;
    qsizetype pos = 0;
    while (int(out.size()) < maxRecords) {
        const qsizetype lf = buf.indexOf('\n', pos);
        if (lf < 0)
            break; // the rest is not a whole line yet
        QByteArray text = buf.mid(pos, lf - pos);
        if (text.endsWith('\r'))
            text.chop(1);
        at.offset += lf + 1 - pos;
        ++at.line;
        out.push_back({text.left(kMaxLine), at});
        pos = lf + 1;
    }
    if (!out.empty() || buf.size() < want || buf.size() >= end - from.offset)
        return out;
    // One line longer than the whole read: skipped to its LF, kept cut short.
    qint64 used = buf.size();
    while (from.offset + used < end) {
        const QByteArray more = f.read(qMin<qint64>(end - from.offset - used, 65536));
        if (more.isEmpty())
            return failed();
        const qsizetype lf = more.indexOf('\n');
        if (lf >= 0) {
            at.offset = from.offset + used + lf + 1;
            ++at.line;
            out.push_back({buf.left(kMaxLine), at});
            return out;
        }
        used += more.size();
    }
    return out;
}

QStringList DayFileTail::days() const
{
    static const QRegularExpression form(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d$"));
    QStringList out;
    const QStringList names =
        QDir(m_dataDir).entryList({QLatin1Char('*') + m_suffix}, QDir::Files, QDir::Name);
    for (const QString& n : names) {
        if (n.size() == 8 + m_suffix.size() && form.match(n.left(8)).hasMatch())
            out.append(n.left(8));
    }
    return out;
}

QString DayFileTail::dayAfter(const QString& day) const
{
    for (const QString& d : days()) {
        if (d > day)
            return d;
    }
    return {};
}

QString DayFileTail::dayBefore(const QString& day) const
{
    QString last;
    for (const QString& d : days()) {
        if (d >= day)
            break;
        last = d;
    }
    return last;
}

QString DayFileTail::lastDayUpTo(const QString& day) const
{
    QString last;
    for (const QString& d : days()) {
        if (d <= day)
            last = d;
    }
    return last;
}

bool DayFileTail::startsLine(const FeedPosition& at) const
{
    if (at.offset == 0)
        return true;
    QFile f(path(at.day));
    char before = 0;
    return f.open(QIODevice::ReadOnly) && f.seek(at.offset - 1) && f.getChar(&before)
           && before == '\n';
}

} // namespace zelvan
