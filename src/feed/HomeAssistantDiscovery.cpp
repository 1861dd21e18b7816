#include "feed/HomeAssistantDiscovery.h"

#include "core/Labels.h"
#include "core/ProgramVersion.h"
#include "feed/FeedMessages.h"
#include "feed/FeedTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelvan {

namespace {

QByteArray compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

int moduleOf(int k) { return (k - 1) / kObjectsPerModule + 1; }

QString moduleDeviceId(const QString& node, int m)
{
    return node + QStringLiteral("_module_") + QString::number(m);
}

} // namespace

HomeAssistantDiscovery::HomeAssistantDiscovery(const FeedMessages& messages,
                                               const StationState& state)
    : m_messages(messages), m_state(state)
{
}

QString HomeAssistantDiscovery::nodeId() const
{
    QString id = m_node.isEmpty() ? m_messages.prefix() : m_node;
    for (QChar& c : id) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return id;
}

QString HomeAssistantDiscovery::topic(const char* component, const QString& objectId) const
{
    return QStringLiteral("homeassistant/%1/%2/%3/config")
        .arg(QLatin1String(component), nodeId(), objectId);
}

// Entity ids hold only small letters, digits and '_'; they are Home
// Assistant's suggestion for the entity's first registration, which keeps
// it from then on.
QString HomeAssistantDiscovery::entityId(const char* component, const QString& objectId) const
{
    QString id = (nodeId() + QLatin1Char('_') + objectId).toLower();
    id.replace(QLatin1Char('-'), QLatin1Char('_'));
    return QLatin1String(component) + QLatin1Char('.') + id;
}

QString HomeAssistantDiscovery::objectTitle(int k, const QString& name) const
{
    return (FormatObjectLabel(m_state, k) + QStringLiteral("  ") + name).trimmed();
}

std::vector<RetainedMessage> HomeAssistantDiscovery::stationConfigs() const
{
    const QString node = nodeId();
    const QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{node}},
                             {QStringLiteral("name"), m_messages.prefix()},
                             {QStringLiteral("manufacturer"), QStringLiteral("Zelvan")},
                             {QStringLiteral("model"), QStringLiteral("Zelvan 064")},
                             {QStringLiteral("sw_version"), programVersion()}};
    // The station's connectivity is its status itself: it has no
    // availability of its own, or it would be unavailable instead of off.
    const QJsonObject link{
        {QStringLiteral("name"), feed_texts::stationLinkName()},
        {QStringLiteral("unique_id"), node + QStringLiteral("_status")},
        {QStringLiteral("default_entity_id"), entityId("binary_sensor", QStringLiteral("status"))},
        {QStringLiteral("state_topic"), m_messages.statusTopic()},
        {QStringLiteral("payload_on"), QStringLiteral("online")},
        {QStringLiteral("payload_off"), QStringLiteral("offline")},
        {QStringLiteral("device_class"), QStringLiteral("connectivity")},
        {QStringLiteral("device"), device}};
    const QJsonObject violations{
        {QStringLiteral("name"), feed_texts::violationsName()},
        {QStringLiteral("unique_id"), node + QStringLiteral("_violations")},
        {QStringLiteral("default_entity_id"), entityId("sensor", QStringLiteral("violations"))},
        {QStringLiteral("state_topic"), m_messages.violationsTopic()},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("availability_topic"), m_messages.statusTopic()},
        {QStringLiteral("device"), device}};
    return {{topic("binary_sensor", QStringLiteral("status")), compact(link)},
            {topic("sensor", QStringLiteral("violations")), compact(violations)}};
}

