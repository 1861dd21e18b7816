#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace zelvan::modsim {

// One serial line played over a pseudo-terminal: the simulator holds the
// master side, and the panel opens the slave side through a symbolic link.
// The slave is kept open here too, in raw mode, so that the line survives the
// panel closing and reopening it. Output may be paced at a baud rate (ten bit
// times per character: 4800 baud = 480 characters per second).
//
// hangUp() plays a line that goes dead and comes back: output is held, the
// panel is left to read what is already in the terminal, then the pair is
// closed and its link removed (the panel's port fails), and after the outage a
// new pair is linked at the same path. Output is held until the panel has
// opened the new terminal and written to it, so nothing sent meanwhile is lost
// to a flush at its open; the panel's own reopening decides when that is.
class PtyLink : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kMaxQueued = 8 * 1024 * 1024;

    explicit PtyLink(QObject* parent = nullptr);
    ~PtyLink() override;

    // Opens the pair and makes linkPath point at the slave. An existing
    // symbolic link there is replaced; any other file is left alone (error).
    bool open(const QString& linkPath, QString* error);
    void close();
    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }

    // 0 = unpaced (written as fast as the terminal takes it).
    void setBaud(int baud) { m_baud = baud; }
    void write(const QByteArray& bytes);
    // Characters dropped because the panel stopped reading and the queue was full.
    quint64 dropped() const { return m_dropped; }
    qsizetype queued() const { return m_queue.size(); }

    // The line goes dead for downMs and comes back on a new pseudo-terminal.
    // False when the line is not open or already hung up.
    bool hangUp(qint64 downMs);
    bool hungUp() const { return m_phase != Phase::Up; }
    // Characters the panel had not read when the terminal was closed (it did
    // not read them within kDrainWaitMs); lost with the old terminal.
    quint64 lostAtHangUp() const { return m_lostAtHangUp; }
    static constexpr int kDrainWaitMs = 10000;

signals:
    void received(const QByteArray& bytes);
    // The old terminal is closed; the new one is linked (the panel may open it).
    void closedForHangUp();
    void reopenedAfterHangUp();

private:
    enum class Phase
    {
        Up,
        Draining,
        Down,
        AwaitingPanel
    };

    bool openPair(QString* error);
    void closePair();
    void readMaster();
    void pump();
    qsizetype writeNow(qsizetype limit);
    void drainStep();
    void comeBack();
    int unreadBySlave() const;

    int m_master = -1;
    int m_slave = -1;
    int m_baud = 0;
    QString m_slavePath;
    QString m_linkPath;
    QByteArray m_queue;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer m_paceTimer;
    QElapsedTimer m_paceClock;
    qint64 m_pacedSent = 0;
    quint64 m_dropped = 0;
    Phase m_phase = Phase::Up;
    QTimer m_hangUpTimer;
    QElapsedTimer m_drainClock;
    qint64 m_downMs = 0;
    QString m_hungUpLink;
    quint64 m_lostAtHangUp = 0;
};

} // namespace zelvan::modsim
