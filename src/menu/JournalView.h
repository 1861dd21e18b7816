#pragma once

#include "journal/Journal.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QStringList>

namespace zelvan {

// The journal tab's model: one day's actions, newest last, filtered by
// operator and by object, as a list, a printed text and a spreadsheet.
class JournalView : public QObject
{
    Q_OBJECT
public:
    explicit JournalView(const Journal* journal = nullptr, QObject* parent = nullptr);
    void setJournal(const Journal* journal) { m_journal = journal; }

    bool available() const { return m_journal != nullptr; }
    QDate day() const { return m_day; }
    // Reads the day's file afresh.
    void setDay(const QDate& day);
    void reload() { setDay(m_day); }
    // Empty: every operator.
    void setOperatorFilter(const QString& name);
    // 0: every object.
    void setObjectFilter(int k);

    // The operators named in the day's file, in the order they first appear.
    QStringList operatorsOfDay() const;
    // The lines shown.
    const QList<JournalEntry>& shown() const { return m_shown; }
    // Why the day's file cannot be read; empty when it can (or is not there).
    QString problem() const { return m_problem; }

    // The lines shown as printed: a header, then one line each.
    QString text() const;
    // The lines shown as a spreadsheet: one row per line, its six fields.
    QByteArray csv(QChar separator) const;
    // The name offered for a file of the day's journal.
    QString fileName(const QString& suffix) const;

signals:
    void changed();

private:
    void filter();

    const Journal* m_journal;
    QDate m_day;
    QString m_operator;
    int m_object = 0;
    QList<JournalEntry> m_all;
    QList<JournalEntry> m_shown;
    QString m_problem;
};

} // namespace zelvan
