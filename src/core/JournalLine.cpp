#include "core/JournalLine.h"

namespace zelvan {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
constexpr qsizetype kChainHexLength = 64;

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

bool isHex(const QString& text)
{
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9'))
              || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

bool isSequence(const QString& text)
{
    bool ok = false;
    return !text.isEmpty() && text.front() != QLatin1Char('+') && text.toLongLong(&ok) > 0 && ok;
}

} // namespace

QString JournalEntry::timeText(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(kTimeFormat) + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
           + QStringLiteral("%1:%2")
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QStringList JournalEntry::fields() const
{
    return {timeText(time),          operatorName, action, QString::number(object),
            QString::number(module), detail};
}

QStringList JournalEntry::fileFields() const
{
    QStringList f = fields();
    if (sequence > 0)
        f << QString::number(sequence) << QString::fromLatin1(chain);
    return f;
}

QByteArray JournalEntry::head() const
{
    QStringList f = fields();
    for (QString& field : f)
        field = oneLine(std::move(field));
    QByteArray bytes = f.join(QLatin1Char('\t')).toUtf8();
    if (sequence > 0)
        bytes += '\t' + QByteArray::number(sequence);
    return bytes;
}

QByteArray JournalEntry::line() const
{
    QByteArray bytes = head();
    if (sequence > 0)
        bytes += '\t' + chain;
    return bytes + '\n';
}

bool JournalEntry::isChained(const QStringList& f)
{
    if (f.size() < kFields)
        return false;
    const QString& chain = f[f.size() - 1];
    return isSequence(f[f.size() - 2])
           && (chain.isEmpty() || (chain.size() == kChainHexLength && isHex(chain)));
}

QStringList JournalEntry::splitFields(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
    // A detail never holds a tab: fields past the sixth belong to it, except
    // a sequence and a chain at the end, or the sequence and the start of a
    // chain of a line torn while it was written.
    qsizetype keep = 0; // fields after the detail
    if (isChained(f))
        keep = 2;
    else if (f.size() > kActionFields && f.size() <= kFields && isSequence(f[kActionFields]))
        keep = f.size() - kActionFields;
    while (f.size() - keep > kActionFields)
        f[kActionFields - 1] += QLatin1Char(' ') + f.takeAt(kActionFields);
    while (f.size() < kFields)
        f.append(QString());
    return f;
}

JournalEntry JournalEntry::parse(QByteArrayView line)
{
    const QStringList f = splitFields(line);
    JournalEntry e;
    // Qt's ISO reading takes the offset when there is one, and local time
    // when there is none (lines written before the offset).
    e.time = QDateTime::fromString(f[0], Qt::ISODate);
    e.operatorName = f[1];
    e.action = f[2];
    e.object = f[3].toInt();
    e.module = f[4].toInt();
    e.detail = f[5];
    e.sequence = isSequence(f[6]) ? f[6].toLongLong() : 0;
    e.chain = e.sequence > 0 ? f[7].toLatin1() : QByteArray();
    return e;
}

} // namespace zelvan
