#include "windows/RaiseForm.h"

#include <QGuiApplication>
#include <QWidget>

namespace zelvan {

namespace {

bool platformStacksWindows()
{
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal");
}

} // namespace

void raiseForm(QWidget& window, bool activate)
{
    if (!platformStacksWindows())
        return;
    window.raise();
    if (activate)
        window.activateWindow();
}

} // namespace zelvan
