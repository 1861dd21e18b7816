#include "support/HaDiscoveryRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <span>

// The rules as the home-assistant.io pages state them (read in 2026):
//   integrations/mqtt                     discovery topic and payload, origin,
//                                         availability, removal by an empty payload
//   integrations/sensor.mqtt              configuration variables of a sensor
//   integrations/binary_sensor.mqtt       ... of a binary sensor
//   integrations/alarm_control_panel.mqtt ... of an alarm control panel, its states
//   integrations/sensor, binary_sensor    the device class lists
// The pages name object_id no more: default_entity_id ("sensor.foobar", with
// the domain) replaced it, and Home Assistant warns of object_id as deprecated,
// so object_id is reported here as a problem. platform is "only allowed and
// required in device-based discovery" (one topic for a whole device), which
// the panel does not use, so it is a problem in the single-entity configs
// checked here.

namespace zelvan::test {

namespace {

// What the value of a configuration variable must be.
enum class Kind
{
    Text,
    TextOrNull,
    Boolean,
    Integer,
    Qos,
    List,
    Map
};

struct KeyRule
{
    const char* key;
    Kind kind;
};

struct Check;

struct Component
{
    const char* name;
    std::span<const KeyRule> keys; // its own, besides kEntityKeys
    std::span<const char* const> required;
    std::span<const char* const> deviceClasses; // none: it has no device_class
    std::span<const char* const> categories;    // what entity_category may be
    void (*extra)(Check&);
};

// One config under check and the problems found so far.
struct Check
{
    const Component& component;
    const QJsonObject& config;
    QStringList problems;

