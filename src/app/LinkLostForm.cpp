#include "app/LinkLostForm.h"

#include "app/AppTexts.h"
#include "core/ScreenState.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zelvan {

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

    // Sized once for the longest message (all eight modules named), so the
    // window never grows over the windows placed beside it.
    m_panel->setText(apptexts::kLinkLostAtStart + QStringLiteral("\n")
                     + QStringLiteral("000,000,000,000,000,000,000,000 е прекъсната!"));
    setFixedSize(sizeHint());

    connect(&m_screen, &ScreenState::changed, this, &LinkLostForm::refresh);
    refresh();
}

QString LinkLostForm::text() const { return m_panel->text(); }

void LinkLostForm::refresh()
{
    const ScreenState::LinkLost& l = m_screen.linkLost();
    QString text = l.text.isEmpty() ? apptexts::kLinkLostAtStart : l.text;
    m_panel->setText(text.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    const QColor c(int(l.color & 0xFF), int((l.color >> 8) & 0xFF), int((l.color >> 16) & 0xFF));
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::WindowText, c);
    m_panel->setPalette(pal);
    if (l.visible != isVisible()) {
        setVisible(l.visible);
    }
}

} // namespace zelvan
