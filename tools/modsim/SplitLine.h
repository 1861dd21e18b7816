#pragma once

#include "modsim/PtyLink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>

namespace zelvan::modsim {

// One line served on two pseudo-terminals, for two panels (an active one and a
// standby) sharing the modules. Both terminals get everything the modules
// send, in the same order; what either panel writes goes to the modules as if
// it were on one line. Every write is told with its side and time, and so is
// every supervision period in which both sides wrote: a period begins with the
// first write after the previous one ended and lasts the panel's tick, so two
// panels that both supervise the line show up at their first ticks.
//
// The time is the caller's clock (the simulator's), in milliseconds.
class SplitLine : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSides = 2;
    static constexpr qint64 kDefaultPeriodMs = 10000; // the panel's supervision tick

    explicit SplitLine(QObject* parent = nullptr);
    ~SplitLine() override;

    bool open(const QString& pathA, const QString& pathB, QString* error);
    // Ends the period under way (telling it if both wrote) and closes both sides.
    void close();
    void setBaud(int baud);
    void setPeriodMs(qint64 ms) { m_periodMs = std::max<qint64>(1, ms); }
    qint64 periodMs() const { return m_periodMs; }
    void setClock(std::function<qint64()> nowMs) { m_now = std::move(nowMs); }

    // One side goes away for good: its pseudo-terminal is closed and its link
    // removed (the panel's port fails and cannot be opened again). False when
    // it is gone already.
    bool drop(int side);

    // To both sides (a side dropped gets nothing).
    void write(const QByteArray& bytes);
    const PtyLink& side(int side) const { return m_sides[side]; }
    // The path given to open() (kept after the side is closed).
    QString path(int side) const { return m_paths[side]; }
    quint64 written(int side) const { return m_written[side]; }
    quint64 dropped() const { return m_sides[0].dropped() + m_sides[1].dropped(); }

    // Ends the period under way when its time is over (a timer calls it too).
    void checkPeriod();
    // "split A PATH wrote N characters", one line per side.
    QStringList totals() const;

signals:
    // What either panel wrote, for the modules.
    void received(const QByteArray& bytes);
    void sideWrote(int side, qint64 atMs, const QByteArray& bytes);
    void bothWrote(qint64 periodStartMs, quint64 bytesA, quint64 bytesB);

private:
    void take(int side, const QByteArray& bytes);
    void endPeriod();
    void armTimer(qint64 ms); // capped to what QTimer takes

    PtyLink m_sides[kSides];
    QString m_paths[kSides];
    std::function<qint64()> m_now;
    QElapsedTimer m_ownClock;
    qint64 m_periodMs = kDefaultPeriodMs;
    std::optional<qint64> m_periodStart;
    quint64 m_periodBytes[kSides] = {};
    quint64 m_written[kSides] = {};
    QTimer m_periodTimer;
};

// 'A' or 'B'.
char sideLetter(int side);
// "a,b" -> the two paths; empty, single, more than two or equal paths -> error.
std::optional<std::pair<QString, QString>> parseSplitPaths(const QString& text, QString* error);
// "split 1250 ms A /tmp/a wrote 3: }1\r" (CR, LF and other controls escaped).
QString formatSplitWrite(int side, const QString& path, qint64 atMs, const QByteArray& bytes);
// "both wrote: period from 1250 ms, A 3 characters, B 6 characters".
QString formatBothWrote(qint64 periodStartMs, quint64 bytesA, quint64 bytesB);
// "split A /tmp/a wrote 0 characters".
QString formatSplitTotal(int side, const QString& path, quint64 characters);

} // namespace zelvan::modsim