    void add(const QString& problem)
    {
        problems << QString::fromLatin1(component.name) + QStringLiteral(": ") + problem;
    }
    bool has(const char* key) const { return config.contains(QLatin1String(key)); }
    // There and not null ("unit_of_measurement": null is no unit).
    bool set(const char* key) const { return has(key) && !value(key).isNull(); }
    QJsonValue value(const char* key) const { return config.value(QLatin1String(key)); }
};

// The variables all three pages document alike, and origin, which the MQTT
// page documents for every discovery payload.
constexpr KeyRule kEntityKeys[] = {
    {"availability", Kind::List},
    {"availability_mode", Kind::Text},
    {"availability_template", Kind::Text},
    {"availability_topic", Kind::Text},
    {"default_entity_id", Kind::Text},
    {"device", Kind::Map},
    {"enabled_by_default", Kind::Boolean},
    {"encoding", Kind::Text},
    {"entity_category", Kind::Text},
    {"entity_picture", Kind::Text},
    {"icon", Kind::Text},
    {"json_attributes_template", Kind::Text},
    {"json_attributes_topic", Kind::Text},
    {"name", Kind::TextOrNull},
    {"origin", Kind::Map},
    {"payload_available", Kind::Text},
    {"payload_not_available", Kind::Text},
    {"qos", Kind::Qos},
    {"state_topic", Kind::Text},
    {"unique_id", Kind::Text},
    {"value_template", Kind::Text},
};

constexpr KeyRule kSensorKeys[] = {
    {"device_class", Kind::TextOrNull},
    {"expire_after", Kind::Integer},
    {"force_update", Kind::Boolean},
    {"group", Kind::List},
    {"last_reset_value_template", Kind::Text},
    {"options", Kind::List},
    {"state_class", Kind::Text},
    {"suggested_display_precision", Kind::Integer},
    {"unit_of_measurement", Kind::TextOrNull},
};

constexpr KeyRule kBinarySensorKeys[] = {
    {"device_class", Kind::TextOrNull}, {"expire_after", Kind::Integer},
    {"force_update", Kind::Boolean},    {"group", Kind::List},
    {"off_delay", Kind::Integer},       {"payload_off", Kind::Text},
    {"payload_on", Kind::Text},
};

constexpr KeyRule kAlarmKeys[] = {
    {"code", Kind::Text},
    {"code_arm_required", Kind::Boolean},
    {"code_disarm_required", Kind::Boolean},
    {"code_trigger_required", Kind::Boolean},
    {"command_template", Kind::Text},
    {"command_topic", Kind::Text},
    {"message_expiry_interval", Kind::Map},
    {"payload_arm_away", Kind::Text},
    {"payload_arm_custom_bypass", Kind::Text},
    {"payload_arm_home", Kind::Text},
    {"payload_arm_night", Kind::Text},
    {"payload_arm_vacation", Kind::Text},
    {"payload_disarm", Kind::Text},
    {"payload_trigger", Kind::Text},
    {"retain", Kind::Boolean},
    {"supported_features", Kind::List},
};

constexpr const char* kSensorClasses[] = {
    "absolute_humidity",
    "apparent_power",
    "aqi",
    "area",
    "atmospheric_pressure",
    "battery",
    "blood_glucose_concentration",
    "carbon_dioxide",
    "carbon_monoxide",
    "conductivity",
    "current",
    "data_rate",
    "data_size",
    "date",
    "distance",
    "duration",
    "energy",
    "energy_distance",
    "energy_storage",
    "enum",
    "frequency",
    "gas",
    "humidity",
    "illuminance",
    "irradiance",
    "moisture",
    "monetary",
    "nitrogen_dioxide",
    "nitrogen_monoxide",
    "nitrous_oxide",
    "ozone",
    "ph",
    "pm1",
    "pm25",
    "pm4",
    "pm10",
    "power_factor",
    "power",
    "precipitation",
    "precipitation_intensity",
    "pressure",
    "reactive_energy",
    "reactive_power",
    "signal_strength",
    "sound_pressure",
    "speed",
    "sulphur_dioxide",
    "temperature",
    "temperature_delta",
    "timestamp",
    "uptime",
    "volatile_organic_compounds",
    "volatile_organic_compounds_parts",
    "voltage",
    "volume",
    "volume_flow_rate",
    "volume_storage",
    "water",
    "weight",
    "wind_direction",
    "wind_speed",
};

constexpr const char* kBinarySensorClasses[] = {
    "battery",
    "battery_charging",
    "carbon_monoxide",
    "cold",
    "connectivity",
    "door",
    "garage_door",
    "gas",
    "heat",
    "light",
    "lock",
    "moisture",
    "motion",
    "moving",
    "occupancy",
    "opening",
    "plug",
    "power",
    "presence",
    "problem",
    "running",
    "safety",
    "smoke",
    "sound",
    "tamper",
    "update",
    "vibration",
    "window",
};

constexpr const char* kAlarmFeatures[] = {"arm_home",     "arm_away",          "arm_night",
                                          "arm_vacation", "arm_custom_bypass", "trigger"};

constexpr const char* kAvailabilityEntryKeys[] = {"topic", "payload_available",
                                                  "payload_not_available", "value_template"};
constexpr const char* kAvailabilityModes[] = {"all", "any", "latest"};

// identifiers and connections are lists; the other device keys are strings.
constexpr const char* kDeviceListKeys[] = {"identifiers", "connections"};
constexpr const char* kDeviceTextKeys[] = {
    "configuration_url", "hw_version",     "manufacturer", "model",      "model_id", "name",
    "serial_number",     "suggested_area", "sw_version",   "via_device",
};
constexpr const char* kUrlSchemes[] = {"http", "https", "homeassistant"};

constexpr const char* kOriginKeys[] = {"name", "sw_version", "support_url"};
constexpr const char* kExpiryKeys[] = {"days", "hours", "minutes", "seconds"};

QString text(const char* latin1) { return QString::fromLatin1(latin1); }

bool listed(std::span<const char* const> names, const QString& name)
{
    return std::ranges::any_of(names, [&name](const char* n) { return name == QLatin1String(n); });
}

QString joined(std::span<const char* const> names, const QString& separator)
{
    QStringList out;
    std::ranges::transform(names, std::back_inserter(out), text);
    return out.join(separator);
}

bool isInteger(const QJsonValue& v)
{
    const double d = v.toDouble();
    return v.isDouble() && std::isfinite(d) && std::trunc(d) == d;
}

bool allStrings(const QJsonArray& values)
{
    return std::all_of(values.begin(), values.end(),
                       [](const QJsonValue& v) { return v.isString(); });
}

QStringList strings(const QJsonArray& values)
{
    QStringList out;
    std::transform(values.begin(), values.end(), std::back_inserter(out),
                   [](const QJsonValue& v) { return v.toString(); });
    return out;
}

bool fits(const QJsonValue& v, Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return v.isString();
    case Kind::TextOrNull:
        return v.isString() || v.isNull();
    case Kind::Boolean:
        return v.isBool();
    case Kind::Integer:
        return isInteger(v);
    case Kind::Qos:
        return isInteger(v) && v.toDouble() >= 0 && v.toDouble() <= 2;
    case Kind::List:
        return v.isArray();
    case Kind::Map:
        return v.isObject();
    }
    return false;
}

QString expected(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return QStringLiteral("a string");
    case Kind::TextOrNull:
        return QStringLiteral("a string or null");
    case Kind::Boolean:
        return QStringLiteral("a boolean");
    case Kind::Integer:
        return QStringLiteral("an integer");
    case Kind::Qos:
        return QStringLiteral("0, 1 or 2");
    case Kind::List:
        return QStringLiteral("a list");
    case Kind::Map:
        return QStringLiteral("an object");
    }
    return {};
}

