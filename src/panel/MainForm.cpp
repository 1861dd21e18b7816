#include "panel/MainForm.h"

#include "core/ScreenState.h"
#include "core/StationState.h"
#include "panel/MainPanelModel.h"
#include "panel/ObjectGrid.h"
#include "panel/PanelPicturesForm.h"
#include "panel/PanelTexts.h"

#include <QButtonGroup>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolTip>
#include <algorithm>

namespace zelvan {

namespace {
// Window geometry is laid out in twips, 15 to a pixel.
constexpr int px(int twips) { return twips / 15; }

const QSize kWindowSize(px(7335), px(5295) + px(1155));
const QRect kGridPanel(0, 0, px(5205), px(5295));
const QRect kSidePanel(px(5205), 0, px(2115), px(5295));
const QRect kBottomPanel(0, px(5295), px(7335), px(1155));
constexpr int kButtonSize = px(615);
constexpr int kButtonPitch = px(600);
constexpr int kProblemHeight = 18;
constexpr int kPairHeight = 30;

const QSize kLargeDigit(24, 40);
const QSize kSmallDigit(13, 23);
const QSize kGaugeSize(px(1755), px(315));
const QSize kZoneBarSize(px(885), px(435));

constexpr int kRibbonLeft = 124;
constexpr int kRibbonPitch = 45;
constexpr QSize kRibbonSize(41, 20);
constexpr int kUpperRowTop = 22;
constexpr int kLowerRowTop = 48;

QFrame* panel3D(const QString& name, const QRect& geometry, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setAccessibleName(name);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);
    frame->setGeometry(geometry);
    return frame;
}

QLabel* label(const QString& name, const QString& text, const QRect& geometry, Qt::Alignment align,
              QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setAlignment(align);
    return l;
}

QFont panelFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
} // namespace

