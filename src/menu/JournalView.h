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
    // What the check of the day's chain found when it is not all well: the
    // first line changed, removed or inserted, lines that cannot be proved,
    // lines torn by a crash. Empty when every line verifies.
    QString verification() const { return m_verification; }
    // What the tab shows above the lines: the problem, or the verification.
    QString notice() const { return m_problem.isEmpty() ? m_verification : m_problem; }

    // A line as the tab shows it to the operator: the time as the panel shows
    // times, the action in the operator's words, an option by its caption on
    // the options tab; the file and the feed keep their machine words.
    static QStringList shownFields(const JournalEntry& e);
    // The lines shown as printed: a header, then one line each.
    QString text() const;
    // The lines shown as a spreadsheet: one row per line, every field the
    // file holds (the sequence and the chain value too, to check it outside),
    // with the action's word for the operator beside its code.
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
    QString m_verification;
};

} // namespace zelvan
