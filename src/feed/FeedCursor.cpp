#include "feed/FeedCursor.h"

#include <QFile>
#include <QRegularExpression>

namespace zelvan {

FeedCursor::FeedCursor(QString path, FileSync sync)
    : m_path(std::move(path)), m_sync(std::move(sync))
{
}

std::optional<FeedPosition> FeedCursor::load() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromLatin1(f.readLine(256)).trimmed();
    static const QRegularExpression form(QStringLiteral("^(\\d\\d-\\d\\d-\\d\\d) (\\d+) (\\d+)$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool lineOk = false;
    bool offsetOk = false;
    FeedPosition p{m.captured(1), m.captured(2).toLongLong(&lineOk),
                   m.captured(3).toLongLong(&offsetOk)};
    if (!lineOk || !offsetOk)
        return std::nullopt;
    return p;
}

bool FeedCursor::save(const FeedPosition& position)
{
    const QByteArray line = position.day.toLatin1() + ' ' + QByteArray::number(position.line) + ' '
                            + QByteArray::number(position.offset) + '\n';
    DurableFile file(m_path, m_sync);
    if (file.replace(line)) {
        m_error.clear();
        return true;
    }
    m_error = file.errorString();
    return false;
}

} // namespace zelvan
