// The checker of Home Assistant discovery configs: the kinds of config the
// panel announces pass it, and each broken one fails it by exactly the one
// rule it breaks, so that a rule that fires too often shows as well as one
// that never fires.
#include "support/HaDiscoveryRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace zelvan::test;

namespace {

const QString kStationTopic =
    QStringLiteral("homeassistant/binary_sensor/zelvan_test/station_link/config");
const QString kModuleTopic =
    QStringLiteral("homeassistant/binary_sensor/zelvan_test/module_2/config");
const QString kObjectTopic = QStringLiteral("homeassistant/sensor/zelvan_test/object_133/config");
const QString kViolationsTopic =
    QStringLiteral("homeassistant/sensor/zelvan_test/violations/config");
const QString kAlarmTopic =
    QStringLiteral("homeassistant/alarm_control_panel/zelvan_test/object_133/config");

// What the alarm panel shows of an object's guard state.
const char* const kGuardToAlarmState =
    "{{ {'released': 'disarmed', 'taken': 'armed_away', 'violated': 'triggered',"
    " 'take_requested': 'arming'}[value] }}";

QJsonObject json(const char* text) { return QJsonDocument::fromJson(QByteArray(text)).object(); }

QByteArray bytes(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QJsonObject with(QJsonObject o, const QString& key, const QJsonValue& value)
{
    o.insert(key, value);
    return o;
}

QJsonObject without(QJsonObject o, const QString& key)
{
    o.remove(key);
    return o;
}

QJsonObject withDevice(QJsonObject o, const QString& key, const QJsonValue& value)
{
    return with(o, QStringLiteral("device"), with(o.value("device").toObject(), key, value));
}

QJsonObject withoutDevice(QJsonObject o, const QString& key)
{
    return with(o, QStringLiteral("device"), without(o.value("device").toObject(), key));
}

// The station's own link: the device the modules are reached through.
QJsonObject stationLink()
{
    return json("{"
                "\"name\": \"Връзка\","
                "\"unique_id\": \"zelvan_test_station_link\","
                "\"default_entity_id\": \"binary_sensor.zelvan_test_station_link\","
                "\"state_topic\": \"zelvan/test/status\","
                "\"payload_on\": \"online\","
                "\"payload_off\": \"offline\","
                "\"device_class\": \"connectivity\","
                "\"entity_category\": \"diagnostic\","
                "\"device\": {"
                "\"identifiers\": [\"zelvan_test_station\"],"
                "\"name\": \"Zelvan станция\","
                "\"manufacturer\": \"Zelvan\","
                "\"model\": \"Zelvan 064\","
                "\"sw_version\": \"1.0.0\","
                "\"configuration_url\": \"homeassistant://config/devices\""
                "},"
                "\"origin\": {\"name\": \"zelvan\", \"sw_version\": \"1.0.0\"}"
                "}");
}

// A module's link: a device of its own, behind the station.
QJsonObject moduleLink()
{
    return json("{"
                "\"name\": \"Връзка\","
                "\"unique_id\": \"zelvan_test_module_2_link\","
                "\"state_topic\": \"zelvan/test/module/2/link\","
                "\"payload_on\": \"online\","
                "\"payload_off\": \"lost\","
                "\"device_class\": \"connectivity\","
                "\"availability_topic\": \"zelvan/test/status\","
                "\"device\": {"
                "\"identifiers\": \"zelvan_test_module_2\","
                "\"name\": \"Zelvan модул 2\","
                "\"manufacturer\": \"Zelvan\","
                "\"via_device\": \"zelvan_test_station\""
                "}"
                "}");
}

// An object's guard state, available while both the station and its module are.
QJsonObject objectState()
{
    return json("{"
                "\"name\": \"2-005  Аптека\","
                "\"unique_id\": \"zelvan_test_object_133\","
                "\"default_entity_id\": \"sensor.zelvan_test_object_133\","
                "\"state_topic\": \"zelvan/test/object/133/state\","
                "\"device_class\": \"enum\","
                "\"options\": [\"released\", \"taken\", \"violated\", \"take_requested\"],"
                "\"json_attributes_topic\": \"zelvan/test/object/133/attributes\","
                "\"availability\": ["
                "{\"topic\": \"zelvan/test/status\"},"
                "{\"topic\": \"zelvan/test/module/2/link\","
                "\"payload_available\": \"online\", \"payload_not_available\": \"lost\"}"
                "],"
                "\"availability_mode\": \"all\","
                "\"device\": {\"identifiers\": [\"zelvan_test_module_2\"]}"
                "}");
}

// A counting sensor: state_class without options.
QJsonObject violations()
{
    return json("{"
                "\"name\": \"Нарушения\","
                "\"unique_id\": \"zelvan_test_violations\","
                "\"state_topic\": \"zelvan/test/violations\","
                "\"value_template\": \"{{ value_json.count }}\","
                "\"state_class\": \"measurement\","
                "\"device\": {\"identifiers\": [\"zelvan_test_station\"]}"
                "}");
}

// An object as an alarm panel Home Assistant only watches: no arming
// features, and the panel does not listen on the command topic.
QJsonObject objectAlarm()
{
    const QJsonObject alarm = json("{"
                                   "\"name\": null,"
                                   "\"unique_id\": \"zelvan_test_object_133_alarm\","
                                   "\"state_topic\": \"zelvan/test/object/133/state\","
                                   "\"command_topic\": \"zelvan/test/object/133/command\","
                                   "\"supported_features\": [],"
                                   "\"code_arm_required\": false,"
                                   "\"code_disarm_required\": false,"
                                   "\"code_trigger_required\": false,"
                                   "\"availability_topic\": \"zelvan/test/status\","
                                   "\"device\": {"
                                   "\"identifiers\": [\"zelvan_test_object_133\"],"
                                   "\"name\": \"2-005  Аптека\","
                                   "\"via_device\": \"zelvan_test_module_2\""
                                   "}"
                                   "}");
    return with(alarm, QStringLiteral("value_template"), kGuardToAlarmState);
}

// The object's state sensor with other availability entries.
QJsonObject availableBy(const QJsonArray& entries)
{
    return with(objectState(), QStringLiteral("availability"), entries);
}

} // namespace

class TestHaDiscoveryRules : public QObject
{
    Q_OBJECT
private slots:
    void valid_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("station device") << kStationTopic << bytes(stationLink());
        QTest::newRow("module device via the station") << kModuleTopic << bytes(moduleLink());
        QTest::newRow("enum sensor, two availability topics, mode all")
            << kObjectTopic << bytes(objectState());
        QTest::newRow("topic without node_id")
            << QStringLiteral("homeassistant/sensor/zelvan_test_object_133/config")
            << bytes(objectState());
        QTest::newRow("counting sensor") << kViolationsTopic << bytes(violations());
        QTest::newRow("alarm panel taking no commands") << kAlarmTopic << bytes(objectAlarm());
        QTest::newRow("alarm panel, code checked by the panel")
            << kAlarmTopic
            << bytes(with(with(objectAlarm(), "code", "REMOTE_CODE"), "command_template",
                          R"({"action": "{{ action }}", "code": "{{ code }}"})"));
        QTest::newRow("removal by an empty payload") << kObjectTopic << QByteArray();
    }
    void valid()
    {
        QFETCH(QString, topic);
        QFETCH(QByteArray, payload);
        const QStringList problems = discoveryProblems(topic, payload);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }

