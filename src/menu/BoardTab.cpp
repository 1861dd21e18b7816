#include "menu/BoardTab.h"

#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

BoardTab::BoardTab(MenuSession& session, QWidget* parent) : MenuTabForm(parent), m_session(session)
{
    auto* layout = new QVBoxLayout(this);
    Label14 = sunken(named(new QLabel(texts::kObjectCaptionInitial), QStringLiteral("Label14")));
    layout->addWidget(Label14);
    m_notice = fileNotice("BoardNotice");
    layout->addWidget(m_notice);
    auto* row = new QHBoxLayout;
    row->addWidget(buildBoard(), 3);
    row->addWidget(buildSignals(), 2);
    layout->addLayout(row, 1);

    auto* buttons = new QHBoxLayout;
    auto* confirm = button(texts::kConfirm, "Command9");
    m_confirm = confirm;
    auto* cancel = button(texts::kCancel, "Command10");
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    {
        const QSignalBlocker blocker(Combo1);
        Combo1->addItems(BoardConfiguration::codes());
    }
    Label14->setText(m_session.names().objectCaption());
    showBoard();

    BoardConfiguration& board = m_session.board();
    connect(&board, &BoardConfiguration::changed, this, &BoardTab::showBoard);
    connect(&m_session.names(), &NamesRegister::currentChanged, this,
            [this] { Label14->setText(m_session.names().objectCaption()); });
    connect(Combo1, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_session.board().selectCode(index); });
    connect(Check14, &QCheckBox::toggled, this,
            [this](bool on) { m_session.board().setDirectPair(on); });
    connect(Slider1, &QSlider::valueChanged, this,
            [this](int value) { m_session.board().setPeriod(value); });
    connect(confirm, &QPushButton::clicked, this, [this] {
        whenAllowed<MenuSession>(m_session.objectRequest(JournalAction::Board), &m_session,
                                 [](MenuSession& s) { s.confirmBoard(); });
    });
    connect(cancel, &QPushButton::clicked, this, [this] { m_session.cancelBoard(); });
}

QWidget* BoardTab::buildBoard()
{
    auto* frame8 = named(new QGroupBox(texts::kBoardFrame), QStringLiteral("Frame8"));
    auto* layout = new QGridLayout(frame8);
    auto* label15 = named(new QLabel(texts::kKavelId), QStringLiteral("Label15"));
    Combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    Combo1->setMaxVisibleItems(16);
    Check14 = named(new QCheckBox(texts::kDirectPair), QStringLiteral("Check14"));
    Slider1 = named(new QSlider(Qt::Horizontal), QStringLiteral("Slider1"));
    Slider1->setRange(BoardConfiguration::kMinPeriod, BoardConfiguration::kMaxPeriod);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(10);
    Slider1->setAccessibleName(QStringLiteral("Slider1"));
    Label18 = named(new QLabel, QStringLiteral("Label18"));
    auto* label16 = named(
        new QLabel(QString(texts::kDirectPairNote).replace(QLatin1Char('\r'), QLatin1Char('\n'))),
        QStringLiteral("Label16"));
    label16->setWordWrap(true);
    layout->addWidget(label15, 0, 0);
    layout->addWidget(Combo1, 0, 1);
    layout->addWidget(Check14, 0, 2);
    layout->addWidget(label16, 1, 0, 1, 3);
    layout->addWidget(Label18, 2, 0, 1, 3);
    layout->addWidget(Slider1, 3, 0, 1, 3);
    layout->setRowStretch(4, 1);
    return frame8;
}

QWidget* BoardTab::buildSignals()
{
    auto* frame9 = named(new QGroupBox(texts::kSignalsFrame), QStringLiteral("Frame9"));
    auto* layout = new QGridLayout(frame9);
    for (int i = 0; i < BoardConfiguration::kSignalCount; ++i) {
        auto* label = named(new QLabel(texts::kSignalLabels[size_t(i)]), indexed("Label17", i));
        auto* edit = named(new QLineEdit, indexed("Text4", i));
        edit->setMaxLength(BoardConfiguration::kCaptionLength);
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { m_session.board().setCaption(i, text); });
        Text4[size_t(i)] = edit;
        layout->addWidget(label, i, 0);
        layout->addWidget(edit, i, 1);
    }
    layout->setRowStretch(BoardConfiguration::kSignalCount, 1);
    return frame9;
}

void BoardTab::showBoard()
{
    const BoardConfiguration& board = m_session.board();
    const QSignalBlocker bc(Combo1);
    const QSignalBlocker bs(Slider1);
    const QSignalBlocker bd(Check14);
    Combo1->setCurrentIndex(board.codeIndex());
    Check14->setChecked(board.directPair());
    Slider1->setValue(board.period());
    Slider1->setToolTip(board.periodHint());
    Label18->setText(board.periodText());
    const bool unreadable = !board.fileProblem().isEmpty();
    showFileNotice(m_notice, texts::kBoardsUnreadable, board.fileProblem());
    m_confirm->setEnabled(!unreadable);
    for (int i = 0; i < BoardConfiguration::kSignalCount; ++i) {
        Text4[size_t(i)]->setReadOnly(unreadable);
        if (Text4[size_t(i)]->text() != board.caption(i))
            Text4[size_t(i)]->setText(board.caption(i));
    }
}

} // namespace zelvan
