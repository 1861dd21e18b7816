#include "app/LinkLostForm.h"

#include "app/AppTexts.h"
#include "core/ScreenState.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace zelvan {

namespace {
constexpr int kEdge = 20; // from the left and top edges of the screen
}

LinkLostForm::LinkLostForm(ScreenState& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_screen(screen)
{
    setObjectName(QStringLiteral("LinkLostForm"));
    setWindowTitle(apptexts::kLinkLostTitle);
    auto* layout = new QVBoxLayout(this);
    m_panel = new QLabel(this);
    m_panel->setObjectName(QStringLiteral("SSPanel1"));
    m_panel->setAccessibleName(QStringLiteral("SSPanel1"));
    m_panel->setAlignment(Qt::AlignCenter);
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel->setLineWidth(2);
    m_panel->setMargin(12);
    m_panel->setMinimumWidth(360);
    QFont f = m_panel->font();
    f.setPointSize(f.pointSize() + 3);
    f.setBold(true);
    m_panel->setFont(f);
    layout->addWidget(m_panel);

    if (const QScreen* scr = QGuiApplication::primaryScreen())
        move(scr->availableGeometry().topLeft() + QPoint(kEdge, kEdge));
    else
        move(kEdge, kEdge);

    connect(&m_screen, &ScreenState::changed, this, &LinkLostForm::refresh);
    refresh();
}

QString LinkLostForm::text() const { return m_panel->text(); }

void LinkLostForm::refresh()
{
    const ScreenState::LinkLost& l = m_screen.linkLost();
    QString text = l.text;
    m_panel->setText(text.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    const QColor c(int(l.color & 0xFF), int((l.color >> 8) & 0xFF), int((l.color >> 16) & 0xFF));
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::WindowText, c);
    m_panel->setPalette(pal);
    if (l.visible != isVisible()) {
        if (l.visible) {
            adjustSize();
            show();
        } else {
            hide();
        }
    }
}

} // namespace zelvan
