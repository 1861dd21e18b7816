#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan {

// One line of the journal: who did what, when, to which object and module,
// then the line's number in its day file and its chain value.
//
// The file's line: time, operator, action, k, m, detail, sequence, chain,
// joined by tabs. The time is local time with its offset from UTC
// ("2026-12-10T08:15:00+02:00"). Lines written before the sequence and the
// chain existed have the first six fields only, and a time without offset
// (local time); they are read as they are.
struct JournalEntry
{
    static constexpr int kActionFields = 6; // time .. detail
    static constexpr int kFields = 8;       // with the sequence and the chain

    QDateTime time;
    QString operatorName; // "-": nobody logged in
    QString action;       // "take", "login_failed" ...
    int object = 0;       // k, 0 if none
    int module = 0;       // m, 0 if none
    QString detail;
    qint64 sequence = 0; // 1, 2 ... in the day file; 0: a line without one
    QByteArray chain;    // hex; empty: written without the journal's key

    // The time as the file writes it: local time and its offset.
    static QString timeText(const QDateTime& time);
    // The six fields of the action, in the file's order.
    QStringList fields() const;
    // Every field the file holds for this line: the six, then the sequence
    // and the chain when the line has a sequence.
    QStringList fileFields() const;
    // The first seven fields as the file holds them, tabs between them, no
    // LF: what the chain value covers. A tab or line break inside a field
    // becomes a blank, so a line stays one line whatever an operator typed.
    QByteArray head() const;
    // The line as the file holds it, LF included: head(), a tab and the chain
    // when the line has a sequence; the six fields alone when it has none.
    QByteArray line() const;
    // A line of the file (without its LF). A line torn by a power cut, or
    // written by hand, keeps what it holds: missing fields are empty.
    static JournalEntry parse(QByteArrayView line);
    // The eight fields of such a line as it stands (a CR at its end dropped;
    // missing ones empty). A line of six fields is one written before the
    // sequence: anything past its sixth tab belongs to the detail, unless the
    // line ends in a sequence and a chain value.
    static QStringList splitFields(QByteArrayView line);
    // Whether a line's last two fields are a sequence and a chain value (the
    // chain empty or 64 hex digits).
    static bool isChained(const QStringList& fields);
};

} // namespace zelvan
