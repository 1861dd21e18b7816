#include "menu/ObjectInfoTab.h"

#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "report/ReportTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

ObjectInfoTab::ObjectInfoTab(MenuSession& session, PrintSink& sink, QWidget* parent)
    : MenuTabForm(parent), m_session(session), m_sink(sink)
{
    auto* layout = new QVBoxLayout(this);
    Label7 = sunken(named(new QLabel, QStringLiteral("Label7")));
    layout->addWidget(Label7);
    Text3 = named(new QPlainTextEdit, QStringLiteral("Text3"));
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Text3, 1);
    auto* row = new QHBoxLayout;
    auto* save = button(texts::kSave, "Command4");
    m_save = save;
    row->addStretch();
    row->addWidget(save);
    addPrintButtons(
        row, "Command6", m_sink,
        [this](PrintSink& target) {
            const NamesRegister& names = m_session.names();
            return printObjectInfo(target, m_session.options().printerFont(), names.objectCaption(),
                                   names.informationShown());
        },
        [this] {
            return ReportTexts::kObjectFileKind + QLatin1Char(' ')
                   + fileNamePart(m_session.names().objectLabel()) + QStringLiteral(".pdf");
        });
    layout->addLayout(row);

    showCurrentObject();

    connect(&m_session.names(), &NamesRegister::currentChanged, this,
            &ObjectInfoTab::showCurrentObject);
    connect(Text3, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_syncing)
            m_session.names().setInformationText(Text3->toPlainText());
    });
    connect(save, &QPushButton::clicked, this, [this] {
        whenAllowed<MenuSession>(m_session.objectRequest(JournalAction::Information), &m_session,
                                 [](MenuSession& s) { s.saveInformation(); });
    });
}

void ObjectInfoTab::focusText() { Text3->setFocus(); }

void ObjectInfoTab::showCurrentObject()
{
    const NamesRegister& names = m_session.names();
    m_syncing = true;
    Label7->setText(names.objectCaption());
    // An unreadable file is named in place of its text; nothing typed there
    // can be saved over it.
    const bool unreadable = names.informationUnreadable();
    const QString shown = names.informationShown();
    Text3->setReadOnly(unreadable);
    m_save->setEnabled(!unreadable);
    if (Text3->toPlainText() != shown)
        Text3->setPlainText(shown);
    m_syncing = false;
}

} // namespace zelvan
