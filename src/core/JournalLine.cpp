#include "core/JournalLine.h"

namespace zelvan {

namespace {

constexpr int kFieldCount = 6;
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

QStringList JournalEntry::fields() const
{
    return {time.toString(kTimeFormat), operatorName, action, QString::number(object),
            QString::number(module),    detail};
}

QByteArray JournalEntry::line() const
{
    QStringList f = fields();
    for (QString& field : f)
        field = oneLine(std::move(field));
    return f.join(QLatin1Char('\t')).toUtf8() + '\n';
}

QStringList JournalEntry::splitFields(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
    // A detail never holds a tab: anything after the sixth field belongs to it.
    while (f.size() > kFieldCount)
        f[kFieldCount - 1] += QLatin1Char(' ') + f.takeAt(kFieldCount);
    while (f.size() < kFieldCount)
        f.append(QString());
    return f;
}

JournalEntry JournalEntry::parse(QByteArrayView line)
{
    const QStringList f = splitFields(line);
    JournalEntry e;
    e.time = QDateTime::fromString(f[0], kTimeFormat);
    e.operatorName = f[1];
    e.action = f[2];
    e.object = f[3].toInt();
    e.module = f[4].toInt();
    e.detail = f[5];
    return e;
}

} // namespace zelvan
