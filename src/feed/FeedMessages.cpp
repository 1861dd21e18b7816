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

QString FeedMessages::nodeId() const
{
    QString id = m_prefix;
    for (QChar& c : id) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return id;
}

QString FeedMessages::moduleConfigTopic(int m) const
{
    return QStringLiteral("homeassistant/binary_sensor/%1/module_%2/config").arg(nodeId()).arg(m);
}

QString FeedMessages::objectConfigTopic(int k) const
{
    return QStringLiteral("homeassistant/sensor/%1/object_%2/config").arg(nodeId()).arg(k);
}

QString FeedMessages::violationConfigTopic(int k) const
{
    return QStringLiteral("homeassistant/binary_sensor/%1/object_%2_violation/config")
        .arg(nodeId())
        .arg(k);
}

namespace {

QJsonObject device(const QString& node, const QString& prefix, int m)
{
    return QJsonObject{
        {QStringLiteral("identifiers"),
         QJsonArray{node + QStringLiteral("_module_") + QString::number(m)}},
        {QStringLiteral("name"), prefix + QStringLiteral(" модул ") + QString::number(m)},
        {QStringLiteral("manufacturer"), QStringLiteral("Zelvan")}};
}

} // namespace

QByteArray FeedMessages::moduleConfig(int m) const
{
    const QString node = nodeId();
    return compact(
        QJsonObject{{QStringLiteral("name"), QStringLiteral("Връзка")},
                    {QStringLiteral("unique_id"), node + QStringLiteral("_module_%1_link").arg(m)},
                    {QStringLiteral("state_topic"), moduleTopic(m)},
                    {QStringLiteral("payload_on"), QStringLiteral("online")},
                    {QStringLiteral("payload_off"), QStringLiteral("lost")},
                    {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                    {QStringLiteral("availability_topic"), statusTopic()},
                    {QStringLiteral("device"), device(node, m_prefix, m)}});
}

QByteArray FeedMessages::objectConfig(int k, const QString& name) const
{
    const QString node = nodeId();
    const int m = (k - 1) / kObjectsPerModule + 1;
    const QString title = (FormatObjectLabel(m_state, k) + QStringLiteral("  ") + name).trimmed();
    return compact(
        QJsonObject{{QStringLiteral("name"), title},
                    {QStringLiteral("unique_id"), node + QStringLiteral("_object_%1").arg(k)},
                    {QStringLiteral("state_topic"), objectTopic(k)},
                    {QStringLiteral("device_class"), QStringLiteral("enum")},
                    {QStringLiteral("options"),
                     QJsonArray{QStringLiteral("released"), QStringLiteral("taken"),
                                QStringLiteral("violated"), QStringLiteral("take_requested")}},
                    {QStringLiteral("availability_topic"), statusTopic()},
                    {QStringLiteral("device"), device(node, m_prefix, m)}});
}

QByteArray FeedMessages::violationConfig(int k, const QString& name) const
{
    const QString node = nodeId();
    const int m = (k - 1) / kObjectsPerModule + 1;
    const QString title = (FormatObjectLabel(m_state, k) + QStringLiteral("  ") + name).trimmed()
                          + QStringLiteral(" нарушение");
    return compact(QJsonObject{
        {QStringLiteral("name"), title},
        {QStringLiteral("unique_id"), node + QStringLiteral("_object_%1_violation").arg(k)},
        {QStringLiteral("state_topic"), objectTopic(k)},
        {QStringLiteral("value_template"),
         QStringLiteral("{{ 'ON' if value == 'violated' else 'OFF' }}")},
        {QStringLiteral("device_class"), QStringLiteral("problem")},
        {QStringLiteral("availability_topic"), statusTopic()},
        {QStringLiteral("device"), device(node, m_prefix, m)}});
}

} // namespace zelvan
