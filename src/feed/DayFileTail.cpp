#include "feed/DayFileTail.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace zelvan {

QString DayFileTail::path(const QString& day) const
{
    return m_dataDir + QLatin1Char('/') + day + QStringLiteral(".dat");
}

std::vector<TailRecord> DayFileTail::read(const FeedPosition& from, qint64 limit,
                                          int maxRecords) const
{
    std::vector<TailRecord> out;
    QFile f(path(from.day));
    if (maxRecords <= 0 || !f.open(QIODevice::ReadOnly) || !f.seek(from.offset))
        return out;
    const qint64 end = limit < 0 ? f.size() : qMin(limit, f.size());
    if (end <= from.offset)
        return out;
    // Enough for the batch's records; bytes past the limit are never read.
    const qint64 want = qMin(end - from.offset, qint64(maxRecords) * kBytesPerRecord + kMaxLine);
    const QByteArray buf = f.read(want);
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
            return out;
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
    static const QRegularExpression form(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d\\.dat$"));
    QStringList out;
    const QStringList names =
        QDir(m_dataDir).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
    for (const QString& n : names) {
        if (form.match(n).hasMatch())
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

QString DayFileTail::lastDay() const
{
    const QStringList all = days();
    return all.isEmpty() ? QString() : all.last();
}

} // namespace zelvan