const KeyRule* findRule(std::span<const KeyRule> rules, const QString& key)
{
    const auto it = std::ranges::find_if(
        rules, [&key](const KeyRule& rule) { return key == QLatin1String(rule.key); });
    return it == rules.end() ? nullptr : &*it;
}

// The keys of a nested object (device, origin, an availability entry) that
// are neither among textKeys nor otherKeys, and those of textKeys whose value
// is not a string.
void checkTextKeys(Check& c, const QString& what, const QJsonObject& object,
                   std::span<const char* const> textKeys,
                   std::span<const char* const> otherKeys = {})
{
    const QStringList keys = object.keys();
    for (const QString& key : keys) {
        if (listed(textKeys, key) && !object.value(key).isString())
            c.add(what + QLatin1Char(' ') + key + QStringLiteral(" must be a string"));
        else if (!listed(textKeys, key) && !listed(otherKeys, key))
            c.add(what + QStringLiteral(" has unknown key ") + key);
    }
}

void checkTopic(Check& c, const QString& what, const QString& topic)
{
    if (topic.isEmpty())
        c.add(what + QStringLiteral(" is empty"));
    else if (topic.contains(QLatin1Char('+')) || topic.contains(QLatin1Char('#')))
        c.add(what + QStringLiteral(" has a wildcard (+ or #)"));
}

// ---- the whole config

void checkKey(Check& c, const QString& key)
{
    const KeyRule* rule = findRule(kEntityKeys, key);
    if (!rule)
        rule = findRule(c.component.keys, key);
    if (key == QLatin1String("object_id"))
        c.add(QStringLiteral("object_id is deprecated: default_entity_id replaced it"));
    else if (key == QLatin1String("platform"))
        c.add(QStringLiteral("platform belongs only in a device-based discovery payload"));
    else if (!rule)
        c.add(QStringLiteral("unknown key ") + key);
    else if (!fits(c.config.value(key), rule->kind))
        c.add(key + QStringLiteral(" must be ") + expected(rule->kind));
}

void checkKeys(Check& c)
{
    const QStringList keys = c.config.keys();
    for (const QString& key : keys)
        checkKey(c, key);
}

void checkRequired(Check& c)
{
    for (const char* key : c.component.required) {
        if (!c.has(key))
            c.add(text(key) + QStringLiteral(" is required"));
    }
}

// The topics a config names at its top level are the values of the keys
// that end in _topic; those of an availability list are checked with it.
void checkTopics(Check& c)
{
    const QStringList keys = c.config.keys();
    for (const QString& key : keys) {
        const QJsonValue v = c.config.value(key);
        if (key.endsWith(QLatin1String("_topic")) && v.isString())
            checkTopic(c, key, v.toString());
    }
}

// default_entity_id is the whole entity id with its domain: "sensor.foobar".
void checkEntityId(Check& c)
{
    const QJsonValue v = c.value("default_entity_id");
    const QString domain = text(c.component.name) + QLatin1Char('.');
    if (v.isString() && (!v.toString().startsWith(domain) || v.toString() == domain))
        c.add(QStringLiteral("default_entity_id must be ") + domain
              + QStringLiteral("<object id>"));
}

