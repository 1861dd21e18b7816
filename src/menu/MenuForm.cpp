#include "menu/MenuForm.h"

#include "core/Clock.h"
#include "core/ScreenState.h"
#include "core/ZelvanIni.h"
#include "menu/MenuTexts.h"
#include "menu/PrintJob.h"
#include "menu/ReportTexts.h"
#include "platform/PrinterSink.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

namespace {

enum PrintWhat { PrintReport, PrintNames, PrintInformation };

// Controls of an array keep their name with the index in brackets.
QString indexed(const char* name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

template <typename W>
W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QPushButton* button(const QString& caption, const char* name)
{
    return named(new QPushButton(caption), QLatin1String(name));
}

// A spin button: two arrows, "up" above "down", without a value of its own.
QWidget* spinButton(const char* name, QObject* context, std::function<void()> up,
                    std::function<void()> down)
{
    auto* box = named(new QWidget, QLatin1String(name));
    box->setAccessibleName(QLatin1String(name));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const bool isUp : {true, false}) {
        auto* arrow = new QToolButton;
        arrow->setArrowType(isUp ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(22, 13);
        QObject::connect(arrow, &QToolButton::clicked, context, isUp ? up : down);
        layout->addWidget(arrow);
    }
    return box;
}

// The product's mark on the information tab, drawn rather than shipped.
QPixmap logoPicture()
{
    QPixmap pixmap(96, 96);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 70, 140), 5));
    p.setBrush(QColor(220, 232, 245));
    p.drawEllipse(QRectF(6, 6, 84, 84));
    QFont font(QStringLiteral("DejaVu Sans"), 34, QFont::Bold);
    p.setFont(font);
    p.setPen(QColor(0, 70, 140));
    p.drawText(QRectF(6, 6, 84, 84), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

MenuForm::MenuForm(StationContext ctx, ZelvanIni& ini, QWidget* parent)
    : MenuForm(ctx, ini,
               std::make_unique<PrinterSink>(ctx.clock,
                                             PrinterSink::reportsDirOf(ctx.state.DataDir)),
               parent)
{
}

MenuForm::MenuForm(StationContext ctx, ZelvanIni& ini, std::unique_ptr<PrintSink> sink,
                   QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_ctx(ctx),
      m_sink(std::move(sink)),
      m_session(ctx.state, ctx.screen, ctx.files, ctx.commands, ini, ctx.clock)
{
    setObjectName(QStringLiteral("MenuForm"));
    setWindowTitle(texts::kWindowCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(2);
    auto* line = named(new QFrame, QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    SSTab1 = named(new QTabWidget, QStringLiteral("SSTab1"));
    // Every caption stays in sight: the window is never narrower than the tab row.
    SSTab1->setUsesScrollButtons(false);
    const std::array<QWidget*, kMenuTabCount> pages = {
        buildArchiveRequestTab(),     buildObjectsListTab(),  buildSettingsTab(),
        buildArchiveDataTab(),        buildObjectsInformationTab(), buildInformationTab(),
        buildRestoreTab(),            buildObjectsConfigurationTab()};
    for (int i = 0; i < kMenuTabCount; ++i)
        SSTab1->addTab(pages[size_t(i)], texts::kTabCaptions[size_t(i)]);
    layout->addWidget(SSTab1, 1);
    m_status = named(new QLabel, QStringLiteral("StatusLabel"));
    m_status->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_status->hide();
    layout->addWidget(m_status);

    connectSession();

    // The opening sequence.
    m_session.open(m_sink->fontNames());
    for (int m = 1; m <= kModuleCount; ++m)
        Check11[size_t(m - 1)]->setText(m_session.moduleCaption(m));
    const QString printer = m_sink->printerName();
    Label11->setText(printer.isEmpty() ? ReportTexts::kNoPrinter : printer);
    {
        const QSignalBlocker b3(List3);
        List3->addItems(m_session.options().fontNames());
        const QSignalBlocker b4(List4);
        List4->addItems(MenuOptions::fontSizes());
    }
    const QSignalBlocker b1(List1);
    const QSignalBlocker b2(List2);
    List1->addItems(m_session.names().entries());
    List2->addItems(m_session.names().entries());
    {
        const QSignalBlocker bc(Combo1);
        Combo1->addItems(BoardConfiguration::codes());
    }
    showPeriod();
    showOptions();
    showCurrentObject();
    showBoard();
    showRestore();
    List2->setCurrentRow(m_session.names().currentIndex());
    SSTab1->setCurrentIndex(m_session.currentTab());
}

MenuForm::~MenuForm() = default;

// ---- building the tabs ----

QWidget* MenuForm::buildArchiveRequestTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* objects = named(new QGroupBox(texts::kObjectsFrame), QStringLiteral("Frame1"));
    auto* objectsLayout = new QHBoxLayout(objects);
    List1 = named(new QListWidget, QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    List1->setUniformItemSizes(true);
    objectsLayout->addWidget(List1, 1);
    auto* modules = new QVBoxLayout;
    for (int i = 0; i < kModuleCount; ++i) {
        auto* box = named(new QCheckBox, indexed("Check11", i));
        connect(box, &QCheckBox::clicked, this, [this, i](bool on) { applyModuleSelection(i, on); });
        Check11[size_t(i)] = box;
        modules->addWidget(box);
    }
    modules->addStretch();
    objectsLayout->addLayout(modules);
    grid->addWidget(objects, 0, 0, 3, 1);

    auto* kinds = named(new QGroupBox(texts::kKindsFrame), QStringLiteral("Frame2"));
    auto* kindsLayout = new QVBoxLayout(kinds);
    for (int i = 0; i < 4; ++i) {
        auto* box = named(new QCheckBox(texts::kKindCaptions[size_t(i)]),
                          texts::kKindControls[size_t(i)]);
        connect(box, &QCheckBox::clicked, this, [this, i](bool on) {
            ReportRequest& r = m_session.request();
            bool* flags[] = {&r.Check8, &r.Check9, &r.Check13, &r.Check10};
            *flags[i] = on;
        });
        m_kindBoxes[size_t(i)] = box;
        kindsLayout->addWidget(box);
    }
    grid->addWidget(kinds, 0, 1);

    auto* period = named(new QGroupBox(texts::kPeriodFrame), QStringLiteral("Frame3"));
    auto* periodLayout = new QGridLayout(period);
    const char* labelNames[] = {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"};
    const char* spinNames[] = {"SpinButton1", "SpinButton2", "SpinButton3",
                               "SpinButton4", "SpinButton5", "SpinButton6"};
    for (int i = 0; i < 6; ++i) {
        const auto spin = PeriodSpin(i + 1);
        auto* label = named(new QLabel, QLatin1String(labelNames[i]));
        label->setMinimumWidth(110);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        m_periodLabels[size_t(i)] = label;
        auto* spinBox = spinButton(
            spinNames[i], this,
            [this, spin] {
                if (m_session.period().spinUp(spin))
                    showPeriod();
            },
            [this, spin] {
                if (m_session.period().spinDown(spin))
                    showPeriod();
            });
        periodLayout->addWidget(label, i, 0);
        periodLayout->addWidget(spinBox, i, 1);
    }
    grid->addWidget(period, 1, 1);

    auto* ok = button(texts::kOk, "Command1");
    connect(ok, &QPushButton::clicked, this, [this] {
        setCursor(Qt::WaitCursor);
        m_session.runReport();
        unsetCursor();
    });
    grid->addWidget(ok, 2, 1, Qt::AlignBottom);
    grid->setColumnStretch(0, 1);
    return page;
}

QWidget* MenuForm::buildObjectsListTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
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
    auto* printNames = button(texts::kPrint, "Command5");
    row->addWidget(Label12);
    row->addWidget(Text2, 1);
    row->addWidget(save);
    row->addWidget(printNames);
    layout->addLayout(row);

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
        Text3->setFocus();
    });
    connect(Text2, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.names().setNameText(text); });
    connect(save, &QPushButton::clicked, this, [this] { m_session.saveName(); });
    connect(printNames, &QPushButton::clicked, this, [this] { print(PrintNames); });
    return page;
}

QWidget* MenuForm::buildSettingsTab()
{
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* frame4 = named(new QGroupBox(texts::kOptionsFrame), QStringLiteral("Frame4"));
    auto* options = new QVBoxLayout(frame4);
    for (int i = 0; i < MenuOptions::kOptionCount; ++i) {
        auto* box = named(new QCheckBox(texts::kOptionCaptions[size_t(i)]),
                          texts::kOptionControls[size_t(i)]);
        connect(box, &QCheckBox::clicked, this,
                [this, i](bool on) { m_session.options().setOption(i, on); });
        m_optionBoxes[size_t(i)] = box;
        options->addWidget(box);
    }
    options->addStretch();
    auto* leave = button(texts::kLeaveMenu, "Command7");
    leave->setMinimumHeight(36);
    connect(leave, &QPushButton::clicked, this, &QWidget::close);
    options->addWidget(leave);
    layout->addWidget(frame4, 1);

    auto* frame5 = named(new QGroupBox(texts::kPrinterFrame), QStringLiteral("Frame5"));
    auto* printer = new QGridLayout(frame5);
    Label11 = named(new QLabel, QStringLiteral("Label11"));
    List3 = named(new QListWidget, QStringLiteral("List3"));
    List4 = named(new QListWidget, QStringLiteral("List4"));
    List4->setMaximumWidth(60);
    Check6 = named(new QCheckBox(texts::kBold), QStringLiteral("Check6"));
    Check7 = named(new QCheckBox(texts::kItalic), QStringLiteral("Check7"));
    Label9 = named(new QLabel(texts::kLatinSample), QStringLiteral("Label9"));
    Label10 = named(new QLabel(texts::kCyrillicSample), QStringLiteral("Label10"));
    for (QLabel* sample : {Label9, Label10}) {
        sample->setFrameShape(QFrame::Panel);
        sample->setFrameShadow(QFrame::Sunken);
        sample->setMinimumHeight(40);
    }
    printer->addWidget(Label11, 0, 0, 1, 2);
    printer->addWidget(List3, 1, 0, 3, 1);
    printer->addWidget(List4, 1, 1);
    printer->addWidget(Check6, 2, 1);
    printer->addWidget(Check7, 3, 1);
    printer->addWidget(Label9, 4, 0, 1, 2);
    printer->addWidget(Label10, 5, 0, 1, 2);
    layout->addWidget(frame5, 1);

    connect(List3, &QListWidget::currentRowChanged, this,
            [this](int row) { m_session.options().selectFont(row); });
    connect(List4, &QListWidget::currentRowChanged, this,
            [this](int row) { m_session.options().selectSize(row); });
    connect(Check6, &QCheckBox::clicked, this, [this](bool on) { m_session.options().setBold(on); });
    connect(Check7, &QCheckBox::clicked, this,
            [this](bool on) { m_session.options().setItalic(on); });
    return page;
}

QWidget* MenuForm::buildArchiveDataTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    Text1 = named(new QPlainTextEdit, QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Text1, 1);
    Command2 = button(texts::kPrint, "Command2");
    connect(Command2, &QPushButton::clicked, this, [this] { print(PrintReport); });
    layout->addWidget(Command2, 0, Qt::AlignRight);
    // Releasing the mouse over the report hands the focus to its print button.
    Text1->viewport()->installEventFilter(this);
    return page;
}

