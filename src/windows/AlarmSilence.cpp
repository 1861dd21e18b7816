#include "windows/AlarmSilence.h"

#include "core/OperatorActions.h"
#include "core/ScreenState.h"

#include <QAbstractItemModel>

namespace zelvan {

AlarmSilence::AlarmSilence(const QAbstractItemModel& alarms, const ScreenState& screen,
                           QObject* parent)
    : QObject(parent), m_alarms(alarms), m_screen(screen)
{
    // A new violation line, whatever its object: the operator must hear it.
    connect(&alarms, &QAbstractItemModel::rowsInserted, this, [this] { set(false); });
    const auto emptied = [this] {
        if (m_alarms.rowCount() == 0)
            set(false);
    };
    connect(&alarms, &QAbstractItemModel::rowsRemoved, this, emptied);
    connect(&alarms, &QAbstractItemModel::modelReset, this, emptied);
    connect(&screen, &ScreenState::changed, this, &AlarmSilence::screenChanged);
}

bool AlarmSilence::silence()
{
    if (m_silenced || m_alarms.rowCount() == 0)
        return false;
    m_linkLostVisible = m_screen.linkLost().visible;
    m_linkLostText = m_screen.linkLost().text;
    set(true);
    // Silencing needs no log-in: the tone of a listed violation is the
    // operator's to stop at once. It is journaled with whoever is there.
    journal(m_operator, JournalAction::Silence, 0, 0,
            QStringLiteral("%1 violations listed").arg(m_alarms.rowCount()));
    return true;
}

void AlarmSilence::screenChanged()
{
    if (!m_silenced)
        return;
    const ScreenState::LinkLost& l = m_screen.linkLost();
    // The link-lost window appearing, or naming other modules than when the
    // tone was silenced, is a new alarm.
    if (l.visible && (!m_linkLostVisible || l.text != m_linkLostText))
        set(false);
    else if (!l.visible)
        m_linkLostVisible = false;
}

void AlarmSilence::set(bool on)
{
    if (m_silenced == on)
        return;
    m_silenced = on;
    emit silencedChanged(on);
}

} // namespace zelvan
