#pragma once

#include <QString>
#include <QStringList>

namespace zelvan {

// What mqtt.ini in the program directory says: the broker, the credentials
// and the topic prefix. Without the file the station opens no socket.
struct MqttSettings
{
    QString host;
    int port = 1883; // 8883 with TLS when not given
    bool tls = false;
    QString caFile;
    QString certFile;
    QString keyFile;
    QString username;
    QString passwordFile;
    QByteArray password; // the first line of passwordFile; never logged
    QString clientId;    // "zelvan-<host name>" when not given
    int keepalive = 60;  // seconds
    QString prefix;      // "zelvan/<host name>" when not given
    bool homeAssistant = false;

    // [pair]: this panel shares its line with a second one on hot standby,
    // which it sees through the broker under the partner's prefix.
    struct Pair
    {
        bool configured = false; // the section is there
        QString partner;         // the partner's topic prefix
        bool preferred = false;  // active when both start together
        QString node; // Home Assistant's node both share; the lower prefix when not given
    } pair;
    // The keepalive of a panel in a pair when not given: the broker notices
    // a dead partner within one and a half times it.
    static constexpr int kPairKeepalive = 5;

    static constexpr int kMinKeepalive = 5;
    static constexpr int kMaxKeepalive = 65535;

    QString brokerText() const { return host + QLatin1Char(':') + QString::number(port); }
};

// Reads mqtt.ini (Qt's key=value INI). Every value is checked; a wrong one is
// a problem naming the file and the key, and while there is any the feed
// stays off. A password file that group or others may read is refused.
class MqttSettingsFile
{
public:
    static QString fileName() { return QStringLiteral("mqtt.ini"); }

    struct Result
    {
        bool present = false; // mqtt.ini exists: the feed is wanted
        MqttSettings settings;
        QStringList problems; // for the operator; the feed runs only without any
        // What is wrong with [pair]: the feed runs, but the panel stays on
        // standby and never takes the line over by itself.
        QStringList pairProblems;

        bool usable() const { return present && problems.isEmpty(); }
    };

    // hostName: the machine's, for the default prefix and client id.
    static Result read(const QString& programDir, const QString& hostName);
};

} // namespace zelvan