QWidget* MenuForm::buildObjectsInformationTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    Label7 = named(new QLabel, QStringLiteral("Label7"));
    Label7->setFrameShape(QFrame::Panel);
    Label7->setFrameShadow(QFrame::Sunken);
    layout->addWidget(Label7);
    Text3 = named(new QPlainTextEdit, QStringLiteral("Text3"));
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Text3, 1);
    auto* row = new QHBoxLayout;
    auto* save = button(texts::kSave, "Command4");
    auto* printInfo = button(texts::kPrint, "Command6");
    row->addStretch();
    row->addWidget(save);
    row->addWidget(printInfo);
    layout->addLayout(row);
    connect(Text3, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_syncing)
            m_session.names().setInformationText(Text3->toPlainText());
    });
    connect(save, &QPushButton::clicked, this, [this] { m_session.saveInformation(); });
    connect(printInfo, &QPushButton::clicked, this, [this] { print(PrintInformation); });
    return page;
}

QWidget* MenuForm::buildInformationTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* panel = named(new QFrame, QStringLiteral("SSPanel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* inner = new QGridLayout(panel);
    auto* logo = named(new QLabel, QStringLiteral("Picture1"));
    logo->setPixmap(logoPicture());
    logo->setAccessibleName(QStringLiteral("Picture1"));
    auto* title = named(new QLabel(texts::kProductTitle), QStringLiteral("Label19"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto* maker = named(new QLabel(texts::kMakerName), QStringLiteral("Label20"));
    auto* about = named(new QLabel(MenuSession::aboutText()), QStringLiteral("Label21"));
    about->setWordWrap(true);
    about->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    inner->addWidget(logo, 0, 0, 2, 1, Qt::AlignTop);
    inner->addWidget(title, 0, 1);
    inner->addWidget(maker, 1, 1);
    inner->addWidget(about, 2, 0, 1, 2);
    inner->setRowStretch(3, 1);
    inner->setColumnStretch(1, 1);
    layout->addWidget(panel, 1);
    return page;
}

QWidget* MenuForm::buildRestoreTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* frame = named(new QGroupBox(texts::kRestoreFrame), QStringLiteral("Frame7"));
    auto* buttons = new QVBoxLayout(frame);
    for (int i = 0; i < kModuleCount; ++i) {
        auto* b = named(new QPushButton, indexed("Command8", i));
        b->setStyleSheet(QStringLiteral("text-align: left; padding-left: 12px;"));
        b->setMinimumHeight(30);
        connect(b, &QPushButton::clicked, this, [this, i] {
            SSTab1->setFocus();
            m_session.restoreModule(i + 1);
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
    return page;
}

QWidget* MenuForm::buildObjectsConfigurationTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    Label14 = named(new QLabel(texts::kObjectCaptionInitial), QStringLiteral("Label14"));
    Label14->setFrameShape(QFrame::Panel);
    Label14->setFrameShadow(QFrame::Sunken);
    layout->addWidget(Label14);

    auto* row = new QHBoxLayout;
    auto* frame8 = named(new QGroupBox(texts::kBoardFrame), QStringLiteral("Frame8"));
    auto* board = new QGridLayout(frame8);
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
    auto* label16 = named(new QLabel(QString(texts::kDirectPairNote).replace(QLatin1Char('\r'),
                                                                           QLatin1Char('\n'))),
                          QStringLiteral("Label16"));
    label16->setWordWrap(true);
    board->addWidget(label15, 0, 0);
    board->addWidget(Combo1, 0, 1);
    board->addWidget(Check14, 0, 2);
    board->addWidget(label16, 1, 0, 1, 3);
    board->addWidget(Label18, 2, 0, 1, 3);
    board->addWidget(Slider1, 3, 0, 1, 3);
    board->setRowStretch(4, 1);
    row->addWidget(frame8, 3);

    auto* frame9 = named(new QGroupBox(texts::kSignalsFrame), QStringLiteral("Frame9"));
    auto* signalsLayout = new QGridLayout(frame9);
    for (int i = 0; i < BoardConfiguration::kSignalCount; ++i) {
        auto* label = named(new QLabel(texts::kSignalLabels[size_t(i)]), indexed("Label17", i));
        auto* edit = named(new QLineEdit, indexed("Text4", i));
        edit->setMaxLength(BoardConfiguration::kCaptionLength);
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { m_session.board().setCaption(i, text); });
        Text4[size_t(i)] = edit;
        signalsLayout->addWidget(label, i, 0);
        signalsLayout->addWidget(edit, i, 1);
    }
    signalsLayout->setRowStretch(BoardConfiguration::kSignalCount, 1);
    row->addWidget(frame9, 2);
    layout->addLayout(row, 1);

    auto* buttons = new QHBoxLayout;
    auto* confirm = button(texts::kConfirm, "Command9");
    auto* cancel = button(texts::kCancel, "Command10");
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(Combo1, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_session.board().selectCode(index); });
    connect(Check14, &QCheckBox::clicked, this,
            [this](bool on) { m_session.board().setDirectPair(on); });
    connect(Slider1, &QSlider::valueChanged, this,
            [this](int value) { m_session.board().setPeriod(value); });
    connect(confirm, &QPushButton::clicked, this, [this] { m_session.confirmBoard(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_session.cancelBoard(); });
    return page;
}

// ---- engine to window ----

void MenuForm::connectSession()
{
    connect(SSTab1, &QTabWidget::currentChanged, this,
            [this](int tab) { m_session.setCurrentTab(tab); });
    connect(&m_session, &MenuSession::currentTabChanged, this,
            [this](int tab) { SSTab1->setCurrentIndex(tab); });
    connect(&m_session, &MenuSession::reportChanged, this, [this] {
        Text1->setPlainText(m_session.reportText());
        showPeriod();
    });
    connect(&m_session, &MenuSession::writeFailed, this,
            [this](const QString& path) { report(texts::kWriteFailed.arg(path)); });
    connect(&m_session.options(), &MenuOptions::changed, this, [this] {
        showOptions();
        showFontSamples();
    });
    connect(&m_session.names(), &NamesRegister::currentChanged, this,
            &MenuForm::showCurrentObject);
    connect(&m_session.names(), &NamesRegister::entryChanged, this, [this](int i) {
        const QString text = m_session.names().entry(i);
        List1->item(i)->setText(text);
        List2->item(i)->setText(text);
    });
    connect(&m_session.board(), &BoardConfiguration::changed, this, &MenuForm::showBoard);
    connect(&m_session.restore(), &StateRestore::changed, this, &MenuForm::showRestore);
    connect(&m_session.restore(), &StateRestore::finished, this, [this](int m) {
        if (m >= 1 && m <= kModuleCount)
            Command8[size_t(m - 1)]->setFocus();
    });
    connect(List1, &QListWidget::itemSelectionChanged, this, &MenuForm::takeListSelection);
}

void MenuForm::showPeriod()
{
    const PeriodLabels l = m_session.periodLabels();
    const std::array<QString, 6> captions = {l.Label1, l.Label2, l.Label3,
                                             l.Label4, l.Label5, l.Label6};
    for (int i = 0; i < 6; ++i)
        m_periodLabels[size_t(i)]->setText(captions[size_t(i)]);
    const ReportRequest& r = m_session.request();
    const std::array<bool, 4> kinds = {r.Check8, r.Check9, r.Check13, r.Check10};
    for (int i = 0; i < 4; ++i)
        m_kindBoxes[size_t(i)]->setChecked(kinds[size_t(i)]);
}

void MenuForm::showOptions()
{
    const MenuOptions& o = m_session.options();
    for (int i = 0; i < MenuOptions::kOptionCount; ++i)
        m_optionBoxes[size_t(i)]->setChecked(o.option(i));
    const QSignalBlocker b3(List3);
    const QSignalBlocker b4(List4);
    List3->setCurrentRow(o.fontIndex());
    List4->setCurrentRow(o.sizeIndex());
    Check6->setChecked(o.bold());
    Check7->setChecked(o.italic());
}

void MenuForm::showFontSamples()
{
    const PrinterFont chosen = m_session.options().printerFont();
    QFont font(chosen.name, chosen.size);
    font.setBold(chosen.bold);
    font.setItalic(chosen.italic);
    Label9->setFont(font);
    Label10->setFont(font);
}

void MenuForm::showCurrentObject()
{
    const NamesRegister& names = m_session.names();
    m_syncing = true;
    if (List2->currentRow() != names.currentIndex())
        List2->setCurrentRow(names.currentIndex());
    if (Text2->text() != names.nameText())
        Text2->setText(names.nameText());
    Label12->setText(names.objectLabel());
    Label7->setText(names.objectCaption());
    Label14->setText(names.objectCaption());
    if (Text3->toPlainText() != names.informationText())
        Text3->setPlainText(names.informationText());
    m_syncing = false;
}

void MenuForm::showBoard()
{
    const BoardConfiguration& board = m_session.board();
    const QSignalBlocker bc(Combo1);
    const QSignalBlocker bs(Slider1);
    Combo1->setCurrentIndex(board.codeIndex());
    Check14->setChecked(board.directPair());
    Slider1->setValue(board.period());
    Slider1->setToolTip(board.periodHint());
    Label18->setText(board.periodText());
    for (int i = 0; i < BoardConfiguration::kSignalCount; ++i) {
        if (Text4[size_t(i)]->text() != board.caption(i))
            Text4[size_t(i)]->setText(board.caption(i));
    }
}

void MenuForm::showRestore()
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

// ---- window to engine ----

void MenuForm::applyModuleSelection(int moduleBox, bool on)
{
    m_session.request().setModuleSelected(moduleBox, on);
    QAbstractItemModel* model = List1->model();
    const QItemSelection block(model->index(moduleBox * kObjectsPerModule, 0),
                               model->index(moduleBox * kObjectsPerModule + kObjectsPerModule - 1, 0));
    m_syncing = true;
    List1->selectionModel()->select(block, on ? QItemSelectionModel::Select
                                              : QItemSelectionModel::Deselect);
    m_syncing = false;
}

void MenuForm::takeListSelection()
{
    if (m_syncing)
        return;
    ReportRequest& request = m_session.request();
    for (int i = 0; i < List1->count(); ++i)
        request.setSelected(i, List1->item(i)->isSelected());
}

void MenuForm::print(int what)
{
    const PrinterFont font = m_session.options().printerFont();
    PrintOutcome outcome;
    switch (what) {
    case PrintReport:
        outcome = printReport(*m_sink, font, Text1->toPlainText());
        break;
    case PrintNames:
        outcome = printNamesList(*m_sink, font, m_session.names().entries());
        break;
    case PrintInformation:
        outcome = printObjectInfo(*m_sink, font, m_session.names().objectCaption(),
                                  m_session.names().informationText());
        break;
    }
    report(outcome.operatorMessage());
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

bool MenuForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonRelease)
        Command2->setFocus();
    return QWidget::eventFilter(watched, event);
}

void MenuForm::closeEvent(QCloseEvent* event)
{
    m_session.leave();
    QWidget::closeEvent(event);
}

} // namespace zelvan
