#pragma once

#include <QObject>
#include <QString>

class QAbstractItemModel;

namespace zelvan {

class ScreenState;
class OperatorActions;

// The operator's "Тишина" on the violations window: stops the blink tick's
// alarm tone for the violations already listed, without touching the sound
// option or zelvan.ini. The frame keeps blinking and the list is unchanged.
// The tone comes back by itself with the next violation line, when the
// link-lost window appears or names other modules, and when the list empties.
class AlarmSilence : public QObject
{
    Q_OBJECT
public:
    AlarmSilence(const QAbstractItemModel& alarms, const ScreenState& screen,
                 QObject* parent = nullptr);

    bool silenced() const { return m_silenced; }
    // Only while the violations list holds lines; false when nothing changed.
    bool silence();
    // Where a silence is journaled.
    void setOperatorActions(OperatorActions* actions) { m_operator = actions; }

signals:
    void silencedChanged(bool silenced);

private:
    void set(bool on);
    void screenChanged();

    const QAbstractItemModel& m_alarms;
    const ScreenState& m_screen;
    bool m_silenced = false;
    OperatorActions* m_operator = nullptr;
    // The link-lost window as it was when the operator silenced the tone.
    bool m_linkLostVisible = false;
    QString m_linkLostText;
};

} // namespace zelvan
