#include "menu/StateRestoreTab.h"

#include "core/StationState.h"
#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan {

StateRestoreTab::StateRestoreTab(MenuSession& session, QWidget* parent)
    : MenuTabForm(parent), m_session(session)
{
    auto* layout = new QVBoxLayout(this);
    auto* frame = named(new QGroupBox(menu_texts::kRestoreFrame), QStringLiteral("Frame7"));
    auto* buttons = new QVBoxLayout(frame);
    for (int i = 0; i < kModuleCount; ++i) {
        auto* b = named(new QPushButton, indexed("Command8", i));
        b->setStyleSheet(QStringLiteral("text-align: left; padding-left: 12px;"));
        b->setMinimumHeight(30);
        connect(b, &QPushButton::clicked, this, [this, i] {
            whenAllowed<MenuSession>(m_session.moduleRequest(JournalAction::Restore, i + 1),
                                     &m_session, [this, i](MenuSession& s) {
                                         emit restoreStarting();
                                         s.restoreModule(i + 1);
                                     });
        });
        Command8[size_t(i)] = b;
        buttons->addWidget(b);
    }
    layout->addWidget(frame);
    ProgressBar1 = named(new QProgressBar, QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);
    layout->addStretch();

    showRestore();

    StateRestore& restore = m_session.restore();
    connect(&restore, &StateRestore::changed, this, &StateRestoreTab::showRestore);
    connect(&restore, &StateRestore::finished, this, [this](int m) {
        if (m >= 1 && m <= kModuleCount)
            Command8[size_t(m - 1)]->setFocus();
    });
}

void StateRestoreTab::showRestore()
{
    const StateRestore& restore = m_session.restore();
    for (int m = 1; m <= kModuleCount; ++m) {
        QPushButton* b = Command8[size_t(m - 1)];
        const QString caption = restore.caption(m);
        b->setText(caption.isEmpty() ? m_session.moduleCaption(m) : caption);
        b->setEnabled(restore.enabled(m));
    }
    ProgressBar1->setValue(restore.progress());
}

} // namespace zelvan