void checkCategory(Check& c)
{
    const QJsonValue v = c.value("entity_category");
    if (v.isString() && !listed(c.component.categories, v.toString()))
        c.add(QStringLiteral("entity_category must be ")
              + joined(c.component.categories, QStringLiteral(" or ")));
}

void checkDeviceClass(Check& c)
{
    const QJsonValue v = c.value("device_class");
    if (!c.component.deviceClasses.empty() && v.isString()
        && !listed(c.component.deviceClasses, v.toString()))
        c.add(QStringLiteral("device_class ") + v.toString()
              + QStringLiteral(" is not in the documented list"));
}

// ---- availability: one topic, or a list of them

void checkAvailabilityEntry(Check& c, const QJsonValue& entry)
{
    if (!entry.isObject()) {
        c.add(QStringLiteral("availability entries must be objects"));
        return;
    }
    const QJsonObject object = entry.toObject();
    checkTextKeys(c, QStringLiteral("availability entry"), object, kAvailabilityEntryKeys);
    const QJsonValue topic = object.value(QLatin1String("topic"));
    if (topic.isUndefined())
        c.add(QStringLiteral("availability entry without topic"));
    else if (topic.isString())
        checkTopic(c, QStringLiteral("availability topic"), topic.toString());
}

void checkAvailabilityList(Check& c)
{
    const QJsonValue v = c.value("availability");
    if (!v.isArray())
        return; // reported as a type
    const QJsonArray entries = v.toArray();
    if (entries.isEmpty())
        c.add(QStringLiteral("availability is empty"));
    for (const QJsonValue entry : entries)
        checkAvailabilityEntry(c, entry);
}

void checkAvailability(Check& c)
{
    const bool list = c.has("availability");
    if (list && c.has("availability_topic"))
        c.add(QStringLiteral("availability_topic together with availability"));
    if (!list && c.has("availability_mode"))
        c.add(QStringLiteral("availability_mode without availability (it has no effect)"));
    if (c.has("availability_template") && !c.has("availability_topic"))
        c.add(QStringLiteral("availability_template without availability_topic"));
    const QJsonValue mode = c.value("availability_mode");
    if (mode.isString() && !listed(kAvailabilityModes, mode.toString()))
        c.add(QStringLiteral("availability_mode must be all, any or latest"));
    checkAvailabilityList(c);
}

// ---- device and origin

bool isIdentifier(const QJsonValue& v) { return v.isString() && !v.toString().isEmpty(); }

// A string, or a list of strings.
bool validIdentifiers(const QJsonValue& v)
{
    const QJsonArray ids = v.toArray();
    return isIdentifier(v)
           || (v.isArray() && !ids.isEmpty() && std::all_of(ids.begin(), ids.end(), isIdentifier));
}

// [connection_type, connection_identifier], as ["mac", "02:5b:26:a8:dc:12"].
bool isConnection(const QJsonValue& v)
{
    const QJsonArray pair = v.toArray();
    return v.isArray() && pair.size() == 2 && allStrings(pair);
}

bool validConnections(const QJsonValue& v)
{
    const QJsonArray connections = v.toArray();
    return v.isArray() && !connections.isEmpty()
           && std::all_of(connections.begin(), connections.end(), isConnection);
}

bool isConfigurationUrl(const QString& link)
{
    const QUrl url(link, QUrl::StrictMode);
    return url.isValid() && listed(kUrlSchemes, url.scheme())
           && link.startsWith(url.scheme() + QStringLiteral("://")) && !url.host().isEmpty();
}

void checkDeviceIdentity(Check& c, const QJsonObject& device)
{
    const QJsonValue ids = device.value(QLatin1String("identifiers"));
    const QJsonValue connections = device.value(QLatin1String("connections"));
    if (!ids.isUndefined() && !validIdentifiers(ids))
        c.add(QStringLiteral(
            "device identifiers must be a non-empty string or a list of non-empty strings"));
    if (!connections.isUndefined() && !validConnections(connections))
        c.add(QStringLiteral("device connections must be a list of [type, id] pairs"));
    if (ids.isUndefined() && connections.isUndefined())
        c.add(QStringLiteral("device needs identifiers or connections"));
}

