#include "dc09/Dc09Events.h"

#include "core/Addressing.h"
#include "events/DayFile.h"

#include <QRegularExpression>

namespace zelvan::dc09 {

namespace {

constexpr char16_t kLetters[] = u"APONF12345SVRB";

} // namespace

std::optional<EventCode> EventCode::parse(const QString& text)
{
    const QString t = text.simplified();
    if (t.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return EventCode{};
    static const QRegularExpression form(
        QStringLiteral("^([A-Z]{2}) ([ERP][0-9]{3}) ([0-9]{1,3})$"));
    const QRegularExpressionMatch m = form.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    return EventCode{m.captured(1).toLatin1(), m.captured(2).toLatin1(), m.captured(3).toInt()};
}

QString EventCode::text() const
{
    if (local())
        return QStringLiteral("none");
    return QStringLiteral("%1 %2 %3").arg(QLatin1String(sia), QLatin1String(cid)).arg(number);
}

CodeTable::CodeTable()
    : m_codes{
        {u'A', {"BA", "E130", 1}},
        {u'P', {"CL", "R401", 1}},
        {u'O', {"OP", "E401", 1}},
        {u'N', {"CL", "R401", 2}},
        {u'F', {"OP", "E401", 2}},
        {u'1', {"AT", "E301", 0}},
        {u'2', {"YT", "E302", 0}},
        {u'3', {"BA", "E130", 2}},
        {u'4', {"BA", "E130", 3}},
        {u'5', {"BA", "E130", 4}},
        // The module's number goes in as the zone of these two.
        {u'S', {"YK", "R350", 0}},
        {u'V', {"YC", "E350", 0}},
        {u'R', {}},
        {u'B', {}},
    },
      m_restore{"BR", "R130", 1}
{
}

QString CodeTable::keys() { return QString::fromUtf16(kLetters); }

bool CodeTable::has(const QString& key) const
{
    return key == QLatin1String("restore") || (key.size() == 1 && keys().contains(key[0]));
}

void CodeTable::set(const QString& key, const EventCode& code)
{
    if (key == QLatin1String("restore"))
        m_restore = code;
    else if (has(key))
        m_codes[key[0].unicode()] = code;
}

const EventCode& CodeTable::of(QChar letter) const
{
    static const EventCode none;
    const auto it = m_codes.find(letter.unicode());
    return it == m_codes.end() ? none : it->second;
}

QByteArray Accounts::of(int k) const
{
    if (const auto it = objects.find(k); it != objects.end())
        return it->second;
    return QByteArray::number(systemNo) + QByteArray::number(moduleOf(k))
           + QByteArray::number(objectNoOf(k)).rightJustified(3, '0');
}

std::vector<Event> EventMapper::map(const DayRecord& record)
{
    std::vector<Event> out;
    const QTime time = QTime(0, 0).addSecs(record.secondOfDay());
    const QChar l = record.letter;
    if (record.k == 0) {
        const EventCode& code = m_codes.of(l);
        if ((l == u'S' || l == u'V') && !code.local() && record.module >= 1)
            out.push_back({m_accounts.station, {code.sia, code.cid, record.module}, time, 0});
        return out;
    }
    if (!isObject(record.k))
        return out;
    const QByteArray account = m_accounts.of(record.k);
    if ((l == u'P' || l == u'O') && m_violated[size_t(record.k)] && !m_codes.restore().local())
        out.push_back({account, m_codes.restore(), time, record.k});
    note(record);
    if (const EventCode& code = m_codes.of(l); !code.local())
        out.push_back({account, code, time, record.k});
    return out;
}

void EventMapper::note(const DayRecord& record)
{
    if (!isObject(record.k))
        return;
    if (record.letter == u'A')
        m_violated.set(size_t(record.k));
    else if (record.letter == u'P' || record.letter == u'O')
        m_violated.reset(size_t(record.k));
}

QByteArray dataBlock(const QByteArray& token, const Event& event)
{
    const EventCode& c = event.code;
    QByteArray out = '#' + event.account + '|';
    if (token == "ADM-CID") {
        // Q EEE GG CCC: the qualifier (1 new event, 3 restore, 6 previous),
        // the event, the partition and the zone or user.
        const char q = c.cid.startsWith('R') ? '3' : c.cid.startsWith('P') ? '6' : '1';
        out += q + c.cid.mid(1) + " 01 " + QByteArray::number(c.number).rightJustified(3, '0');
        return out;
    }
    out += "Nti" + event.time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + '/' + c.sia
           + QByteArray::number(c.number);
    return out;
}

} // namespace zelvan::dc09
