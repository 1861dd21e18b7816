#include "windows/ObjectInfoForm.h"

#include "windows/FirstPlacement.h"
#include "windows/RaiseForm.h"
#include "windows/WindowTexts.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = windowtexts;

namespace {

// The history and information texts end their lines with CR LF; the text
// boxes want a plain line feed.
QString forDisplay(QString text)
{
    text.replace(texts::crlf(), QStringLiteral("\n"));
    return text;
}

QPlainTextEdit* readOnlyText(int index, QWidget* parent)
{
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(QStringLiteral("Text1"));
    text->setAccessibleName(QStringLiteral("Text1(%1)").arg(index));
    text->setReadOnly(true);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont plain = text->font();
    plain.setBold(false);
    text->setFont(plain);
    return text;
}

} // namespace

ObjectInfoForm::ObjectInfoForm(ObjectHistory history, QWidget* parent)
    : QDialog(parent), m_history(history), m_label(new QLabel(this)), m_tabs(new QTabWidget(this)),
      m_close(new QPushButton(texts::closeWindow(), this))
{
    setObjectName(QStringLiteral("ObjectInfoForm"));
    setWindowTitle(texts::infoCaption());
    setModal(false);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    m_label->setObjectName(QStringLiteral("Label1"));
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_close->setObjectName(QStringLiteral("Command1"));

    auto* infoPage = new QWidget(m_tabs);
    m_texts[0] = readOnlyText(0, infoPage);
    auto* infoLayout = new QVBoxLayout(infoPage);
    infoLayout->addWidget(m_texts[0]);
    m_tabs->addTab(infoPage, texts::infoTab());

    auto* eventsPage = new QWidget(m_tabs);
    auto* eventsLayout = new QVBoxLayout(eventsPage);
    m_today = new QGroupBox(eventsPage);
    m_today->setObjectName(QStringLiteral("Frame1"));
    m_yesterday = new QGroupBox(eventsPage);
    m_yesterday->setObjectName(QStringLiteral("Frame2"));
    m_texts[1] = readOnlyText(1, m_today);
    m_texts[2] = readOnlyText(2, m_yesterday);
    (new QVBoxLayout(m_today))->addWidget(m_texts[1]);
    (new QVBoxLayout(m_yesterday))->addWidget(m_texts[2]);
    eventsLayout->addWidget(m_today);
    eventsLayout->addWidget(m_yesterday);
    m_tabs->addTab(eventsPage, texts::eventsTab());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_close, 0, Qt::AlignRight);

    for (QPlainTextEdit* text : m_texts)
        text->viewport()->installEventFilter(this);
    connect(m_close, &QPushButton::clicked, this, &QDialog::hide);
    resize(560, 460);
}

bool ObjectInfoForm::openLine(ListSource source, const QString& line, const QRect& opener)
{
    const auto k = ObjectHistory::objectOfLine(source, line);
    if (!k)
        return false;
    if (!isVisible() && opener.isValid()) {
        if (const QScreen* s = screen())
            move(layout::besideRect(s->availableGeometry(), opener, frameGeometry().size())
                     .topLeft());
    }
    showObject(*k, source);
    return true;
}

void ObjectInfoForm::showObject(int k, ListSource source)
{
    const HistoryView view = m_history.build(k, source);
    m_label->setText(view.label);
    m_texts[0]->setPlainText(forDisplay(view.information));
    m_today->setTitle(view.todayCaption);
    m_yesterday->setTitle(view.yesterdayCaption);
    m_tabs->setCurrentIndex(0);
    m_texts[1]->setPlainText(forDisplay(view.today));
    m_texts[2]->setPlainText(forDisplay(view.yesterday));
    show();
    raiseForm(*this, true);
}

bool ObjectInfoForm::eventFilter(QObject* watched, QEvent* event)
{
    // The texts keep no caret: a click in them hands the focus to the close button.
    if (event->type() == QEvent::MouseButtonRelease)
        m_close->setFocus();
    return QDialog::eventFilter(watched, event);
}

} // namespace zelvan