void checkDevice(Check& c)
{
    if (!c.has("device"))
        return;
    if (!c.has("unique_id"))
        c.add(QStringLiteral("device without unique_id (a device works only with one)"));
    const QJsonValue v = c.value("device");
    if (!v.isObject())
        return; // reported as a type
    const QJsonObject device = v.toObject();
    checkTextKeys(c, QStringLiteral("device"), device, kDeviceTextKeys, kDeviceListKeys);
    checkDeviceIdentity(c, device);
    const QJsonValue url = device.value(QLatin1String("configuration_url"));
    if (url.isString() && !isConfigurationUrl(url.toString()))
        c.add(QStringLiteral(
            "device configuration_url must be an http://, https:// or homeassistant:// URL"));
}

void checkOrigin(Check& c)
{
    const QJsonValue v = c.value("origin");
    if (!v.isObject())
        return; // absent, or reported as a type
    const QJsonObject origin = v.toObject();
    checkTextKeys(c, QStringLiteral("origin"), origin, kOriginKeys);
    if (!origin.contains(QLatin1String("name")))
        c.add(QStringLiteral("origin needs a name"));
}

// ---- what one component adds

void checkGroup(Check& c)
{
    const QJsonValue v = c.value("group");
    if (v.isArray() && !allStrings(v.toArray()))
        c.add(QStringLiteral("group must be a list of unique IDs (strings)"));
}

// options: the states of an enum sensor, never empty, and only with
// device_class enum, without unit_of_measurement and state_class.
void checkOptions(Check& c, bool isEnum)
{
    if (!isEnum)
        c.add(QStringLiteral("options without device_class enum"));
    if (c.set("unit_of_measurement"))
        c.add(QStringLiteral("options with unit_of_measurement"));
    if (c.set("state_class"))
        c.add(QStringLiteral("options with state_class"));
    const QJsonValue v = c.value("options");
    if (!v.isArray())
        return; // reported as a type
    if (v.toArray().isEmpty())
        c.add(QStringLiteral("options is empty"));
    else if (!allStrings(v.toArray()))
        c.add(QStringLiteral("options must be a list of strings"));
}

void checkSensor(Check& c)
{
    const bool isEnum = c.value("device_class").toString() == QLatin1String("enum");
    if (isEnum && !c.has("options"))
        c.add(QStringLiteral("device_class enum without options"));
    if (c.has("options"))
        checkOptions(c, isEnum);
    if (c.has("last_reset_value_template")
        && c.value("state_class").toString() != QLatin1String("total"))
        c.add(QStringLiteral("last_reset_value_template needs state_class total"));
    checkGroup(c);
}

void checkBinarySensor(Check& c) { checkGroup(c); }

// supported_features lists what the panel can be armed to or triggered by;
// disarm is no feature: Home Assistant always offers it.
void checkFeatures(Check& c)
{
    const QJsonValue v = c.value("supported_features");
    if (!v.isArray())
        return; // absent (all features), or reported as a type
    if (!allStrings(v.toArray())) {
        c.add(QStringLiteral("supported_features must be a list of strings"));
        return;
    }
    const QStringList features = strings(v.toArray());
    for (const QString& feature : features) {
        if (!listed(kAlarmFeatures, feature))
            c.add(QStringLiteral("supported_features: ") + feature
                  + QStringLiteral(" is not a documented feature"));
    }
    if (QSet<QString>(features.begin(), features.end()).size() != features.size())
        c.add(QStringLiteral("supported_features lists a feature twice"));
}

// REMOTE_CODE and REMOTE_CODE_TEXT leave the code to the panel; only
// command_template can put it into the command (the default sends the
// action alone).
void checkCode(Check& c)
{
    const QString code = c.value("code").toString();
    const bool remote =
        code == QLatin1String("REMOTE_CODE") || code == QLatin1String("REMOTE_CODE_TEXT");
    if (remote && !c.has("command_template"))
        c.add(QStringLiteral("code ") + code
              + QStringLiteral(" without command_template (the code would not be sent)"));
}