    void broken_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("problem");
        const QByteArray object = bytes(objectState());

        // The topic.
        QTest::newRow("other prefix") << "homeassist/sensor/zelvan_test/object_133/config" << object
                                      << "topic: not homeassistant/";
        QTest::newRow("node_id with a slash")
            << "homeassistant/sensor/zelvan/test/object_133/config" << object
            << "topic: not homeassistant/";
        QTest::newRow("not config") << "homeassistant/sensor/zelvan_test/object_133/state" << object
                                    << "topic: not homeassistant/";
        QTest::newRow("node_id with a dot") << "homeassistant/sensor/zelvan.test/object_133/config"
                                            << object << "topic: node_id \"zelvan.test\"";
        QTest::newRow("empty node_id")
            << "homeassistant/sensor//object_133/config" << object << "topic: node_id \"\"";
        QTest::newRow("object_id in Cyrillic")
            << "homeassistant/sensor/zelvan_test/обект_133/config" << object << "topic: object_id";
        QTest::newRow("component not checked")
            << "homeassistant/switch/zelvan_test/object_133/config" << object
            << "topic: component switch";

        // The payload.
        QTest::newRow("not JSON") << kObjectTopic << QByteArray("{name")
                                  << "sensor: payload is not a JSON object";
        QTest::newRow("JSON array")
            << kObjectTopic << QByteArray("[]") << "sensor: payload is not a JSON object";

