#include "dc09/Dc09Settings.h"

#include "core/Addressing.h"
#include "core/OwnerOnlyFile.h"
#include "core/SettingsReader.h"
#include "core/SettingsTexts.h"
#include "dc09/Dc09Texts.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

namespace zelvan::dc09 {

namespace {

const QStringList kReceiverKeys{"host", "port", "protocol", "backup_host", "backup_port"};
const QStringList kMessageKeys{"token",           "receiver", "line",
                               "station_account", "key_hex",  "key_text"};
const QStringList kLinkKeys{"supervision", "timeout"};

bool hexDigits(const QString& s, int low, int high)
{
    if (s.size() < low || s.size() > high)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return isxdigit(c.toLatin1()) != 0; });
}

// A field of hex digits (R, L, an account); the fallback when it is wrong.
QByteArray hexField(SettingsReader& r, const QString& key, const QByteArray& fallback, int low,
                    int high)
{
    if (!r.has(key))
        return fallback;
    const QString v = r.text(key);
    if (hexDigits(v, low, high))
        return v.toUpper().toLatin1();
    r.problem(key, dc09_texts::notHex().arg(v).arg(low).arg(high));
    return fallback;
}

QByteArray readKey(SettingsReader& r)
{
    const QString hexKey = QStringLiteral("message/key_hex");
    const QString textKey = QStringLiteral("message/key_text");
    const QString hex = r.text(hexKey);
    // The text key as written, spaces and all: only the line's end is not part of it.
    QByteArray text = r.raw(textKey).toUtf8();
    if (!hex.isEmpty() && !text.isEmpty()) {
        r.problem(textKey, dc09_texts::twoKeys());
        return {};
    }
    if (!hex.isEmpty()) {
        if ((hex.size() == 32 || hex.size() == 48 || hex.size() == 64) && hexDigits(hex, 32, 64))
            return QByteArray::fromHex(hex.toLatin1());
        r.problem(hexKey, dc09_texts::badKeyHex());
        return {};
    }
    if (!text.isEmpty()) {
        if (text.size() == 16 || text.size() == 24 || text.size() == 32)
            return text;
        r.problem(textKey, dc09_texts::badKeyText());
    }
    return {};
}

} // namespace

SettingsFile::Result SettingsFile::read(const QString& programDir, int systemNo)
{
    namespace texts = settings_texts;
    Result result;
    const QString path = QDir(programDir).filePath(fileName());
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return result;
    result.present = true;
    Settings& s = result.settings;
    s.accounts.systemNo = systemNo;
    SettingsReader r(path, programDir, dc09_texts::problem());
    if (!r.readable()) {
        result.problems = r.problems;
        return result;
    }

    for (const QString& key : r.allKeys()) {
        const QString section = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1);
        bool known = (section == QLatin1String("receiver") && kReceiverKeys.contains(name))
                     || (section == QLatin1String("message") && kMessageKeys.contains(name))
                     || (section == QLatin1String("link") && kLinkKeys.contains(name));
        if (section == QLatin1String("codes") && s.codes.has(name)) {
            known = true;
            if (const std::optional<EventCode> code = EventCode::parse(r.text(key)))
                s.codes.set(name, *code);
            else
                r.problem(key, dc09_texts::notCode().arg(r.text(key)));
        } else if (section == QLatin1String("accounts")) {
            bool ok = false;
            const int k = name.toInt(&ok);
            known = true;
            if (!ok || !isObject(k))
                r.problem(key, dc09_texts::notObject().arg(name));
            else
                s.accounts.objects[k] = hexField(r, key, {}, 3, 16);
        }
        if (!known)
            r.problem(key, texts::unknownKey());
    }

    s.primary.host = r.text(QStringLiteral("receiver/host"));
    if (s.primary.host.isEmpty())
        r.problem(QStringLiteral("receiver/host"), texts::missing());
    if (!r.has(QStringLiteral("receiver/port")))
        r.problem(QStringLiteral("receiver/port"), texts::missing());
    s.primary.port = r.number(QStringLiteral("receiver/port"), 0, 1, 65535);
    s.backup.host = r.text(QStringLiteral("receiver/backup_host"));
    s.backup.port = r.number(QStringLiteral("receiver/backup_port"), s.primary.port, 1, 65535);
    if (r.has(QStringLiteral("receiver/protocol"))) {
        const QString p = r.text(QStringLiteral("receiver/protocol")).toLower();
        s.udp = p == QLatin1String("udp");
        if (p != QLatin1String("udp") && p != QLatin1String("tcp"))
            r.problem(QStringLiteral("receiver/protocol"), dc09_texts::notProtocol().arg(p));
    }
    if (r.has(QStringLiteral("message/token"))) {
        const QString t = r.text(QStringLiteral("message/token")).toUpper();
        if (t == QLatin1String("SIA-DCS") || t == QLatin1String("ADM-CID"))
            s.token = t.toLatin1();
        else
            r.problem(QStringLiteral("message/token"), dc09_texts::notToken().arg(t));
    }
    s.receiver = hexField(r, QStringLiteral("message/receiver"), s.receiver, 1, 6);
    s.line = hexField(r, QStringLiteral("message/line"), s.line, 1, 6);
    s.accounts.station =
        hexField(r, QStringLiteral("message/station_account"), s.accounts.station, 3, 16);
    s.key = readKey(r);
    if (!s.key.isEmpty()) {
        // The key is a secret: a file others may read does not hold one.
        const OwnerOnlyFile file = OwnerOnlyFile::read(path, 1 << 20);
        if (file.problem == OwnerOnlyFile::Problem::OpenToOthers)
            r.problem(QStringLiteral("message/key"), dc09_texts::keyOpen());
    }
    s.supervisionS = r.number(QStringLiteral("link/supervision"), s.supervisionS, 0, 86400);
    s.timeoutS = r.number(QStringLiteral("link/timeout"), s.timeoutS, 1, 300);
    result.problems = r.problems;
    return result;
}

} // namespace zelvan::dc09
