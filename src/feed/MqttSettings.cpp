#include "feed/MqttSettings.h"

#include "feed/FeedTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace zelvan {

namespace {

namespace texts = feed_texts;

const QStringList kBrokerKeys{"host",     "port",     "tls",           "ca_file",   "cert_file",
                              "key_file", "username", "password_file", "client_id", "keepalive"};
const QStringList kTopicKeys{"prefix", "home_assistant"};

// Reads the keys of one file and collects what is wrong with them.
class Reader
{
public:
    Reader(const QString& path, const QString& programDir)
        : m_ini(path, QSettings::IniFormat), m_path(path), m_dir(programDir)
    {
    }

    QSettings::Status status() const { return m_ini.status(); }
    QStringList allKeys() const { return m_ini.allKeys(); }

    void problem(const QString& key, const QString& what)
    {
        problems.append(texts::problem().arg(m_path, keyName(key), what));
    }
    static QString keyName(const QString& key)
    {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        return slash < 0
                   ? key
                   : QLatin1Char('[') + key.left(slash) + QStringLiteral("] ") + key.mid(slash + 1);
    }

    bool has(const QString& key) const { return m_ini.contains(key); }
    QString text(const QString& key) const { return m_ini.value(key).toString().trimmed(); }

    bool boolean(const QString& key, bool fallback)
    {
        if (!has(key))
            return fallback;
        const QString v = text(key).toLower();
        if (v == QLatin1String("true"))
            return true;
        if (v == QLatin1String("false"))
            return false;
        problem(key, texts::notBoolean().arg(text(key)));
        return fallback;
    }

    int number(const QString& key, int fallback, int low, int high)
    {
        if (!has(key))
            return fallback;
        bool ok = false;
        const int v = text(key).toInt(&ok);
        if (ok && v >= low && v <= high)
            return v;
        problem(key, texts::notNumber().arg(text(key)).arg(low).arg(high));
        return fallback;
    }

    // A file named by the key, relative to the program directory; it must be
    // a readable file.
    QString file(const QString& key)
    {
        if (!has(key) || text(key).isEmpty())
            return {};
        const QString path = QDir(m_dir).absoluteFilePath(text(key));
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            problem(key, texts::fileUnreadable().arg(path));
        return path;
    }

    QStringList problems;

private:
    QSettings m_ini;
    QString m_path;
    QString m_dir;
};

} // namespace

MqttSettingsFile::Result MqttSettingsFile::read(const QString& programDir, const QString& hostName)
{
    Result result;
    const QString path = QDir(programDir).filePath(fileName());
    if (!QFileInfo::exists(path))
        return result;
    result.present = true;
    MqttSettings& s = result.settings;
    Reader r(path, programDir);
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
        r.problem(QStringLiteral("-"), texts::fileUnreadable().arg(path));
        result.problems = r.problems;
        return result;
    }
    if (r.status() != QSettings::NoError) {
        r.problem(QStringLiteral("-"), texts::notIniFile());
        result.problems = r.problems;
        return result;
    }

    for (const QString& key : r.allKeys()) {
        const QString section = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1);
        const bool known = (section == QLatin1String("broker") && kBrokerKeys.contains(name))
                           || (section == QLatin1String("topics") && kTopicKeys.contains(name));
        if (!known)
            r.problem(key, texts::unknownKey());
    }

    s.host = r.text(QStringLiteral("broker/host"));
    if (s.host.isEmpty())
        r.problem(QStringLiteral("broker/host"), texts::missing());
    s.tls = r.boolean(QStringLiteral("broker/tls"), false);
    s.port = r.number(QStringLiteral("broker/port"), s.tls ? 8883 : 1883, 1, 65535);
    s.caFile = r.file(QStringLiteral("broker/ca_file"));
    if (s.tls && s.caFile.isEmpty())
        r.problem(QStringLiteral("broker/ca_file"), texts::missing());
    s.certFile = r.file(QStringLiteral("broker/cert_file"));
    s.keyFile = r.file(QStringLiteral("broker/key_file"));
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        r.problem(s.certFile.isEmpty() ? QStringLiteral("broker/cert_file")
                                       : QStringLiteral("broker/key_file"),
                  texts::needsPair());
    s.username = r.text(QStringLiteral("broker/username"));
    s.passwordFile = r.file(QStringLiteral("broker/password_file"));
    if (!s.passwordFile.isEmpty()) {
        const QFileInfo info(s.passwordFile);
        const auto open = QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (info.isFile() && info.permissions().testAnyFlags(open)) {
            r.problem(QStringLiteral("broker/password_file"),
                      texts::passwordFileOpen().arg(s.passwordFile));
        } else if (info.isFile()) {
            QFile f(s.passwordFile);
            if (f.open(QIODevice::ReadOnly))
                s.password = f.readLine().trimmed();
        }
        if (s.username.isEmpty())
            r.problem(QStringLiteral("broker/password_file"), texts::passwordNeedsUser());
    }
    s.clientId = r.text(QStringLiteral("broker/client_id"));
    if (s.clientId.isEmpty())
        s.clientId = QStringLiteral("zelvan-") + hostName;
    s.keepalive = r.number(QStringLiteral("broker/keepalive"), 60, MqttSettings::kMinKeepalive,
                           MqttSettings::kMaxKeepalive);

    s.prefix = r.has(QStringLiteral("topics/prefix")) ? r.text(QStringLiteral("topics/prefix"))
                                                      : QStringLiteral("zelvan/") + hostName;
    const QStringList levels = s.prefix.split(QLatin1Char('/'));
    const bool emptyLevel =
        std::any_of(levels.begin(), levels.end(), [](const QString& l) { return l.isEmpty(); });
    if (s.prefix.isEmpty() || emptyLevel || s.prefix.contains(QLatin1Char('+'))
        || s.prefix.contains(QLatin1Char('#')))
        r.problem(QStringLiteral("topics/prefix"), texts::badPrefix().arg(s.prefix));
    s.homeAssistant = r.boolean(QStringLiteral("topics/home_assistant"), false);

    result.problems = r.problems;
    return result;
}

} // namespace zelvan