        // Required keys.
        QTest::newRow("sensor without state_topic")
            << kObjectTopic << bytes(without(objectState(), "state_topic"))
            << "sensor: state_topic is required";
        QTest::newRow("binary sensor without state_topic")
            << kModuleTopic << bytes(without(moduleLink(), "state_topic"))
            << "binary_sensor: state_topic is required";
        QTest::newRow("alarm panel without state_topic")
            << kAlarmTopic << bytes(without(objectAlarm(), "state_topic"))
            << "alarm_control_panel: state_topic is required";
        QTest::newRow("alarm panel without command_topic")
            << kAlarmTopic << bytes(without(objectAlarm(), "command_topic"))
            << "alarm_control_panel: command_topic is required";

        // Keys the component does not have.
        QTest::newRow("abbreviation")
            << kObjectTopic << bytes(with(objectState(), "stat_t", "zelvan/test/object/133/state"))
            << "sensor: unknown key stat_t";
        QTest::newRow("base topic")
            << kObjectTopic << bytes(with(objectState(), "~", "zelvan/test"))
            << "sensor: unknown key ~";
        QTest::newRow("options on a binary sensor")
            << kModuleTopic << bytes(with(moduleLink(), "options", QJsonArray{"online", "lost"}))
            << "binary_sensor: unknown key options";
        QTest::newRow("device_class on an alarm panel")
            << kAlarmTopic << bytes(with(objectAlarm(), "device_class", "safety"))
            << "alarm_control_panel: unknown key device_class";
        QTest::newRow("platform") << kObjectTopic
                                  << bytes(with(objectState(), "platform", "sensor"))
                                  << "sensor: platform belongs only in a device-based";
        QTest::newRow("object_id")
            << kObjectTopic << bytes(with(objectState(), "object_id", "zelvan_test_object_133"))
            << "sensor: object_id is deprecated";

        // Types of values.
        QTest::newRow("boolean as text")
            << kModuleTopic << bytes(with(moduleLink(), "enabled_by_default", "yes"))
            << "binary_sensor: enabled_by_default must be a boolean";
        QTest::newRow("qos 3") << kObjectTopic << bytes(with(objectState(), "qos", 3))
                               << "sensor: qos must be 0, 1 or 2";
        QTest::newRow("qos 1.5") << kObjectTopic << bytes(with(objectState(), "qos", 1.5))
                                 << "sensor: qos must be 0, 1 or 2";
        QTest::newRow("value_template a number")
            << kAlarmTopic << bytes(with(objectAlarm(), "value_template", 1))
            << "alarm_control_panel: value_template must be a string";
        QTest::newRow("json_attributes_topic an object")
            << kObjectTopic
            << bytes(with(objectState(), "json_attributes_topic",
                          QJsonObject{{"topic", "zelvan/test/object/133/attributes"}}))
            << "sensor: json_attributes_topic must be a string";
        QTest::newRow("name a number") << kObjectTopic << bytes(with(objectState(), "name", 133))
                                       << "sensor: name must be a string or null";
        QTest::newRow("expire_after as text")
            << kViolationsTopic << bytes(with(violations(), "expire_after", "600"))
            << "sensor: expire_after must be an integer";

        // Device classes, entity categories, enum sensors.
        QTest::newRow("binary device class on a sensor")
            << kViolationsTopic << bytes(with(violations(), "device_class", "connectivity"))
            << "sensor: device_class connectivity";
        QTest::newRow("enum on a binary sensor")
            << kModuleTopic << bytes(with(moduleLink(), "device_class", "enum"))
            << "binary_sensor: device_class enum";
        QTest::newRow("sensor of category config")
            << kObjectTopic << bytes(with(objectState(), "entity_category", "config"))
            << "sensor: entity_category must be diagnostic";
        QTest::newRow("alarm panel of category system")
            << kAlarmTopic << bytes(with(objectAlarm(), "entity_category", "system"))
            << "alarm_control_panel: entity_category must be config or diagnostic";
        QTest::newRow("enum without options")
            << kObjectTopic << bytes(without(objectState(), "options"))
            << "sensor: device_class enum without options";
        QTest::newRow("empty options")
            << kObjectTopic << bytes(with(objectState(), "options", QJsonArray{}))
            << "sensor: options is empty";
        QTest::newRow("options not strings")
            << kObjectTopic << bytes(with(objectState(), "options", QJsonArray{"released", 2}))
            << "sensor: options must be a list of strings";
        QTest::newRow("options without enum")
            << kObjectTopic << bytes(with(objectState(), "device_class", "timestamp"))
            << "sensor: options without device_class enum";
        QTest::newRow("options with a unit")
            << kObjectTopic << bytes(with(objectState(), "unit_of_measurement", "V"))
            << "sensor: options with unit_of_measurement";
        QTest::newRow("options with a state class")
            << kObjectTopic << bytes(with(objectState(), "state_class", "measurement"))
            << "sensor: options with state_class";
        QTest::newRow("last reset of a measurement")
            << kViolationsTopic
            << bytes(with(violations(), "last_reset_value_template", "{{ value_json.since }}"))
            << "sensor: last_reset_value_template needs state_class total";

