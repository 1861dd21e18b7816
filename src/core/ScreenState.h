#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

namespace zelvan {

// Which windows the operator sees and the texts of the start-up and link-lost
// windows: decided by the engine, drawn by the forms.
class ScreenState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // An empty text: nothing set since the window was shown, so it shows its
    // own text (the forms keep those beside their other texts).
    struct Splash
    {
        bool visible = false;
        QString modules;  // Label2
        QString objects;  // Label3
        QString linkTest; // Label4
        int progress = 0; // ProgressBar1, clamped to 0..100
    };
    struct LinkLost
    {
        bool visible = false;
        QString text;
        quint32 color = 255; // text colour, red in the low byte
    };

    bool mainVisible() const { return m_mainVisible; }
    QString mainTitle() const { return m_mainTitle; }
    bool alarmsVisible() const { return m_alarmsVisible; }
    bool eventsVisible() const { return m_eventsVisible; }
    bool keypadVisible() const { return m_keypadVisible; }
    const Splash& splash() const { return m_splash; }
    const LinkLost& linkLost() const { return m_linkLost; }
    // The problems the operator must see (a file that cannot be written, a
    // damaged zelvan.ini, a port that failed), one per source, every one shown
    // at once in the order of the sources; empty when there is none.
    enum class ProblemSource
    {
        Config,
        OptionsWrite,
        DataFiles,
        Archive,
        ArchiveSync,     // the data directory's file system cannot sync
        ArchiveRecovery, // records saved at the last exit that cannot be read back
        Port1,
        Port2,
        ModuleState,
        Restore,
        Colors,
        FeedConfig,      // mqtt.ini or its password file
        Broker,          // the MQTT broker cannot be reached
        FeedRead,        // a day file the MQTT feed cannot read, or its cursor does not fit
        FeedRefused,     // the MQTT broker refuses what the feed publishes
        Journal,         // the journal of the operator's actions cannot be written
        Operators,       // the operators file cannot be used
        JournalFeed,     // the journal cannot be read or is refused on its way to the broker
        JournalKey,      // the journal's key cannot be used: lines are written without chain values
        JournalRecovery, // journal lines saved at the last exit that cannot be read back
        LoginHolds,      // operators' names held after wrong PINs, or their file in trouble
        Pair,            // the pair of panels: its configuration, the broker, no active panel
        Dc09Config,      // dc09.ini
        Dc09Receiver,    // the receiving centre does not answer or cannot be reached
        Dc09Clock,       // the receiving centre's clock differs from the panel's
        Dc09Refused,     // the receiving centre received a record but did not process it
        Dc09Damaged,     // damaged day-file lines not forwarded
        Dc09Read,        // a day file or the cursor of the forwarder
        Dc09RefusedList, // a record passed over could not be added to dc09-refused.txt
        Count
    };
    QStringList problems() const;
    // All of them, one per line.
    QString problem() const { return problems().join(QLatin1Char('\n')); }

    void setMainVisible(bool on);
    void setMainTitle(const QString& title);
    void setAlarmsVisible(bool on);
    void setEventsVisible(bool on);
    void setKeypadVisible(bool on);
    // A new violation: the violations window is shown, however it was hidden,
    // and brought in front of the other windows. Before the main window is
    // first shown the windows wait for it, as at start.
    void bringAlarmsBack();
    void setSplashVisible(bool on);
    void setSplashTexts(const QString& modules, const QString& objects, const QString& linkTest);
    // percent is clamped to 0..100
    void setSplashProgress(double percent);
    void setLinkLostVisible(bool on);
    void setLinkLostText(const QString& text);
    void setLinkLostColor(quint32 color);
    // The problem of one source; an empty text takes it away.
    void setProblem(ProblemSource source, const QString& text);
    QString problemOf(ProblemSource source) const { return m_problems[size_t(source)]; }

signals:
    void changed();
    // The main window is asked to come to the front (violation blink).
    void raiseMainRequested();
    // The violations window is asked to come in front of the other windows.
    void raiseAlarmsRequested();

private:
    bool m_mainVisible = false;
    QString m_mainTitle = QStringLiteral("Zelvan  U2  -  Panel");
    bool m_alarmsVisible = false;
    bool m_eventsVisible = false;
    bool m_keypadVisible = false;
    Splash m_splash;
    LinkLost m_linkLost;
    std::array<QString, size_t(ProblemSource::Count)> m_problems;
};

} // namespace zelvan