RetainedMessage HomeAssistantDiscovery::moduleConfig(int m) const
{
    const QString node = nodeId();
    const QString objectId = QStringLiteral("module_%1").arg(m);
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{moduleDeviceId(node, m)}},
        {QStringLiteral("name"), feed_texts::moduleDeviceName().arg(m_messages.prefix()).arg(m)},
        {QStringLiteral("manufacturer"), QStringLiteral("Zelvan")},
        {QStringLiteral("via_device"), node}};
    return {topic("binary_sensor", objectId),
            compact(QJsonObject{
                {QStringLiteral("name"), feed_texts::moduleLinkName()},
                {QStringLiteral("unique_id"), node + QStringLiteral("_module_%1_link").arg(m)},
                {QStringLiteral("default_entity_id"),
                 entityId("binary_sensor", objectId + QStringLiteral("_link"))},
                {QStringLiteral("state_topic"), m_messages.moduleTopic(m)},
                {QStringLiteral("payload_on"), QStringLiteral("online")},
                {QStringLiteral("payload_off"), QStringLiteral("lost")},
                {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                {QStringLiteral("availability_topic"), m_messages.statusTopic()},
                {QStringLiteral("device"), device}})};
}

std::vector<QString> HomeAssistantDiscovery::objectConfigTopics(int k) const
{
    const QString objectId = QStringLiteral("object_%1").arg(k);
    return {topic("sensor", objectId),
            topic("binary_sensor", objectId + QStringLiteral("_violation")),
            topic("alarm_control_panel", objectId)};
}

std::vector<RetainedMessage> HomeAssistantDiscovery::objectConfigs(int k, const QString& name) const
{
    const QString node = nodeId();
    const int m = moduleOf(k);
    const QString objectId = QStringLiteral("object_%1").arg(k);
    const QString title = objectTitle(k, name);
    const std::vector<QString> topics = objectConfigTopics(k);
    // What every entity of the object shares: its module's device, its state
    // topic, its last record, and availability while both the station and
    // the module's link are there.
    QJsonObject common{
        {QStringLiteral("state_topic"), m_messages.objectTopic(k)},
        {QStringLiteral("json_attributes_topic"), m_messages.lastRecordTopic(k)},
        {QStringLiteral("availability"),
         QJsonArray{
             QJsonObject{{QStringLiteral("topic"), m_messages.statusTopic()}},
             QJsonObject{{QStringLiteral("topic"), m_messages.moduleTopic(m)},
                         {QStringLiteral("payload_available"), QStringLiteral("online")},
                         {QStringLiteral("payload_not_available"), QStringLiteral("lost")}}}},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        {QStringLiteral("device"),
         QJsonObject{{QStringLiteral("identifiers"), QJsonArray{moduleDeviceId(node, m)}}}}};
    const auto entity = [&](const QString& id, const char* component, const QString& entityName) {
        QJsonObject o = common;
        o.insert(QStringLiteral("name"), entityName);
        o.insert(QStringLiteral("unique_id"), node + QLatin1Char('_') + id);
        o.insert(QStringLiteral("default_entity_id"), entityId(component, id));
        return o;
    };

    QJsonObject sensor = entity(objectId, "sensor", title);
    sensor.insert(QStringLiteral("device_class"), QStringLiteral("enum"));
    sensor.insert(QStringLiteral("options"),
                  QJsonArray{QStringLiteral("released"), QStringLiteral("taken"),
                             QStringLiteral("violated"), QStringLiteral("take_requested")});

    QJsonObject problem = entity(objectId + QStringLiteral("_violation"), "binary_sensor",
                                 title + QLatin1Char(' ') + feed_texts::violationWord());
    problem.insert(QStringLiteral("value_template"),
                   QStringLiteral("{{ 'ON' if value == 'violated' else 'OFF' }}"));
    problem.insert(QStringLiteral("device_class"), QStringLiteral("problem"));

    // The panel takes no command from the network: the alarm panel offers
    // no arming, and its command topic is one that nothing reads.
    QJsonObject panel =
        entity(objectId, "alarm_control_panel", title + QLatin1Char(' ') + feed_texts::guardWord());
    panel.insert(QStringLiteral("value_template"), QLatin1String(kAlarmTemplate));
    panel.insert(QStringLiteral("command_topic"), m_messages.ignoredCommandTopic(k));
    panel.insert(QStringLiteral("supported_features"), QJsonArray{});
    panel.insert(QStringLiteral("code_arm_required"), false);
    panel.insert(QStringLiteral("code_disarm_required"), false);

    return {
        {topics[0], compact(sensor)}, {topics[1], compact(problem)}, {topics[2], compact(panel)}};
}

} // namespace zelvan
