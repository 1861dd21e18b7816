#include "app/SplashForm.h"

#include "app/AppTexts.h"
#include "core/ScreenState.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace zelvan {

namespace {

QLabel* titlePanel(const QString& text, int pointSize, QWidget* parent, const char* name)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignCenter);
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setLineWidth(2);
    QFont f = l->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    l->setFont(f);
    return l;
}

// The version text keeps the module's CR between its lines.
QString shownText(QString text) { return text.replace(QLatin1Char('\r'), QLatin1Char('\n')); }

} // namespace

SplashForm::SplashForm(ScreenState& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint), m_screen(screen)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(apptexts::kSplashTitle);
    setFixedWidth(520);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titlePanel(apptexts::kSplashBrand, 20, this, "Panel3D1"));

    auto* label1 = new QLabel(apptexts::kSplashIntro, this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    label1->setMargin(8);
    layout->addWidget(label1);

    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label3 = new QLabel(this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label4 = new QLabel(this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setWordWrap(true);
    layout->addWidget(m_label2);
    layout->addWidget(m_label3);
    layout->addWidget(m_label4);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setAccessibleName(QStringLiteral("ProgressBar1"));
    layout->addWidget(m_progress);

    layout->addWidget(titlePanel(apptexts::kSplashMaker, 10, this, "Panel3D2"));

    connect(&m_screen, &ScreenState::changed, this, &SplashForm::refresh);
    refresh();
}

void SplashForm::refresh()
{
    const ScreenState::Splash& s = m_screen.splash();
    const auto orOwn = [](const QString& text, const QString& own) {
        return text.isEmpty() ? own : text;
    };
    m_label2->setText(orOwn(s.modules, apptexts::kSplashModulesAtStart));
    m_label3->setText(orOwn(s.objects, apptexts::kSplashObjectsAtStart));
    m_label4->setText(shownText(orOwn(s.linkTest, apptexts::kSplashLinkTestAtStart)));
    m_progress->setValue(s.progress);
    if (s.visible && !isVisible()) {
        adjustSize();
        placeOnScreen();
        show();
        repaint(); // painted at once, before the ports are opened
    } else if (!s.visible && isVisible()) {
        hide();
    }
}

void SplashForm::placeOnScreen()
{
    const QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!scr)
        return;
    const QRect area = scr->availableGeometry();
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    move(area.left() + (area.width() - size.width()) / 2,
         area.top() + (area.height() - size.height()) / 3);
}

} // namespace zelvan
