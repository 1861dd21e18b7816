#include "feed/MqttSettings.h"

#include "core/SettingsReader.h"
#include "feed/FeedTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvan {

namespace {

namespace texts = feed_texts;

const QStringList kBrokerKeys{"host",     "port",     "tls",           "ca_file",   "cert_file",
                              "key_file", "username", "password_file", "client_id", "keepalive"};
const QStringList kTopicKeys{"prefix", "home_assistant"};
const QStringList kPairKeys{"partner", "preferred", "node"};

// A file that holds a secret (the password, the client's key), read through
// the descriptor that was checked: a regular file that neither group nor
// others may read or write. Its content, or the reason it is refused.
struct Secret
{
    QByteArray content;
    QString refusal;   // empty when read
    bool open = false; // refused because group or others may read or write it
};

Secret readSecret(const QString& path)
{
    Secret out;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        out.refusal = texts::fileUnreadable().arg(path);
        return out;
    }
    struct stat st
    {
    };
    constexpr mode_t kOthers = S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        out.refusal = texts::fileUnreadable().arg(path);
    } else if ((st.st_mode & kOthers) != 0) {
        out.refusal = texts::secretFileOpen().arg(path);
        out.open = true;
    } else {
        QFile f;
        if (f.open(fd, QIODevice::ReadOnly))
            out.content = f.read(64 * 1024);
        if (f.error() != QFileDevice::NoError)
            out.refusal = texts::fileUnreadable().arg(path);
    }
    ::close(fd);
    return out;
}

// The first line exactly as written, without its line end (LF or CR LF):
// spaces are part of a password.
QByteArray firstLine(const QByteArray& text)
{
    QByteArray line = text.left(text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool isLoopback(const QString& host)
{
    return host == QLatin1String("localhost") || host == QLatin1String("::1")
           || host.startsWith(QLatin1String("127."));
}

// A topic prefix: levels that are not empty, no wildcard.
bool validPrefix(const QString& prefix)
{
    const QStringList levels = prefix.split(QLatin1Char('/'));
    const bool emptyLevel =
        std::any_of(levels.begin(), levels.end(), [](const QString& l) { return l.isEmpty(); });
    return !prefix.isEmpty() && !emptyLevel && !prefix.contains(QLatin1Char('+'))
           && !prefix.contains(QLatin1Char('#'));
}

// [pair]: the partner's prefix is required, another than this panel's own.
// Two panels on one machine (a demo, the tests) need client ids of their
// own: without one given, the prefix makes it.
QStringList readPair(SettingsReader& r, MqttSettings& s)
{
    r.problems.clear();
    r.sayProblemsAs(texts::pairProblem());
    MqttSettings::Pair& p = s.pair;
    p.partner = r.text(QStringLiteral("pair/partner"));
    if (p.partner.isEmpty())
        r.problem(QStringLiteral("pair/partner"), texts::missing());
    else if (p.partner == s.prefix)
        r.problem(QStringLiteral("pair/partner"), texts::partnerIsSelf().arg(s.prefix));
    else if (!validPrefix(p.partner))
        r.problem(QStringLiteral("pair/partner"), texts::badPrefix().arg(p.partner));
    p.preferred = r.boolean(QStringLiteral("pair/preferred"), false);
    p.node = r.text(QStringLiteral("pair/node"));
    if (p.node.isEmpty())
        p.node = p.partner.isEmpty() ? s.prefix : std::min(s.prefix, p.partner);
    if (!r.has(QStringLiteral("broker/client_id")))
        s.clientId = QStringLiteral("zelvan-")
                     + QString(s.prefix).replace(QLatin1Char('/'), QLatin1Char('-'));
    return r.problems;
}

} // namespace

MqttSettingsFile::Result MqttSettingsFile::read(const QString& programDir, const QString& hostName)
{
    Result result;
    const QString path = QDir(programDir).filePath(fileName());
    if (!QFileInfo::exists(path))
        return result;
    result.present = true;
    MqttSettings& s = result.settings;
    SettingsReader r(path, programDir, texts::problem());
    if (!r.readable()) {
        result.problems = r.problems;
        return result;
    }

    for (const QString& key : r.allKeys()) {
        const QString section = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1);
        const bool known = (section == QLatin1String("broker") && kBrokerKeys.contains(name))
                           || (section == QLatin1String("topics") && kTopicKeys.contains(name))
                           || (section == QLatin1String("pair") && kPairKeys.contains(name));
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
    if (!s.keyFile.isEmpty() && QFileInfo(s.keyFile).isFile()) {
        // The key is checked and looked at here; the TLS library reads it
        // again when connecting. A key that needs a passphrase would make it
        // ask on a terminal that nobody watches.
        const Secret key = readSecret(s.keyFile);
        if (!key.refusal.isEmpty())
            r.problem(QStringLiteral("broker/key_file"), key.refusal);
        else if (key.content.contains("ENCRYPTED"))
            r.problem(QStringLiteral("broker/key_file"),
                      texts::keyNeedsPassphrase().arg(s.keyFile));
    }
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        r.problem(s.certFile.isEmpty() ? QStringLiteral("broker/cert_file")
                                       : QStringLiteral("broker/key_file"),
                  texts::needsPair());
    s.username = r.text(QStringLiteral("broker/username"));
    s.passwordFile = r.file(QStringLiteral("broker/password_file"));
    if (!s.passwordFile.isEmpty()) {
        if (QFileInfo(s.passwordFile).isFile()) {
            const Secret secret = readSecret(s.passwordFile);
            if (secret.refusal.isEmpty())
                s.password = firstLine(secret.content);
            else
                r.problem(QStringLiteral("broker/password_file"), secret.refusal);
        }
        if (s.username.isEmpty())
            r.problem(QStringLiteral("broker/password_file"), texts::passwordNeedsUser());
    }
    if (!s.passwordFile.isEmpty() && !s.tls && !s.host.isEmpty() && !isLoopback(s.host))
        r.problem(QStringLiteral("broker/tls"), texts::passwordInClear().arg(s.host));
    s.clientId = r.text(QStringLiteral("broker/client_id"));
    if (s.clientId.isEmpty())
        s.clientId = QStringLiteral("zelvan-") + hostName;
    const QStringList keys = r.allKeys();
    s.pair.configured = std::any_of(keys.begin(), keys.end(), [](const QString& k) {
        return k.startsWith(QLatin1String("pair/"));
    });
    s.keepalive = r.number(QStringLiteral("broker/keepalive"),
                           s.pair.configured ? MqttSettings::kPairKeepalive : 60,
                           MqttSettings::kMinKeepalive, MqttSettings::kMaxKeepalive);

    s.prefix = r.has(QStringLiteral("topics/prefix")) ? r.text(QStringLiteral("topics/prefix"))
                                                      : QStringLiteral("zelvan/") + hostName;
    if (!validPrefix(s.prefix))
        r.problem(QStringLiteral("topics/prefix"), texts::badPrefix().arg(s.prefix));
    s.homeAssistant = r.boolean(QStringLiteral("topics/home_assistant"), false);
    result.problems = r.problems;
    if (s.pair.configured)
        result.pairProblems = readPair(r, s);
    return result;
}

} // namespace zelvan
