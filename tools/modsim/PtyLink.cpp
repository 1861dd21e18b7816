#include "modsim/PtyLink.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zelvan::modsim {

PtyLink::PtyLink(QObject* parent) : QObject(parent)
{
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    m_paceTimer.setInterval(2);
    connect(&m_paceTimer, &QTimer::timeout, this, &PtyLink::pump);
    m_hangUpTimer.setSingleShot(true);
    connect(&m_hangUpTimer, &QTimer::timeout, this, [this]() {
        if (m_phase == Phase::Draining)
            drainStep();
        else if (m_phase == Phase::Down)
            comeBack();
    });
}

PtyLink::~PtyLink() { close(); }

bool PtyLink::open(const QString& linkPath, QString* error)
{
    close();
    m_linkPath = linkPath;
    return openPair(error);
}

bool PtyLink::openPair(QString* error)
{
    const QString linkPath = m_linkPath;
    auto fail = [&](const QString& what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        close();
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail(QStringLiteral("ptsname"));
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail(QStringLiteral("open ") + m_slavePath);
    termios raw{};
    if (::tcgetattr(m_slave, &raw) != 0)
        return fail(QStringLiteral("tcgetattr"));
    ::cfmakeraw(&raw);
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0)
        return fail(QStringLiteral("tcsetattr"));
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(QStringLiteral("fcntl"));

    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        QFile::remove(linkPath);
    } else if (existing.exists()) {
        errno = EEXIST;
        return fail(linkPath + QStringLiteral(" exists and is not a symbolic link"));
    }
    if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0)
        return fail(QStringLiteral("symlink ") + linkPath);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLink::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLink::pump);
    return true;
}

void PtyLink::close()
{
    m_hangUpTimer.stop();
    m_phase = Phase::Up;
    closePair();
    m_linkPath.clear();
    m_queue.clear();
}

void PtyLink::closePair()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    m_paceTimer.stop();
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
        QFile::remove(m_linkPath);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

bool PtyLink::hangUp(qint64 downMs)
{
    if (m_master < 0 || m_phase != Phase::Up)
        return false;
    m_phase = Phase::Draining;
    m_downMs = std::max<qint64>(0, downMs);
    m_drainClock.start();
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    drainStep();
    return true;
}

int PtyLink::unreadBySlave() const
{
    int unread = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &unread) != 0)
        return 0;
    return unread;
}

void PtyLink::drainStep()
{
    // What is already in the terminal belongs to the panel: wait until it has
    // read it (or gave up reading), then the line goes dead.
    const int unread = unreadBySlave();
    if (unread > 0 && m_drainClock.elapsed() < kDrainWaitMs) {
        m_hangUpTimer.start(20);
        return;
    }
    m_lostAtHangUp += static_cast<quint64>(unread);
    const QString linkPath = m_linkPath;
    closePair();
    m_linkPath = linkPath;
    m_phase = Phase::Down;
    emit closedForHangUp();
    m_hangUpTimer.start(static_cast<int>(std::min<qint64>(m_downMs, 1000000000)));
}

void PtyLink::comeBack()
{
    if (m_phase != Phase::Down)
        return;
    QString error;
    if (!openPair(&error)) {
        std::fprintf(stderr, "zelvan-modsim: reopening %s failed: %s\n", qPrintable(m_linkPath),
                     qPrintable(error));
        return;
    }
    m_phase = Phase::AwaitingPanel;
    emit reopenedAfterHangUp();
}

void PtyLink::readMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, static_cast<qsizetype>(n)));
            if (m_phase == Phase::AwaitingPanel) {
                // The panel has opened the new terminal: what waited goes out.
                m_phase = Phase::Up;
                QTimer::singleShot(0, this, &PtyLink::pump);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: all read
    }
}

void PtyLink::write(const QByteArray& bytes)
{
    if (m_master < 0 && m_phase == Phase::Up)
        return;
    const qsizetype room = kMaxQueued - m_queue.size();
    if (bytes.size() > room) {
        m_dropped += static_cast<quint64>(bytes.size() - std::max<qsizetype>(0, room));
        m_queue.append(bytes.left(std::max<qsizetype>(0, room)));
    } else {
        m_queue.append(bytes);
    }
    if (m_phase != Phase::Up)
        return; // held until the line is back
    if (m_baud > 0 && !m_paceTimer.isActive()) {
        m_paceClock.start();
        m_pacedSent = 0;
        m_paceTimer.start();
    }
    pump();
}

void PtyLink::pump()
{
    if (m_master < 0 || m_phase != Phase::Up)
        return;
    if (m_baud <= 0) {
        writeNow(m_queue.size());
    } else {
        // Characters the line could have carried since pacing began.
        const qint64 allowed =
            m_paceClock.nsecsElapsed() * m_baud / 10 / 1000000000LL - m_pacedSent;
        m_pacedSent += writeNow(std::min<qint64>(allowed, m_queue.size()));
        if (m_queue.isEmpty())
            m_paceTimer.stop();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_queue.isEmpty() && m_baud <= 0);
}

qsizetype PtyLink::writeNow(qsizetype limit)
{
    qsizetype total = 0;
    while (total < limit) {
        const ssize_t n =
            ::write(m_master, m_queue.constData() + total, static_cast<size_t>(limit - total));
        if (n > 0) {
            total += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // the terminal is full: the rest waits
    }
    m_queue.remove(0, total);
    return total;
}

} // namespace zelvan::modsim
