#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zelvan {

// One line of the journal: who did what, when, to which object and module.
struct JournalEntry
{
    QDateTime time;
    QString operatorName; // "-": nobody logged in
    QString action;       // "take", "login_failed" ...
    int object = 0;       // k, 0 if none
    int module = 0;       // m, 0 if none
    QString detail;

    // The six fields of the file's line, in its order.
    QStringList fields() const;
    // The line as the file holds it, LF included: fields joined by tabs; a
    // tab or line break inside a field becomes a blank, so a line stays one
    // line of six fields whatever an operator typed.
    QByteArray line() const;
    // A line of the file (without its LF). A line torn by a power cut, or
    // written by hand, keeps what it holds: missing fields are empty.
    static JournalEntry parse(QByteArrayView line);
    // The six fields of such a line as it stands (a CR at its end dropped;
    // anything past a sixth tab belongs to the detail).
    static QStringList splitFields(QByteArrayView line);
};

} // namespace zelvan