        // The device.
        QTest::newRow("device without identity")
            << kObjectTopic << bytes(withoutDevice(objectState(), "identifiers"))
            << "sensor: device needs identifiers or connections";
        QTest::newRow("identifier a number")
            << kObjectTopic << bytes(withDevice(objectState(), "identifiers", QJsonArray{133}))
            << "sensor: device identifiers must be";
        QTest::newRow("no identifiers in the list")
            << kObjectTopic << bytes(withDevice(objectState(), "identifiers", QJsonArray{}))
            << "sensor: device identifiers must be";
        QTest::newRow("connection not a pair")
            << kObjectTopic
            << bytes(withDevice(objectState(), "connections",
                                QJsonArray{QJsonValue(QJsonArray{"mac"})}))
            << "sensor: device connections must be";
        QTest::newRow("via_device a list")
            << kModuleTopic
            << bytes(withDevice(moduleLink(), "via_device", QJsonArray{"zelvan_test_station"}))
            << "binary_sensor: device via_device must be a string";
        QTest::newRow("device key not documented")
            << kStationTopic << bytes(withDevice(stationLink(), "area", "Охрана"))
            << "binary_sensor: device has unknown key area";
        QTest::newRow("configuration_url ftp")
            << kStationTopic
            << bytes(withDevice(stationLink(), "configuration_url", "ftp://zelvan.local/"))
            << "binary_sensor: device configuration_url must be";
        QTest::newRow("configuration_url without scheme")
            << kStationTopic
            << bytes(withDevice(stationLink(), "configuration_url", "zelvan.local"))
            << "binary_sensor: device configuration_url must be";
        QTest::newRow("device without unique_id")
            << kObjectTopic << bytes(without(objectState(), "unique_id"))
            << "sensor: device without unique_id";
        QTest::newRow("device a string")
            << kObjectTopic << bytes(with(objectState(), "device", "zelvan_test_module_2"))
            << "sensor: device must be an object";

        // Availability.
        QTest::newRow("availability and availability_topic")
            << kModuleTopic
            << bytes(with(moduleLink(), "availability",
                          QJsonArray{QJsonObject{{"topic", "zelvan/test/status"}}}))
            << "binary_sensor: availability_topic together with availability";
        QTest::newRow("availability entry without topic")
            << kObjectTopic << bytes(availableBy({QJsonObject{{"payload_available", "online"}}}))
            << "sensor: availability entry without topic";
        QTest::newRow("availability entry with qos")
            << kObjectTopic
            << bytes(availableBy({QJsonObject{{"topic", "zelvan/test/status"}, {"qos", 1}}}))
            << "sensor: availability entry has unknown key qos";
        QTest::newRow("availability entry a string")
            << kObjectTopic << bytes(availableBy({"zelvan/test/status"}))
            << "sensor: availability entries must be objects";
        QTest::newRow("availability not a list")
            << kObjectTopic
            << bytes(with(objectState(), "availability",
                          QJsonObject{{"topic", "zelvan/test/status"}}))
            << "sensor: availability must be a list";
        QTest::newRow("availability empty")
            << kObjectTopic << bytes(availableBy({})) << "sensor: availability is empty";
        QTest::newRow("availability_mode most")
            << kObjectTopic << bytes(with(objectState(), "availability_mode", "most"))
            << "sensor: availability_mode must be all, any or latest";
        QTest::newRow("availability_mode without the list")
            << kModuleTopic << bytes(with(moduleLink(), "availability_mode", "any"))
            << "binary_sensor: availability_mode without availability";
        QTest::newRow("availability_template without its topic")
            << kObjectTopic << bytes(with(objectState(), "availability_template", "{{ value }}"))
            << "sensor: availability_template without availability_topic";

