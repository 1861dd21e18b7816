#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace zelvan {

// Which windows the operator sees and the texts of the start-up and link-lost
// windows: decided by the engine, drawn by the forms.
class ScreenState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    struct Splash
    {
        bool visible = false;
        QString modules = QStringLiteral("Модули  -");     // Label2
        QString objects = QStringLiteral("Обекти -");      // Label3
        QString linkTest = QStringLiteral("Тест за връзка ....."); // Label4
        int progress = 0; // ProgressBar1, clamped to 0..100
    };
    struct LinkLost
    {
        bool visible = false;
        QString text = QStringLiteral("Комуникацията с изнесените модули е прекъсната!");
        quint32 color = 255; // text colour, red in the low byte
    };

    bool mainVisible() const { return m_mainVisible; }
    QString mainTitle() const { return m_mainTitle; }
    bool alarmsVisible() const { return m_alarmsVisible; }
    bool eventsVisible() const { return m_eventsVisible; }
    bool keypadVisible() const { return m_keypadVisible; }
    const Splash& splash() const { return m_splash; }
    const LinkLost& linkLost() const { return m_linkLost; }
    // A problem the operator must see (a file that cannot be written, a damaged
    // zelvan.ini); empty when there is none.
    QString problem() const { return m_problem; }

    void setMainVisible(bool on);
    void setMainTitle(const QString& title);
    void setAlarmsVisible(bool on);
    void setEventsVisible(bool on);
    void setKeypadVisible(bool on);
    void setSplashVisible(bool on);
    void setSplashTexts(const QString& modules, const QString& objects, const QString& linkTest);
    // percent is clamped to 0..100
    void setSplashProgress(double percent);
    void setLinkLostVisible(bool on);
    void setLinkLostText(const QString& text);
    void setLinkLostColor(quint32 color);
    void setProblem(const QString& text);
    // One source's problem: `shown` is what that source last showed. A
    // non-empty text is shown; an empty one takes the source's text away,
    // only while that text is the one shown (another problem stays).
    void showOwnProblem(QString& shown, const QString& text);

signals:
    void changed();
    // The main window is asked to come to the front (violation blink).
    void raiseMainRequested();

private:
    bool m_mainVisible = false;
    QString m_mainTitle = QStringLiteral("Zelvan  U2  -  Panel");
    bool m_alarmsVisible = false;
    bool m_eventsVisible = false;
    bool m_keypadVisible = false;
    Splash m_splash;
    LinkLost m_linkLost;
    QString m_problem;
};

} // namespace zelvan
