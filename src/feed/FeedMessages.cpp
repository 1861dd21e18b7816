#include "feed/FeedMessages.h"

#include "core/Labels.h"
#include "events/DayFile.h"
#include "feed/FeedTexts.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelvan {

namespace {

namespace texts = feed_texts;

QString kindText(QChar letter, const std::array<QString, 5>& captions)
{
    switch (letter.unicode()) {
    case u'P':
        return texts::taken();
    case u'O':
        return texts::released();
    case u'A':
        return texts::violated();
    case u'R':
        return texts::operatorSeen();
    case u'B':
        return texts::balanced();
    case u'N':
        return texts::boardOn();
    case u'F':
        return texts::boardOff();
    case u'S':
        return texts::systemStarted();
    case u'V':
        return texts::linkLost();
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        return captions[size_t(letter.unicode() - u'1')].trimmed();
    default:
        return {};
    }
}

QByteArray compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

} // namespace

FeedMessages::FeedMessages(QString prefix, const StationState& state)
    : m_prefix(std::move(prefix)), m_state(state)
{
}

QString FeedMessages::objectTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k) + QStringLiteral("/state");
}

QString FeedMessages::moduleTopic(int m) const
{
    return m_prefix + QStringLiteral("/module/") + QString::number(m) + QStringLiteral("/link");
}

QByteArray FeedMessages::event(const TailRecord& record, const QString& name,
                               const std::array<QString, 5>& captions) const
{
    QJsonObject o;
    o.insert(QStringLiteral("day"), record.after.day);
    o.insert(QStringLiteral("line"), record.line());
    o.insert(QStringLiteral("record"), QString::fromLatin1(record.text));
    const std::optional<DayRecord> r = parseDayRecord(record.text);
    const QString kind = r ? kindText(r->letter, captions) : QString();
    if (!r || kind.isEmpty())
        return compact(o);
    const QDate date =
        QDate::fromString(QStringLiteral("20") + record.after.day, QStringLiteral("yyyy-MM-dd"));
    o.insert(QStringLiteral("time"), date.toString(Qt::ISODate) + QLatin1Char('T') + r->timeText());
    o.insert(QStringLiteral("object"), r->k);
    const bool object = r->k >= 1 && r->k <= kObjectCount;
    const int module = object ? (r->k - 1) / kObjectsPerModule + 1 : qMax(r->module, 0);
    o.insert(QStringLiteral("module"), module);
    o.insert(QStringLiteral("number"), object ? (r->k - 1) % kObjectsPerModule + 1 : 0);
    o.insert(QStringLiteral("label"),
             object ? FormatObjectLabel(m_state, r->k) : ModuleLabel(m_state, module));
    o.insert(QStringLiteral("name"), object ? name : QString());
    o.insert(QStringLiteral("letter"), QString(r->letter));
    o.insert(QStringLiteral("text"), kind);
    return compact(o);
}

QByteArray FeedMessages::objectState(int code)
{
    switch (code) {
    case Released:
        return "released";
    case Taken:
        return "taken";
    case Violated:
        return "violated";
    case TakeRequested:
        return "take_requested";
    default:
        return {};
    }
}

QString FeedMessages::lastRecordTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k) + QStringLiteral("/last");
}

QString FeedMessages::ignoredCommandTopic(int k) const
{
    return m_prefix + QStringLiteral("/object/") + QString::number(k)
           + QStringLiteral("/command_ignored");
}

} // namespace zelvan
