#include "menu/JournalView.h"

#include "journal/JournalTexts.h"
#include "menu/MenuTexts.h"
#include "report/ReportCsv.h"

namespace zelvan {

namespace {

constexpr qsizetype kActionField = 2;

// An option's name in the journal ("Check3", "font") as the options tab
// captions it.
QString optionCaption(const QString& name)
{
    for (size_t i = 0; i < menu_texts::kOptionControls.size(); ++i) {
        if (menu_texts::kOptionControls[i] == name)
            return menu_texts::kOptionCaptions[i];
    }
    if (name == QLatin1String("font"))
        return menu_texts::kFontName;
    if (name == QLatin1String("size"))
        return menu_texts::kFontSize;
    if (name == QLatin1String("bold"))
        return menu_texts::kBold;
    if (name == QLatin1String("italic"))
        return menu_texts::kItalic;
    return name;
}

// "Check3: 0 -> 1" as "Панела отгоре при нарушение: 0 -> 1".
QString shownDetail(const JournalEntry& e)
{
    if (e.action != journalActionName(JournalAction::Options))
        return e.detail;
    const qsizetype colon = e.detail.indexOf(QStringLiteral(": "));
    if (colon <= 0)
        return e.detail;
    return optionCaption(e.detail.first(colon)) + e.detail.sliced(colon);
}

} // namespace

QStringList JournalView::shownFields(const JournalEntry& e)
{
    return {e.time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")),
            e.operatorName,
            journalActionCaption(e.action),
            QString::number(e.object),
            QString::number(e.module),
            shownDetail(e)};
}

JournalView::JournalView(const Journal* journal, QObject* parent)
    : QObject(parent), m_journal(journal)
{
}

void JournalView::setDay(const QDate& day)
{
    m_day = day;
    m_all.clear();
    m_problem.clear();
    m_verification.clear();
    if (m_journal) {
        QString error;
        std::optional<JournalCheck> check;
        m_all = m_journal->read(day, &error, &check);
        if (!error.isEmpty())
            m_problem = journal_texts::journalUnreadable().arg(error);
        else if (check && (check->broken() || check->unverifiable() || !check->torn.isEmpty()))
            m_verification =
                JournalVerifier::describe(*check, Journal::fileName(day)).join(QLatin1Char('\n'));
        else if (!check && !m_all.isEmpty())
            m_verification = journal_texts::verifyNoKey();
    }
    filter();
}

void JournalView::setOperatorFilter(const QString& name)
{
    m_operator = name;
    filter();
}

void JournalView::setObjectFilter(int k)
{
    m_object = k;
    filter();
}

void JournalView::filter()
{
    m_shown.clear();
    for (const JournalEntry& e : m_all) {
        if ((m_operator.isEmpty() || e.operatorName == m_operator)
            && (m_object == 0 || e.object == m_object))
            m_shown.append(e);
    }
    emit changed();
}

QStringList JournalView::operatorsOfDay() const
{
    QStringList names;
    for (const JournalEntry& e : m_all) {
        if (!names.contains(e.operatorName))
            names.append(e.operatorName);
    }
    return names;
}

QString JournalView::text() const
{
    QStringList lines{
        journal_texts::journalHeader().replace(QLatin1Char('\t'), QStringLiteral("  "))};
    for (const JournalEntry& e : m_shown)
        lines << shownFields(e).join(QStringLiteral("  "));
    return lines.join(QLatin1Char('\n'));
}

QByteArray JournalView::csv(QChar separator) const
{
    QByteArray bytes;
    for (const JournalEntry& e : m_shown) {
        QStringList row = e.fileFields();
        row.insert(kActionField, journalActionCaption(e.action));
        bytes += csvRow(row, separator);
    }
    return bytes;
}

QString JournalView::fileName(const QString& suffix) const
{
    return journal_texts::journalTab() + QLatin1Char(' ') + m_day.toString(Qt::ISODate) + suffix;
}

} // namespace zelvan
