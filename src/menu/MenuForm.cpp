#include "menu/MenuForm.h"

#include "core/PrintSink.h"
#include "menu/AboutTab.h"
#include "menu/BoardTab.h"
#include "menu/JournalTab.h"
#include "menu/MenuTexts.h"
#include "menu/NamesTab.h"
#include "menu/ObjectInfoTab.h"
#include "menu/OptionsTab.h"
#include "menu/ReportRequestTab.h"
#include "menu/ReportTab.h"
#include "menu/StateRestoreTab.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

MenuForm::MenuForm(std::unique_ptr<MenuSession> session, std::unique_ptr<PrintSink> sink,
                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(std::move(session)), m_sink(std::move(sink))
{
    setObjectName(QStringLiteral("MenuForm"));
    setWindowTitle(texts::kWindowCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 600);

    // The opening sequence: the session reads zelvan.ini and the data files
    // afresh, then every tab draws what it holds.
    m_session->open(m_sink->fontNames());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(2);
    auto* line = MenuTabForm::named(new QFrame, QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    SSTab1 = MenuTabForm::named(new QTabWidget, QStringLiteral("SSTab1"));
    // Every caption stays in sight: the window is never narrower than the tab row.
    SSTab1->setUsesScrollButtons(false);
    addTabs();
    layout->addWidget(SSTab1, 1);
    m_status = MenuTabForm::named(new QLabel, QStringLiteral("StatusLabel"));
    m_status->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_status->hide();
    layout->addWidget(m_status);

    connect(SSTab1, &QTabWidget::currentChanged, this,
            [this](int tab) { m_session->setCurrentTab(tab); });
    connect(m_session.get(), &MenuSession::currentTabChanged, this,
            [this](int tab) { SSTab1->setCurrentIndex(tab); });
    connect(m_session.get(), &MenuSession::writeFailed, this,
            [this](const QString& path) { report(texts::kWriteFailed.arg(path)); });
    connect(m_session.get(), &MenuSession::readFailed, this,
            [this](const QString& path) { report(texts::kNotReplaced.arg(path)); });
    SSTab1->setCurrentIndex(m_session->currentTab());
}

MenuForm::~MenuForm() = default;

void MenuForm::addTabs()
{
    MenuSession& session = *m_session;
    PrintSink& sink = *m_sink;
    auto* names = new NamesTab(session, sink);
    auto* options = new OptionsTab(session.options(), sink.printerName());
    auto* information = new ObjectInfoTab(session, sink);
    auto* restore = new StateRestoreTab(session);
    // In the order of SSTab1 (MenuTab).
    const std::array<MenuTabForm*, kMenuTabCount> tabs = {new ReportRequestTab(session),
                                                          names,
                                                          options,
                                                          new ReportTab(session, sink),
                                                          information,
                                                          new AboutTab,
                                                          restore,
                                                          new BoardTab(session),
                                                          new JournalTab(session, sink)};
    for (int i = 0; i < kMenuTabCount; ++i) {
        MenuTabForm* tab = tabs[size_t(i)];
        SSTab1->addTab(tab, texts::kTabCaptions[size_t(i)]);
        tab->setOperatorActions(session.operatorActions());
        tab->setExportTarget(session.exportTarget());
        connect(tab, &MenuTabForm::operatorMessage, this, &MenuForm::report);
    }
    connect(names, &NamesTab::informationOpened, information, &ObjectInfoTab::focusText);
    connect(options, &OptionsTab::leaveRequested, this, &QWidget::close);
    connect(restore, &StateRestoreTab::restoreStarting, SSTab1, [this] { SSTab1->setFocus(); });
}

void MenuForm::setSavePathChooser(const SavePathChooser& chooser)
{
    for (MenuTabForm* tab : SSTab1->findChildren<MenuTabForm*>())
        tab->setSavePathChooser(chooser);
}

void MenuForm::report(const QString& message)
{
    m_status->setText(message);
    m_status->setVisible(!message.isEmpty());
}

// ---- opening and leaving ----

void MenuForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.x() + int((area.width() - width()) / 2.5),
             area.y() + (area.height() - height()) / 4);
    }
}

void MenuForm::closeEvent(QCloseEvent* event)
{
    m_session->leave();
    QWidget::closeEvent(event);
}

} // namespace zelvan