MainForm::MainForm(MainPanelModel& panel, ScreenState& screen, QWidget* parent)
    : QWidget(parent), m_screen(screen), m_panel(panel)
{
    setObjectName(QStringLiteral("MainForm"));
    setFont(panelFont(11));
    buildGrid();
    buildSidePanel();
    buildBottomStrip();

    m_problem = label(QStringLiteral("StatusLine"), QString(),
                      QRect(4, kWindowSize.height(), kWindowSize.width() - 8, kProblemHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, this);
    m_problem->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    m_problem->setWordWrap(true);
    buildPairStrip();

    connect(&m_panel.grid(), &ObjectGrid::buttonChanged, this, &MainForm::showButton);
    connect(&m_panel.grid(), &ObjectGrid::ribbonChanged, this, &MainForm::showRibbon);
    connect(&m_panel.grid(), &ObjectGrid::pagePainted, this, &MainForm::showPage);
    connect(&m_panel, &MainPanelModel::changed, this, &MainForm::showPanel);
    connect(&m_screen, &ScreenState::changed, this, &MainForm::showScreen);

    showPage();
    showPanel();
    showScreen();
}

void MainForm::buildGrid()
{
    m_gridPanel = panel3D(QStringLiteral("Panel3D1"), kGridPanel, this);
    const int span = 7 * kButtonPitch + kButtonSize;
    const int left = (kGridPanel.width() - span) / 2;
    const int top = (kGridPanel.height() - span) / 2;
    for (int i = 0; i < kButtonsPerPage; ++i) {
        auto* button = new ObjectButton(i, m_gridPanel);
        button->setGeometry(left + (i % 8) * kButtonPitch, top + (i / 8) * kButtonPitch,
                            kButtonSize, kButtonSize);
        button->setFont(panelFont(11, true));
        button->setToolTipSource([this](int index) { return m_panel.buttonToolTip(index); });
        connect(button, &ObjectButton::objectPressed, &m_panel, &MainPanelModel::PressObjectButton);
        connect(button, &ObjectButton::objectReleased, &m_panel,
                [this](int) { m_panel.ReleaseObjectButton(); });
        m_buttons[size_t(i)] = button;
    }
}

void MainForm::buildSidePanel()
{
    m_sidePanel = panel3D(QStringLiteral("Panel3D3"), kSidePanel, this);
    const int width = kSidePanel.width();

    // Object number display.
    const int digitsWidth = 3 * kSmallDigit.width() + 2 * 2 + 8;
    QFrame* display = panel3D(
        QStringLiteral("Panel3D8"),
        QRect((width - digitsWidth) / 2, 10, digitsWidth, kSmallDigit.height() + 8), m_sidePanel);
    display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    for (int d = 0; d < 3; ++d) {
        auto* digit =
            new SegmentDigit(QStringLiteral("Picture%1").arg(d + 2), kSmallDigit, display);
        digit->move(4 + d * (kSmallDigit.width() + 2), 4);
        m_objectDigits[size_t(d)] = digit;
    }

    // Zone bars side by side, the balance gauge across both, 8 pixels below their top.
    const int barsLeft = (width - 2 * kZoneBarSize.width()) / 2;
    const int barsTop = 52;
    m_zoneBars[0] = new FillBar(QStringLiteral("Panel3D5"), kZoneBarSize,
                                FillBar::Direction::FromLeft, m_sidePanel);
    m_zoneBars[1] = new FillBar(QStringLiteral("Panel3D6"), kZoneBarSize,
                                FillBar::Direction::FromRight, m_sidePanel);
    m_zoneBars[0]->move(barsLeft, barsTop);
    m_zoneBars[1]->move(barsLeft + kZoneBarSize.width(), barsTop);
    for (FillBar* bar : m_zoneBars)
        bar->setFillColor(QColor(0, 128, 128));
    m_gauge = new FillBar(QStringLiteral("Panel3D7"), kGaugeSize, FillBar::Direction::FromLeft,
                          m_sidePanel);
    m_gauge->move((width - kGaugeSize.width()) / 2, barsTop + px(120));
    m_gauge->raise();
    connect(m_gauge, &FillBar::pressed, this, [this] { m_panel.thresholds().pressGauge(); });
    connect(m_gauge, &FillBar::released, this, [this] { m_panel.thresholds().releaseGauge(); });
    const int gaugeEndsTop = barsTop + kZoneBarSize.height() + 1;
    QLabel* minus = label(QStringLiteral("Label7"), PanelTexts::kGaugeLow,
                          QRect(barsLeft, gaugeEndsTop, 12, 14), Qt::AlignLeft, m_sidePanel);
    minus->setAccessibleName(QStringLiteral("Label7(0)"));
    QLabel* plus = label(QStringLiteral("Label7"), PanelTexts::kGaugeHigh,
                         QRect(barsLeft + 2 * kZoneBarSize.width() - 12, gaugeEndsTop, 12, 14),
                         Qt::AlignRight, m_sidePanel);
    plus->setAccessibleName(QStringLiteral("Label7(1)"));

    // The thresholds frame.
    m_frame = new QGroupBox(PanelTexts::kAdjust, m_sidePanel);
    m_frame->setObjectName(QStringLiteral("Frame3D1"));
    m_frame->setGeometry(4, 100, width - 8, 178);
    const int inner = m_frame->width() - 12;
    for (int s = 0; s < ThresholdsPanel::kSliderCount; ++s) {
        const int top = 20 + s * 42;
        m_sliderLabels[size_t(s)] = label(QStringLiteral("Label%1").arg(4 + s), QString(),
                                          QRect(6, top, inner, 15), Qt::AlignLeft, m_frame);
        auto* slider = new QSlider(Qt::Horizontal, m_frame);
        slider->setObjectName(QStringLiteral("Slider%1").arg(s + 1));
        slider->setRange(0, ThresholdsPanel::sliderMaximum(s));
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setFocusPolicy(Qt::StrongFocus);
        slider->setGeometry(6, top + 15, inner, 24);
        slider->installEventFilter(this);
        connect(slider, &QSlider::valueChanged, this, [this, s](int v) {
            if (!m_syncing)
                m_panel.thresholds().sliderChanged(s, v);
        });
        connect(slider, &QSlider::sliderMoved, this, [this, s, slider](int v) {
            if (m_syncing)
                return;
            m_panel.thresholds().sliderScrolled(s, v);
            QToolTip::showText(QCursor::pos(), m_panel.thresholds().toolTip(s), slider);
        });
        m_sliders[size_t(s)] = slider;
    }
    m_apply = new QPushButton(PanelTexts::kApply, m_frame);
    m_apply->setObjectName(QStringLiteral("Command3D3"));
    m_apply->setGeometry((m_frame->width() - 56) / 2, 146, 56, 24);
    connect(m_apply, &QPushButton::clicked, this, [this] { m_panel.thresholds().apply(); });

    // The menu button at the foot.
    m_menu = new QPushButton(PanelTexts::kMenu, m_sidePanel);
    m_menu->setObjectName(QStringLiteral("Command3D2"));
    m_menu->setGeometry(16, kSidePanel.height() - 40, width - 32, 28);
    connect(m_menu, &QPushButton::pressed, this, [this] { setCursor(Qt::WaitCursor); });
    connect(m_menu, &QPushButton::clicked, this, [this] {
        emit menuRequested();
        update();
        unsetCursor();
    });
    connect(m_menu, &QPushButton::released, this, [this] { unsetCursor(); });

    m_operator = label(QStringLiteral("OperatorLabel"), QString(),
                       QRect(8, m_frame->geometry().bottom() + 6, width - 16, 16), Qt::AlignLeft,
                       m_sidePanel);
    m_operator->hide();
    m_operatorButton = new QPushButton(m_sidePanel);
    m_operatorButton->setObjectName(QStringLiteral("OperatorButton"));
    m_operatorButton->hide();
    connect(m_operatorButton, &QPushButton::clicked, this, &MainForm::operatorButtonClicked);
}

void MainForm::showOperator(const QString& line, const QString& button)
{
    const int width = kSidePanel.width();
    const int top = kSidePanel.height() - 40;
    const int half = (width - 24) / 2;
    m_menu->setGeometry(8, top, half, 28);
    m_operatorButton->setGeometry(16 + half, top, half, 28);
    m_operator->setText(line);
    m_operatorButton->setText(button);
    m_operator->show();
    m_operatorButton->show();
}

// Below the panel, for a panel that shares its line with another one:
// which panel is active and since when, the button that hands the line over
// or takes it, and why the last action was refused here.
void MainForm::buildPairStrip()
{
    const int width = kWindowSize.width() - 8;
    m_pairLine = label(QStringLiteral("PairLine"), QString(),
                       QRect(4, kWindowSize.height() + 4, width - 140, 22),
                       Qt::AlignLeft | Qt::AlignVCenter, this);
    m_pairButton = new QPushButton(this);
    m_pairButton->setObjectName(QStringLiteral("PairButton"));
    m_pairButton->setGeometry(width - 130, kWindowSize.height() + 3, 134, 24);
    connect(m_pairButton, &QPushButton::clicked, this, &MainForm::pairButtonClicked);
    m_pairNotice = label(QStringLiteral("PairNotice"), QString(),
                         QRect(4, kWindowSize.height() + kPairHeight - 4, width, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, this);
    m_pairNotice->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    m_pairNotice->setWordWrap(true);
    for (QWidget* w : {static_cast<QWidget*>(m_pairLine), static_cast<QWidget*>(m_pairButton),
                       static_cast<QWidget*>(m_pairNotice)})
        w->hide();
}

void MainForm::showPair(const QString& line, const QString& button)
{
    m_pairShown = true;
    m_pairLine->setText(line);
    m_pairLine->show();
    m_pairButton->setText(button);
    m_pairButton->setVisible(!button.isEmpty());
    showScreen();
}

void MainForm::showPairNotice(const QString& text)
{
    m_pairNotice->setText(text);
    m_pairNotice->setVisible(!text.isEmpty());
    showScreen();
}

void MainForm::buildBottomStrip()
{
    m_bottomPanel = panel3D(QStringLiteral("Panel3D2"), kBottomPanel, this);

    QFrame* modulePanel =
        panel3D(QStringLiteral("Panel3D4"), QRect(8, (kBottomPanel.height() - 50) / 2, 60, 50),
                m_bottomPanel);
    modulePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_systemDigit = new SegmentDigit(QStringLiteral("Picture5"), kLargeDigit, modulePanel);
    m_moduleDigit = new SegmentDigit(QStringLiteral("Picture1"), kLargeDigit, modulePanel);
    m_systemDigit->move(5, 5);
    m_moduleDigit->move(31, 5);

    label(QStringLiteral("Label2"), PanelTexts::kUpperRow,
          QRect(kRibbonLeft - 52, kUpperRowTop, 48, kRibbonSize.height()),
          Qt::AlignRight | Qt::AlignVCenter, m_bottomPanel);
    label(QStringLiteral("Label3"), PanelTexts::kLowerRow,
          QRect(kRibbonLeft - 52, kLowerRowTop, 48, kRibbonSize.height()),
          Qt::AlignRight | Qt::AlignVCenter, m_bottomPanel);

    m_ribbonGroup = new QButtonGroup(this);
    m_ribbonGroup->setExclusive(true);
    for (int column = 0; column < 8; ++column) {
        const int x = kRibbonLeft + column * kRibbonPitch;
        QLabel* moduleLabel =
            label(QStringLiteral("Label1"), QString(), QRect(x, 4, kRibbonSize.width(), 16),
                  Qt::AlignCenter, m_bottomPanel);
        moduleLabel->setAccessibleName(QStringLiteral("Label1(%1)").arg(column));
        m_moduleLabels[size_t(column)] = moduleLabel;
    }
    for (int r = 0; r < kPageCount; ++r) {
        auto* ribbon = new RibbonButton(r, m_bottomPanel);
        const int x = kRibbonLeft + (r % 8) * kRibbonPitch;
        ribbon->setGeometry(QRect(QPoint(x, r < 8 ? kUpperRowTop : kLowerRowTop), kRibbonSize));
        m_ribbonGroup->addButton(ribbon, r);
        connect(ribbon, &QPushButton::toggled, this, [this, r](bool down) {
            if (down && !m_syncing)
                m_panel.SelectPage(r);
        });
        m_ribbons[size_t(r)] = ribbon;
    }
}

void MainForm::showButton(int i)
{
    if (i < 0 || i >= kButtonsPerPage)
        return;
    const ObjectGrid::Button& b = m_panel.grid().button(i);
    m_buttons[size_t(i)]->display(b.picture, panelColor(b.color), b.enabled, b.caption);
}

void MainForm::showRibbon(int r)
{
    if (r < 0 || r >= kPageCount)
        return;
    m_ribbons[size_t(r)]->setMarker(m_panel.grid().ribbon(r));
}

void MainForm::showPage()
{
    for (int i = 0; i < kButtonsPerPage; ++i)
        showButton(i);
    for (int r = 0; r < kPageCount; ++r)
        showRibbon(r);
    showPanel();
}

void MainForm::showPanel()
{
    m_syncing = true;
    const int page = m_panel.currentPage();
    if (page >= 0 && page < kPageCount && !m_ribbons[size_t(page)]->isChecked())
        m_ribbons[size_t(page)]->setChecked(true);

    const bool systemShown = m_panel.systemDigitVisible();
    m_systemDigit->setVisible(systemShown);
    m_systemDigit->setDigit(m_panel.systemDigit());
    m_moduleDigit->move(systemShown ? 31 : (60 - kLargeDigit.width()) / 2, 5);
    m_moduleDigit->setDigit(m_panel.moduleDigit());
    for (int d = 0; d < 3; ++d)
        m_objectDigits[size_t(d)]->setDigit(m_panel.objectDigits()[size_t(d)]);
    for (int column = 0; column < 8; ++column)
        m_moduleLabels[size_t(column)]->setText(m_panel.moduleLabel(column));

    const ThresholdsPanel& t = m_panel.thresholds();
    for (int s = 0; s < ThresholdsPanel::kSliderCount; ++s) {
        QSlider* slider = m_sliders[size_t(s)];
        slider->setEnabled(t.slidersEnabled());
        slider->setValue(t.sliderValue(s));
        slider->setToolTip(t.toolTip(s));
        m_sliderLabels[size_t(s)]->setText(t.label(s));
    }
    m_apply->setEnabled(t.applyEnabled());
    for (FillBar* bar : m_zoneBars)
        bar->setFill(t.zoneFill());
    m_gauge->setFill(t.gaugeFill());
    m_gauge->setFillColor(panelColor(t.gaugeColor()));
    m_syncing = false;
}

void MainForm::showScreen()
{
    setWindowTitle(m_screen.mainTitle());
    const QString problem = m_screen.problem();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    // Every problem is read whole: the list grows below the panel by the
    // lines its wrapped text takes.
    const int width = kWindowSize.width() - 8;
    int top = kWindowSize.height();
    if (m_pairShown) {
        top += kPairHeight;
        if (m_pairNotice->isVisibleTo(this)) {
            const int notice = m_pairNotice->heightForWidth(width);
            m_pairNotice->setGeometry(4, top, width, notice);
            top += notice;
        }
    }
    const int height =
        problem.isEmpty() ? 0 : std::max(kProblemHeight, m_problem->heightForWidth(width));
    m_problem->setGeometry(4, top, width, height);
    setFixedSize(kWindowSize.width(), top + height);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    // The operator touching a slider arms "Ok": the focus coming to it, and
    // also a press or a key on a slider that already has the focus (which
    // brings no new focus event). Focus moved by the panel's own enabling and
    // disabling does not.
    const QEvent::Type type = event->type();
    const bool touched =
        type == QEvent::FocusIn || type == QEvent::MouseButtonPress || type == QEvent::KeyPress;
    if (touched && !m_syncing) {
        for (QSlider* slider : m_sliders) {
            if (watched == slider && slider->isEnabled()) {
                m_panel.thresholds().sliderFocused();
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelvan
