#include "menu/NamesTab.h"

#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "report/ReportTexts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

NamesTab::NamesTab(MenuSession& session, PrintSink& sink, QWidget* parent)
    : MenuTabForm(parent), m_session(session), m_sink(sink)
{
    auto* layout = new QVBoxLayout(this);
    m_notice = fileNotice("NamesNotice");
    layout->addWidget(m_notice);
    List2 = named(new QListWidget, QStringLiteral("List2"));
    List2->setSelectionMode(QAbstractItemView::SingleSelection);
    List2->setUniformItemSizes(true);
    layout->addWidget(List2, 1);
    auto* row = new QHBoxLayout;
    Label12 = named(new QLabel, QStringLiteral("Label12"));
    Label12->setMinimumWidth(60);
    Text2 = named(new QLineEdit, QStringLiteral("Text2"));
    Text2->setMaxLength(NamesRegister::kNameFieldLength);
    auto* save = button(texts::kSave, "Command3");
    m_save = save;
    row->addWidget(Label12);
    row->addWidget(Text2, 1);
    row->addWidget(save);
    addPrintButtons(
        row, "Command5", m_sink,
        [this](PrintSink& target) {
            const QString problem = m_session.names().nameProblem();
            return printNamesList(
                target, m_session.options().printerFont(), m_session.names().entries(),
                problem.isEmpty() ? QString() : texts::kNamesUnreadable.arg(problem));
        },
        [] { return ReportTexts::kNamesFileKind + QStringLiteral(".pdf"); });
    layout->addLayout(row);

    {
        const QSignalBlocker blocker(List2);
        List2->addItems(m_session.names().entries());
    }
    showCurrentObject();

    NamesRegister& names = m_session.names();
    connect(&names, &NamesRegister::currentChanged, this, &NamesTab::showCurrentObject);
    connect(&names, &NamesRegister::entryChanged, this,
            [this](int i) { List2->item(i)->setText(m_session.names().entry(i)); });
    // Any change of the selection (mouse or keys) makes the entry current, so
    // the name field always belongs to the selected object.
    connect(List2, &QListWidget::currentRowChanged, this, [this](int current) {
        if (!m_syncing)
            m_session.names().select(current);
    });
    connect(List2, &QListWidget::itemClicked, this, [this] {
        if (QGuiApplication::queryKeyboardModifiers()
            & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
            return;
        Text2->setFocus();
    });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] {
        m_session.openInformation();
        emit informationOpened();
    });
    connect(Text2, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.names().setNameText(text); });
    connect(save, &QPushButton::clicked, this, [this] {
        whenAllowed<MenuSession>(m_session.objectRequest(JournalAction::Names), &m_session,
                                 [](MenuSession& s) { s.saveName(); });
    });
}

void NamesTab::showCurrentObject()
{
    const NamesRegister& names = m_session.names();
    m_syncing = true;
    if (List2->currentRow() != names.currentIndex())
        List2->setCurrentRow(names.currentIndex());
    if (Text2->text() != names.nameText())
        Text2->setText(names.nameText());
    Label12->setText(names.objectLabel());
    showFileNotice(m_notice, texts::kNamesUnreadable, names.nameProblem());
    Text2->setReadOnly(!names.nameProblem().isEmpty());
    m_save->setEnabled(names.nameProblem().isEmpty());
    m_syncing = false;
}

} // namespace zelvan
