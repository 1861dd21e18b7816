#include "support/Dc09Receivers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

namespace zelvan::test {

namespace {

constexpr int kStartMs = 15000;

QString receiverDir()
{
    const QString set = qEnvironmentVariable("ZELVAN_DC09_RECEIVER_DIR");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache/zelvan/iobroker.sia-2.0.4")
                         : set;
}

} // namespace

RealReceiver::~RealReceiver() { stop(); }

bool RealReceiver::start(const QList<Account>& accounts, QString* error, int port, bool udp)
{
    const QString script = qEnvironmentVariable("ZELVAN_SOURCE_DIR")
                           + QStringLiteral("/tests/support/dc09-receiver.js");
    if (!QFileInfo::exists(receiverDir() + QStringLiteral("/package/build/lib/sia.js"))) {
        *error = QStringLiteral("the DC-09 receiver is not installed in %1 "
                                "(scripts/ensure-dc09-receiver.sh installs it)")
                     .arg(receiverDir());
        return false;
    }
    QJsonArray list;
    for (const Account& a : accounts) {
        QJsonObject o{{QStringLiteral("account"), QString::fromLatin1(a.account)}};
        if (!a.key.isEmpty()) {
            o.insert(QStringLiteral("key"), QString::fromLatin1(a.key));
            o.insert(QStringLiteral("hex"), a.hex);
        }
        list.append(o);
    }
    m_messages.clear();
    m_pending.clear();
    m_node.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_node.start(QStringLiteral("node"),
                 {script, QStringLiteral("--dir"), receiverDir(), QStringLiteral("--port"),
                  QString::number(port), QStringLiteral("--protocol"),
                  udp ? QStringLiteral("udp") : QStringLiteral("tcp"), QStringLiteral("--accounts"),
                  QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact))});
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired() && !m_node.canReadLine()
           && m_node.state() != QProcess::NotRunning)
        m_node.waitForReadyRead(100);
    const QByteArray first = m_node.readLine().trimmed();
    if (!first.startsWith("listening ")) {
        *error = QStringLiteral("the DC-09 receiver did not start: ") + QString::fromUtf8(first);
        return false;
    }
    m_port = first.mid(10).toInt();
    return true;
}

void RealReceiver::stop()
{
    if (m_node.state() == QProcess::NotRunning)
        return;
    messages();
    m_node.terminate();
    if (!m_node.waitForFinished(kStartMs))
        m_node.kill();
    m_node.waitForFinished(kStartMs);
    // What it handled between the last reading and its end.
    messages();
}

const QList<QJsonObject>& RealReceiver::messages()
{
    m_pending += m_node.readAllStandardOutput();
    qsizetype lf = 0;
    while ((lf = m_pending.indexOf('\n')) >= 0) {
        const QJsonDocument doc = QJsonDocument::fromJson(m_pending.left(lf));
        m_pending.remove(0, lf + 1);
        if (doc.isObject())
            m_messages.append(doc.object());
    }
    return m_messages;
}

QList<QJsonObject> RealReceiver::acknowledged()
{
    QList<QJsonObject> out;
    for (const QJsonObject& o : messages())
        if (o.value(QStringLiteral("answer")).toString() == QLatin1String("ACK"))
            out.append(o);
    return out;
}

StandInReceiver::StandInReceiver(QByteArray key) : m_cipher(std::move(key))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool StandInReceiver::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

void StandInReceiver::onData(QTcpSocket* socket)
{
    const QByteArray bytes = socket->readAll();
    if (!m_script.isEmpty() && m_script.front().answer == Answer::Drop && m_buffer.isEmpty()) {
        // Closed while the message is still coming: nothing of it is taken.
        m_script.pop_front();
        socket->abort();
        return;
    }
    m_buffer += bytes;
    dc09::FrameScanner scanner;
    scanner.feed(m_buffer);
    m_buffer.clear();
    while (const std::optional<QByteArray> frame = scanner.next()) {
        const dc09::Message m = dc09::parse(*frame, m_cipher.valid() ? &m_cipher : nullptr);
        received.append(m);
        const Step step = m_script.isEmpty() ? Step{} : m_script.takeFirst();
        if (step.delayMs > 0) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(step.delayMs, this, [this, guard, m, step] {
                if (guard)
                    answer(guard, m, step);
            });
        } else {
            answer(socket, m, step);
        }
    }
}

void StandInReceiver::answer(QTcpSocket* socket, const dc09::Message& m, const Step& step)
{
    const dc09::Cipher* cipher = m_cipher.valid() ? &m_cipher : nullptr;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    switch (step.answer) {
    case Answer::None:
    case Answer::Drop:
        return;
    case Answer::Nak:
        socket->write(dc09::build({"NAK", 0, "0", "0", {}}, {}, now.addSecs(step.offsetS)));
        return;
    case Answer::Ack:
    case Answer::AckAndClose:
        acknowledgedData.append(m.data);
        [[fallthrough]];
    case Answer::Duh:
        socket->write(dc09::build({step.answer == Answer::Duh ? "DUH" : "ACK", m.header.sequence,
                                   m.header.receiver, m.header.line, m.header.account},
                                  {}, now, cipher));
        break;
    }
    if (step.answer == Answer::AckAndClose) {
        // Nothing more is read on this connection: what comes after the
        // answer is lost, as at a receiver that has closed it.
        disconnect(socket, nullptr, this, nullptr);
        socket->disconnectFromHost();
    }
}

} // namespace zelvan::test
