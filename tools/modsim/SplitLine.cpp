#include "modsim/SplitLine.h"

#include <algorithm>

namespace zelvan::modsim {

SplitLine::SplitLine(QObject* parent) : QObject(parent)
{
    m_ownClock.start();
    m_now = [this]() { return m_ownClock.elapsed(); };
    m_periodTimer.setSingleShot(true);
    m_periodTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_periodTimer, &QTimer::timeout, this, &SplitLine::checkPeriod);
    for (int s = 0; s < kSides; ++s)
        connect(&m_sides[s], &PtyLink::received, this,
                [this, s](const QByteArray& bytes) { take(s, bytes); });
}

SplitLine::~SplitLine() { close(); }

bool SplitLine::open(const QString& pathA, const QString& pathB, QString* error)
{
    close();
    m_paths[0] = pathA;
    m_paths[1] = pathB;
    if (!m_sides[0].open(pathA, error))
        return false;
    if (!m_sides[1].open(pathB, error)) {
        m_sides[0].close();
        return false;
    }
    return true;
}

void SplitLine::close()
{
    endPeriod();
    for (PtyLink& side : m_sides)
        side.close();
}

bool SplitLine::drop(int side)
{
    if (m_sides[side].linkPath().isEmpty())
        return false;
    m_sides[side].close();
    return true;
}

void SplitLine::setBaud(int baud)
{
    for (PtyLink& side : m_sides)
        side.setBaud(baud);
}

void SplitLine::write(const QByteArray& bytes)
{
    for (PtyLink& side : m_sides)
        side.write(bytes);
}

void SplitLine::take(int side, const QByteArray& bytes)
{
    const qint64 now = m_now();
    checkPeriod();
    if (!m_periodStart) {
        m_periodStart = now;
        armTimer(m_periodMs);
    }
    m_periodBytes[side] += static_cast<quint64>(bytes.size());
    m_written[side] += static_cast<quint64>(bytes.size());
    emit sideWrote(side, now, bytes);
    emit received(bytes);
}

void SplitLine::checkPeriod()
{
    if (!m_periodStart)
        return;
    const qint64 left = *m_periodStart + m_periodMs - m_now();
    if (left > 0) {
        if (!m_periodTimer.isActive())
            armTimer(left);
        return;
    }
    endPeriod();
}

void SplitLine::armTimer(qint64 ms)
{
    m_periodTimer.start(static_cast<int>(std::min<qint64>(ms, 1000000000)));
}

void SplitLine::endPeriod()
{
    m_periodTimer.stop();
    if (!m_periodStart)
        return;
    const qint64 start = *m_periodStart;
    const quint64 a = m_periodBytes[0];
    const quint64 b = m_periodBytes[1];
    m_periodStart.reset();
    m_periodBytes[0] = m_periodBytes[1] = 0;
    if (a > 0 && b > 0)
        emit bothWrote(start, a, b);
}

QStringList SplitLine::totals() const
{
    QStringList lines;
    for (int s = 0; s < kSides; ++s)
        lines << formatSplitTotal(s, m_paths[s], m_written[s]);
    return lines;
}

char sideLetter(int side) { return side == 0 ? 'A' : 'B'; }

std::optional<std::pair<QString, QString>> parseSplitPaths(const QString& text, QString* error)
{
    const QStringList paths = text.split(u',');
    QString why;
    if (paths.size() != 2 || paths[0].isEmpty() || paths[1].isEmpty())
        why = QStringLiteral("--split takes two paths, PATH_A,PATH_B");
    else if (paths[0] == paths[1])
        why = QStringLiteral("--split needs two different paths");
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return std::pair{paths[0], paths[1]};
}

QString formatSplitWrite(int side, const QString& path, qint64 atMs, const QByteArray& bytes)
{
    QString shown;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += QStringLiteral("\\r");
        else if (c == '\n')
            shown += QStringLiteral("\\n");
        else if (c == '\\')
            shown += QStringLiteral("\\\\");
        else if (u < 0x20 || u >= 0x7F)
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            shown += QLatin1Char(c);
    }
    return QStringLiteral("split %1 ms %2 ").arg(atMs).arg(QLatin1Char(sideLetter(side))) + path
           + QStringLiteral(" wrote %1: ").arg(bytes.size()) + shown;
}

QString formatBothWrote(qint64 periodStartMs, quint64 bytesA, quint64 bytesB)
{
    return QStringLiteral("both wrote: period from %1 ms, A %2 characters, B %3 characters")
        .arg(periodStartMs)
        .arg(bytesA)
        .arg(bytesB);
}

QString formatSplitTotal(int side, const QString& path, quint64 characters)
{
    return QStringLiteral("split %1 ").arg(QLatin1Char(sideLetter(side))) + path
           + QStringLiteral(" wrote %1 characters").arg(characters);
}

} // namespace zelvan::modsim