void checkExpiry(Check& c)
{
    const QJsonValue v = c.value("message_expiry_interval");
    if (!v.isObject())
        return; // absent, or reported as a type
    const QJsonObject interval = v.toObject();
    const QStringList keys = interval.keys();
    for (const QString& key : keys) {
        if (!listed(kExpiryKeys, key))
            c.add(QStringLiteral("message_expiry_interval has unknown key ") + key);
        else if (!isInteger(interval.value(key)))
            c.add(QStringLiteral("message_expiry_interval ") + key
                  + QStringLiteral(" must be an integer"));
    }
}

void checkAlarm(Check& c)
{
    checkFeatures(c);
    checkCode(c);
    checkExpiry(c);
}

constexpr const char* kStateTopic[] = {"state_topic"};
constexpr const char* kStateAndCommandTopics[] = {"state_topic", "command_topic"};
// "When set, the entity category must be diagnostic for sensors."
constexpr const char* kDiagnostic[] = {"diagnostic"};
constexpr const char* kConfigOrDiagnostic[] = {"config", "diagnostic"};

constexpr Component kComponents[] = {
    {"sensor", kSensorKeys, kStateTopic, kSensorClasses, kDiagnostic, checkSensor},
    {"binary_sensor", kBinarySensorKeys, kStateTopic, kBinarySensorClasses, kDiagnostic,
     checkBinarySensor},
    {"alarm_control_panel",
     kAlarmKeys,
     kStateAndCommandTopics,
     {},
     kConfigOrDiagnostic,
     checkAlarm},
};

// ---- the topic

void checkId(QStringList& problems, const QString& what, const QString& id)
{
    static const QRegularExpression allowed(QStringLiteral("^[a-zA-Z0-9_-]+$"));
    if (!allowed.match(id).hasMatch())
        problems << QStringLiteral("topic: ") + what + QStringLiteral(" \"") + id
                        + QStringLiteral("\" must be one or more of [a-zA-Z0-9_-]");
}

// The component a discovery topic names, or null when the topic is not one
// of the form or names a component not checked here.
const Component* componentOf(const QString& topic, QStringList& problems)
{
    const QStringList parts = topic.split(QLatin1Char('/'));
    if ((parts.size() != 4 && parts.size() != 5) || parts.first() != QLatin1String("homeassistant")
        || parts.last() != QLatin1String("config")) {
        problems << QStringLiteral(
            "topic: not homeassistant/<component>/[<node_id>/]<object_id>/config");
        return nullptr;
    }
    if (parts.size() == 5)
        checkId(problems, QStringLiteral("node_id"), parts[2]);
    checkId(problems, QStringLiteral("object_id"), parts[parts.size() - 2]);
    const auto it = std::ranges::find_if(
        kComponents, [&parts](const Component& k) { return parts[1] == QLatin1String(k.name); });
    if (it == std::ranges::end(kComponents)) {
        problems
            << QStringLiteral("topic: component ") + parts[1]
                   + QStringLiteral(
                       " is not one checked here (sensor, binary_sensor, alarm_control_panel)");
        return nullptr;
    }
    return it;
}

void checkConfig(Check& c)
{
    checkKeys(c);
    checkRequired(c);
    checkTopics(c);
    checkEntityId(c);
    checkCategory(c);
    checkDeviceClass(c);
    checkAvailability(c);
    checkDevice(c);
    checkOrigin(c);
    c.component.extra(c);
}

} // namespace

QStringList discoveryProblems(const QString& topic, const QByteArray& payload)
{
    QStringList problems;
    const Component* component = componentOf(topic, problems);
    if (!component || payload.isEmpty())
        return problems;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return problems << QString::fromLatin1(component->name)
                               + QStringLiteral(": payload is not a JSON object");
    const QJsonObject config = document.object();
    Check check{*component, config, {}};
    checkConfig(check);
    return problems + check.problems;
}

QStringList alarmStates()
{
    return {QStringLiteral("disarmed"),       QStringLiteral("armed_home"),
            QStringLiteral("armed_away"),     QStringLiteral("armed_night"),
            QStringLiteral("armed_vacation"), QStringLiteral("armed_custom_bypass"),
            QStringLiteral("pending"),        QStringLiteral("triggered"),
            QStringLiteral("arming"),         QStringLiteral("disarming")};
}

} // namespace zelvan::test
