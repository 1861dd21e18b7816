#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

namespace zelvan {

struct StationState;
class CommandSender;
class ScreenState;
class SerialLine;
class OperatorActions;
struct SavedModuleState;

// The restore tab: one button per module (Command8) showing when its link was
// lost, and the sending of the saved take commands back to the module. Only
// lines that are a take command of an object of the module are sent; any
// other line is passed over and named in the problem list (when a screen is
// given) and the journal. Each saved line goes out once, in file order; before each line the
// restore waits on the event loop until the port's output queue is empty, so a slow line never
// makes it pass over an object. A port whose output does not drain within drainTimeout() ends the
// restore: the lines not sent are named in the panel's problem list (when a screen is given), until
// the next restore.
//
// It outlives the menu window: the operator's desk owns it, so leaving the
// window does not cut a restore short.
class StateRestore : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDrainTimeoutMs = 30000;

    StateRestore(const StationState& state, CommandSender& commands, ScreenState* screen = nullptr,
                 QObject* parent = nullptr);

    void setDrainTimeout(int ms) { m_drainTimer.setInterval(ms); }
    int drainTimeout() const { return m_drainTimer.interval(); }

    // Captions and enabled state of the eight buttons from the Mdl_<n>.dat files.
    void refresh();
    // Button of module m (1..8).
    QString caption(int m) const;
    bool enabled(int m) const;
    // ProgressBar1: 0..100, the object number of the line last sent as a
    // percentage of 128; 0 when no restore runs.
    int progress() const { return m_progress; }
    bool running() const { return m_module != 0; }
    int runningModule() const { return m_module; }

    // Starts sending the saved lines of module m. False when a restore is
    // already running or the module has no saved state.
    bool restore(int m);
    // Where the restore's start, end and every line sent are journaled.
    void setOperatorActions(OperatorActions* actions) { m_operator = actions; }

    // "dd " + month name + " yyyy г.  hh:mm:ss": the moment a link was lost.
    static QString lossText(const StationState& state, const QDateTime& t);

signals:
    void changed();
    // The restore of module m has ended: its last line sent, or given up.
    void finished(int m);
    // The port did not take the restore's output: `unsent` saved lines of
    // module m were not sent.
    void stalled(int m, int unsent);

private:
    // The port module m's lines go out on, or nullptr when they go nowhere.
    SerialLine* portFor(int m) const;
    int portNumberFor(int m) const;
    void sendNext();
    void onOutputDrained();
    void onDrainTimeout();
    void finish();
    // "3, 5, 9": the numbers of lines, the first ten of them.
    static QString lineNumbers(const QList<int>& lines);
    // The problem of a file's lines that are not sent; empty when none.
    static QString skippedProblem(const SavedModuleState& saved);

    const StationState& m_state;
    CommandSender& m_commands;
    ScreenState* m_screen;
    QTimer m_drainTimer;
    std::array<QString, 9> m_captions{};
    std::array<bool, 9> m_available{};
    int m_module = 0;
    QList<QByteArray> m_lines;
    QList<int> m_objects; // the object number of each line
    qsizetype m_next = 0;
    bool m_waiting = false;
    int m_progress = 0;
    int m_unsent = 0;      // lines of the running restore that could not go out
    QString m_fileProblem; // lines of the file that are not take commands, until the next restore
    OperatorActions* m_operator = nullptr;
};

} // namespace zelvan