        // The alarm panel.
        QTest::newRow("disarm as a feature")
            << kAlarmTopic
            << bytes(with(objectAlarm(), "supported_features", QJsonArray{"arm_away", "disarm"}))
            << "alarm_control_panel: supported_features: disarm";
        QTest::newRow("features as text")
            << kAlarmTopic << bytes(with(objectAlarm(), "supported_features", "arm_away"))
            << "alarm_control_panel: supported_features must be a list";
        QTest::newRow("feature twice")
            << kAlarmTopic
            << bytes(with(objectAlarm(), "supported_features", QJsonArray{"arm_away", "arm_away"}))
            << "alarm_control_panel: supported_features lists a feature twice";
        QTest::newRow("remote code not sent")
            << kAlarmTopic << bytes(with(objectAlarm(), "code", "REMOTE_CODE"))
            << "alarm_control_panel: code REMOTE_CODE without command_template";
        QTest::newRow("code a number") << kAlarmTopic << bytes(with(objectAlarm(), "code", 1234))
                                       << "alarm_control_panel: code must be a string";
        QTest::newRow("code_disarm_required as text")
            << kAlarmTopic << bytes(with(objectAlarm(), "code_disarm_required", "false"))
            << "alarm_control_panel: code_disarm_required must be a boolean";
        QTest::newRow("expiry in weeks")
            << kAlarmTopic
            << bytes(with(objectAlarm(), "message_expiry_interval", QJsonObject{{"weeks", 1}}))
            << "alarm_control_panel: message_expiry_interval has unknown key weeks";

        // default_entity_id.
        QTest::newRow("entity id without domain")
            << kObjectTopic
            << bytes(with(objectState(), "default_entity_id", "zelvan_test_object_133"))
            << "sensor: default_entity_id must be sensor.<object id>";
        QTest::newRow("entity id of another domain")
            << kObjectTopic
            << bytes(
                   with(objectState(), "default_entity_id", "binary_sensor.zelvan_test_object_133"))
            << "sensor: default_entity_id must be sensor.<object id>";
        QTest::newRow("entity id the domain alone")
            << kObjectTopic << bytes(with(objectState(), "default_entity_id", "sensor."))
            << "sensor: default_entity_id must be sensor.<object id>";

        // Topics in the payload.
        QTest::newRow("state_topic with +")
            << kObjectTopic
            << bytes(with(objectState(), "state_topic", "zelvan/test/object/+/state"))
            << "sensor: state_topic has a wildcard";
        QTest::newRow("command_topic with #")
            << kAlarmTopic << bytes(with(objectAlarm(), "command_topic", "zelvan/test/#"))
            << "alarm_control_panel: command_topic has a wildcard";
        QTest::newRow("json_attributes_topic with +")
            << kObjectTopic
            << bytes(with(objectState(), "json_attributes_topic", "zelvan/test/+/attributes"))
            << "sensor: json_attributes_topic has a wildcard";
        QTest::newRow("availability_topic with #")
            << kModuleTopic << bytes(with(moduleLink(), "availability_topic", "zelvan/#"))
            << "binary_sensor: availability_topic has a wildcard";
        QTest::newRow("availability list topic with +")
            << kObjectTopic << bytes(availableBy({QJsonObject{{"topic", "zelvan/+/status"}}}))
            << "sensor: availability topic has a wildcard";
        QTest::newRow("empty state_topic")
            << kObjectTopic << bytes(with(objectState(), "state_topic", ""))
            << "sensor: state_topic is empty";

        // The origin.
        QTest::newRow("origin without name")
            << kStationTopic
            << bytes(with(stationLink(), "origin", QJsonObject{{"sw_version", "1.0.0"}}))
            << "binary_sensor: origin needs a name";
        QTest::newRow("origin key not documented")
            << kStationTopic
            << bytes(with(stationLink(), "origin",
                          QJsonObject{{"name", "zelvan"}, {"version", "1.0.0"}}))
            << "binary_sensor: origin has unknown key version";
    }
    void broken()
    {
        QFETCH(QString, topic);
        QFETCH(QByteArray, payload);
        QFETCH(QString, problem);
        const QStringList problems = discoveryProblems(topic, payload);
        QVERIFY2(problems.size() == 1 && problems.first().contains(problem),
                 qPrintable(QStringLiteral("expected one problem with \"%1\", got: %2")
                                .arg(problem, problems.join(QStringLiteral("; ")))));
    }
};

QTEST_GUILESS_MAIN(TestHaDiscoveryRules)
#include "tst_hadiscovery_rules.moc"
