#include "journal/JournalVerifier.h"

#include "core/JournalLine.h"
#include "core/OperatorActions.h"
#include "journal/JournalTexts.h"

#include <sodium.h>
#include <vector>

namespace zelvan {

namespace {

struct Line
{
    QByteArrayView bytes;
    int number = 0;
    bool whole = true; // ended by an LF
};

struct Parsed
{
    bool chained = false;
    bool old = false; // six fields and a time: written before the chain
    qint64 sequence = 0;
    QByteArrayView head;
    QByteArrayView chain;
    QString action;
};

Parsed parseLine(QByteArrayView bytes)
{
    Parsed p;
    const QStringList f = QString::fromUtf8(bytes).split(QLatin1Char('\t'));
    p.action = f.size() > 2 ? f[2] : QString();
    if (JournalEntry::isChained(f)) {
        p.chained = true;
        const qsizetype tab = bytes.lastIndexOf('\t');
        p.head = bytes.first(tab);
        p.chain = bytes.sliced(tab + 1);
        p.sequence = f[f.size() - 2].toLongLong();
    } else {
        p.old = f.size() == JournalEntry::kActionFields
                && QDateTime::fromString(f[0], Qt::ISODate).isValid();
    }
    return p;
}

struct State
{
    QByteArray chain;
    qint64 sequence = 0;
};

} // namespace

JournalVerifier::JournalVerifier(QByteArray key) : m_key(std::move(key))
{
    if (sodium_init() < 0)
        m_key.clear();
}

QByteArray JournalVerifier::chainValue(QByteArrayView key, QByteArrayView previous,
                                       QByteArrayView head)
{
    if (key.size() < crypto_generichash_KEYBYTES_MIN
        || key.size() > crypto_generichash_KEYBYTES_MAX)
        return {};
    unsigned char out[32];
    crypto_generichash_state state;
    const auto* k = reinterpret_cast<const unsigned char*>(key.data());
    crypto_generichash_init(&state, k, size_t(key.size()), sizeof out);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(previous.data()),
                              quint64(previous.size()));
    const unsigned char lf = '\n';
    crypto_generichash_update(&state, &lf, 1);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(head.data()),
                              quint64(head.size()));
    crypto_generichash_final(&state, out, sizeof out);
    return QByteArray(reinterpret_cast<const char*>(out), sizeof out).toHex();
}

JournalCheck JournalVerifier::verify(QByteArrayView content, const QString& dayName) const
{
    std::vector<Line> lines;
    int number = 0;
    for (QByteArrayView rest = content; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        ++number;
        const QByteArrayView bytes = end < 0 ? rest : rest.first(end);
        if (!bytes.isEmpty())
            lines.push_back({bytes, number, end >= 0});
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    }

    JournalCheck check;
    State state{dayStart(dayName), 0};
    bool started = false;
    // Whether a line follows `s`: the next sequence, and its chain value
    // right (or empty: a line written without the key).
    const auto follows = [this](const Parsed& p, const State& s) {
        return p.chained && p.sequence == s.sequence + 1
               && (p.chain.isEmpty()
                   || (hasKey() && p.chain == chainValue(m_key, s.chain, p.head)));
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const Parsed p = parseLine(line.bytes);
        if (!started && p.old) {
            ++check.unchained;
            continue;
        }
        if (follows(p, state)) {
            started = true;
            if (p.chain.isEmpty()) {
                if (check.unkeyed++ == 0)
                    check.firstUnkeyed = line.number;
            } else {
                ++check.verified;
            }
            state = {p.chain.toByteArray(), p.sequence};
            continue;
        }
        const bool last = i + 1 == lines.size();
        const Parsed next = last ? Parsed() : parseLine(lines[i + 1].bytes);
        const bool nextFollows = !last && follows(next, state);
        if (!p.chained
            && ((last && !line.whole)
                || (nextFollows && next.action == journalActionName(JournalAction::UncleanEnd)))) {
            check.torn.append(line.number);
            continue;
        }
        check.line = line.number;
        check.sequence = p.sequence;
        check.expected = state.sequence + 1;
        if (p.chained && p.sequence > state.sequence + 1)
            check.fault = JournalCheck::Fault::Removed;
        else if (nextFollows || (p.chained && p.sequence <= state.sequence))
            check.fault = JournalCheck::Fault::Inserted;
        else
            check.fault = JournalCheck::Fault::Changed;
        return check;
    }
    return check;
}

QStringList JournalVerifier::describe(const JournalCheck& check, const QString& fileName)
{
    namespace texts = journal_texts;
    QStringList lines;
    const QString line = QString::number(check.line);
    const QString sequence = QString::number(check.sequence);
    switch (check.fault) {
    case JournalCheck::Fault::Changed:
        lines << texts::verifyChanged().arg(fileName, line, sequence);
        break;
    case JournalCheck::Fault::Removed:
        lines << texts::verifyRemoved().arg(fileName, line, sequence,
                                            QString::number(check.expected));
        break;
    case JournalCheck::Fault::Inserted:
        lines << texts::verifyInserted().arg(fileName, line, sequence);
        break;
    case JournalCheck::Fault::None:
        if (check.verified > 0 || !check.unverifiable())
            lines << texts::verifyOk().arg(fileName).arg(check.verified);
        if (check.unchained > 0)
            lines << texts::verifyOld().arg(fileName).arg(check.unchained);
        if (check.unkeyed > 0)
            lines
                << texts::verifyUnkeyed().arg(fileName).arg(check.unkeyed).arg(check.firstUnkeyed);
        break;
    }
    if (!check.torn.isEmpty()) {
        QStringList numbers;
        for (const int n : check.torn)
            numbers << QString::number(n);
        lines << texts::verifyTorn().arg(fileName, numbers.join(QStringLiteral(", ")));
    }
    return lines;
}

} // namespace zelvan
