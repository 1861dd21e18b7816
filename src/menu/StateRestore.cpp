#include "menu/StateRestore.h"

#include "core/Addressing.h"
#include "core/NumericText.h"
#include "core/OperatorActions.h"
#include "core/ScreenState.h"
#include "core/SerialLine.h"
#include "core/StationState.h"
#include "link/CommandSender.h"
#include "menu/MenuLabels.h"
#include "menu/MenuTexts.h"
#include "menu/SavedModuleState.h"

#include <algorithm>

namespace zelvan {

StateRestore::StateRestore(const StationState& state, CommandSender& commands, ScreenState* screen,
                           QObject* parent)
    : QObject(parent), m_state(state), m_commands(commands), m_screen(screen)
{
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setInterval(kDrainTimeoutMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &StateRestore::onDrainTimeout);
    for (int p = 1; p <= 2; ++p) {
        SerialLine& line = m_commands.port(p);
        connect(&line, &SerialLine::outputDrained, this, &StateRestore::onOutputDrained);
        // A port that fails while the restore waits is closed: the remaining
        // lines find it closed and are passed over.
        connect(&line, &SerialLine::failed, this, &StateRestore::onOutputDrained);
    }
}

QString StateRestore::lossText(const StationState& state, const QDateTime& t)
{
    const QDate d = t.date();
    const QString month = state.MonthName.at(size_t(std::clamp(d.month(), 1, 12)));
    return QStringLiteral("%1 %2 %3")
               .arg(d.day(), 2, 10, QLatin1Char('0'))
               .arg(month)
               .arg(d.year(), 4, 10, QLatin1Char('0'))
           + menu_texts::kYearSuffix + QStringLiteral("  ")
           + t.time().toString(QStringLiteral("HH:mm:ss"));
}

void StateRestore::refresh()
{
    for (int m = 1; m <= kModuleCount; ++m) {
        const SavedModuleState saved = SavedModuleState::read(m_state.DataDir, m);
        m_available[size_t(m)] = saved.exists;
        QString state = menu_texts::kRestoreNoData;
        if (saved.exists)
            state = menu_texts::kRestoreGap + lossText(m_state, saved.lostAt);
        else if (saved.unreadable)
            state = menu_texts::kRestoreUnreadable;
        m_captions[size_t(m)] = menuModuleCaption(m_state, m) + state;
    }
    emit changed();
}

QString StateRestore::caption(int m) const
{
    return m >= 1 && m <= kModuleCount ? m_captions[size_t(m)] : QString();
}

bool StateRestore::enabled(int m) const
{
    return m >= 1 && m <= kModuleCount && m_available[size_t(m)] && !running();
}

int StateRestore::portNumberFor(int m) const
{
    if (m_state.hubTopology())
        return 1;
    if (m == 1 || m == 2)
        return m;
    return 0; // without the hub only modules 1 and 2 have a line of their own
}

SerialLine* StateRestore::portFor(int m) const
{
    const int p = portNumberFor(m);
    return p == 0 ? nullptr : &m_commands.port(p);
}

bool StateRestore::restore(int m)
{
    if (running() || m < 1 || m > kModuleCount)
        return false;
    const SavedModuleState saved = SavedModuleState::read(m_state.DataDir, m);
    if (!saved.exists)
        return false;
    m_module = m;
    m_lines = saved.commands;
    m_objects = saved.objects;
    m_next = 0;
    m_waiting = false;
    m_progress = 0;
    m_unsent = 0;
    m_fileProblem = skippedProblem(saved);
    if (m_screen)
        m_screen->setProblem(ScreenState::ProblemSource::Restore, m_fileProblem);
    journal(m_operator, JournalAction::Restore, 0, m,
            QStringLiteral("started, %1 lines").arg(m_lines.size()));
    if (!saved.skippedLines.isEmpty()) {
        journal(m_operator, JournalAction::Restore, 0, m,
                QStringLiteral("skipped, not take commands of the module: %1 line(s) of %2: %3")
                    .arg(saved.skippedLines.size())
                    .arg(saved.path, lineNumbers(saved.skippedLines)));
    }
    emit changed();
    sendNext();
    return true;
}

void StateRestore::sendNext()
{
    SerialLine* line = portFor(m_module);
    const int portNo = portNumberFor(m_module);
    while (m_next < m_lines.size()) {
        if (line == nullptr || !line->isOpen()) {
            // Nowhere to send: the remaining lines cannot go out.
            m_unsent = int(m_lines.size() - m_next);
            m_next = m_lines.size();
            break;
        }
        if (line->bytesToWrite() > 0) {
            m_waiting = true; // resumed by outputDrained, or given up
            m_drainTimer.start();
            return;
        }
        const QByteArray& command = m_lines.at(m_next);
        const int objectNo = m_objects.at(m_next);
        ++m_next;
        QByteArray bytes;
        if (m_state.hubTopology())
            bytes = '}' + QByteArray::number(m_module % 10);
        bytes += command + '\r';
        m_commands.writeRaw(portNo, bytes);
        journal(m_operator, JournalAction::Take, globalIndex(m_module, objectNo), m_module,
                command_origin::restore());
        m_progress = int(std::clamp<qint64>(
            roundHalfEven(objectNo / double(kObjectsPerModule) * 100.0), 0, 100));
        emit changed();
    }
    finish();
}

void StateRestore::onOutputDrained()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_drainTimer.stop();
    sendNext();
}

void StateRestore::onDrainTimeout()
{
    if (!m_waiting)
        return;
    const int m = m_module;
    const int unsent = int(m_lines.size() - m_next);
    if (m_screen) {
        const QString stalledText =
            menu_texts::kRestoreStalled.arg(menuModuleCaption(m_state, m)).arg(unsent);
        m_screen->setProblem(ScreenState::ProblemSource::Restore,
                             m_fileProblem.isEmpty()
                                 ? stalledText
                                 : m_fileProblem + QLatin1Char('\n') + stalledText);
    }
    m_unsent = unsent;
    emit stalled(m, unsent);
    finish();
}

QString StateRestore::lineNumbers(const QList<int>& lines)
{
    // A damaged file may hold any number of lines: the first few are named.
    constexpr qsizetype kNamed = 10;
    QStringList named;
    for (qsizetype i = 0; i < lines.size() && i < kNamed; ++i)
        named << QString::number(lines.at(i));
    QString text = named.join(QStringLiteral(", "));
    if (lines.size() > kNamed)
        text += menu_texts::kRestoreMoreLines.arg(lines.size() - kNamed);
    return text;
}

QString StateRestore::skippedProblem(const SavedModuleState& saved)
{
    if (saved.skippedLines.isEmpty())
        return QString();
    return menu_texts::kRestoreSkipped.arg(saved.path, lineNumbers(saved.skippedLines));
}

void StateRestore::finish()
{
    const int m = m_module;
    journal(m_operator, JournalAction::Restore, 0, m,
            m_unsent == 0
                ? QStringLiteral("finished")
                : QStringLiteral("ended with a problem: %1 lines not sent").arg(m_unsent));
    m_module = 0;
    m_lines.clear();
    m_objects.clear();
    m_next = 0;
    m_waiting = false;
    m_drainTimer.stop();
    m_progress = 0;
    emit changed();
    emit finished(m);
}

} // namespace zelvan
