#include "core/ScreenState.h"

#include "core/NumericText.h"

#include <algorithm>

namespace zelvan {

namespace {
template <typename T> bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void ScreenState::setMainVisible(bool on)
{
    if (assign(m_mainVisible, on))
        emit changed();
}
void ScreenState::setMainTitle(const QString& title)
{
    if (assign(m_mainTitle, title))
        emit changed();
}
void ScreenState::setAlarmsVisible(bool on)
{
    if (assign(m_alarmsVisible, on))
        emit changed();
}
void ScreenState::bringAlarmsBack()
{
    if (!m_mainVisible)
        return;
    setAlarmsVisible(true);
    emit raiseAlarmsRequested();
}
void ScreenState::setEventsVisible(bool on)
{
    if (assign(m_eventsVisible, on))
        emit changed();
}
void ScreenState::setKeypadVisible(bool on)
{
    if (assign(m_keypadVisible, on))
        emit changed();
}
void ScreenState::setSplashVisible(bool on)
{
    if (m_splash.visible == on)
        return;
    // Shown anew (a module restarted): its own texts and 0 %, not the last
    // module's figures.
    if (on)
        m_splash = Splash{};
    m_splash.visible = on;
    emit changed();
}
void ScreenState::setSplashTexts(const QString& modules, const QString& objects,
                                 const QString& linkTest)
{
    bool c = assign(m_splash.modules, modules);
    c |= assign(m_splash.objects, objects);
    c |= assign(m_splash.linkTest, linkTest);
    if (c)
        emit changed();
}
void ScreenState::setSplashProgress(double percent)
{
    const int p = static_cast<int>(std::clamp<qint64>(roundHalfEven(percent), 0, 100));
    if (assign(m_splash.progress, p))
        emit changed();
}
void ScreenState::setLinkLostVisible(bool on)
{
    if (assign(m_linkLost.visible, on))
        emit changed();
}
void ScreenState::setLinkLostText(const QString& text)
{
    if (assign(m_linkLost.text, text))
        emit changed();
}
void ScreenState::setLinkLostColor(quint32 color)
{
    if (assign(m_linkLost.color, color))
        emit changed();
}
QStringList ScreenState::problems() const
{
    QStringList shown;
    for (const QString& p : m_problems) {
        if (!p.isEmpty())
            shown.append(p);
    }
    return shown;
}

void ScreenState::setProblem(ProblemSource source, const QString& text)
{
    if (assign(m_problems[size_t(source)], text))
        emit changed();
}

} // namespace zelvan
