#include "menu/OptionsTab.h"

#include "menu/MenuOptions.h"
#include "menu/MenuTexts.h"
#include "report/ReportTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

OptionsTab::OptionsTab(MenuOptions& options, const QString& printerName, QWidget* parent)
    : MenuTabForm(parent), m_options(options)
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildOptions(), 1);
    layout->addWidget(buildPrinter(printerName), 1);

    {
        const QSignalBlocker b3(List3);
        List3->addItems(m_options.fontNames());
        const QSignalBlocker b4(List4);
        List4->addItems(MenuOptions::fontSizes());
    }
    showOptions();
    showFontSamples();

    connect(&m_options, &MenuOptions::changed, this, [this] {
        showOptions();
        showFontSamples();
    });
    connect(List3, &QListWidget::currentRowChanged, this,
            [this](int row) { change([row](MenuOptions& o) { o.selectFont(row); }); });
    connect(List4, &QListWidget::currentRowChanged, this,
            [this](int row) { change([row](MenuOptions& o) { o.selectSize(row); }); });
    connect(Check6, &QCheckBox::toggled, this,
            [this](bool on) { change([on](MenuOptions& o) { o.setBold(on); }); });
    connect(Check7, &QCheckBox::toggled, this,
            [this](bool on) { change([on](MenuOptions& o) { o.setItalic(on); }); });
}

QWidget* OptionsTab::buildOptions()
{
    auto* frame4 = named(new QGroupBox(texts::kOptionsFrame), QStringLiteral("Frame4"));
    auto* layout = new QVBoxLayout(frame4);
    for (int i = 0; i < MenuOptions::kOptionCount; ++i) {
        auto* box = named(new QCheckBox(texts::kOptionCaptions[size_t(i)]),
                          texts::kOptionControls[size_t(i)]);
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool on) { change([i, on](MenuOptions& o) { o.setOption(i, on); }); });
        m_optionBoxes[size_t(i)] = box;
        layout->addWidget(box);
    }
    layout->addStretch();
    auto* leave = button(texts::kLeaveMenu, "Command7");
    leave->setMinimumHeight(36);
    connect(leave, &QPushButton::clicked, this, &OptionsTab::leaveRequested);
    layout->addWidget(leave);
    return frame4;
}

QWidget* OptionsTab::buildPrinter(const QString& printerName)
{
    auto* frame5 = named(new QGroupBox(texts::kPrinterFrame), QStringLiteral("Frame5"));
    auto* layout = new QGridLayout(frame5);
    auto* label11 = named(new QLabel(printerName.isEmpty() ? ReportTexts::kNoPrinter : printerName),
                          QStringLiteral("Label11"));
    List3 = named(new QListWidget, QStringLiteral("List3"));
    List4 = named(new QListWidget, QStringLiteral("List4"));
    List4->setMaximumWidth(60);
    Check6 = named(new QCheckBox(texts::kBold), QStringLiteral("Check6"));
    Check7 = named(new QCheckBox(texts::kItalic), QStringLiteral("Check7"));
    Label9 = sunken(named(new QLabel(texts::kLatinSample), QStringLiteral("Label9")));
    Label10 = sunken(named(new QLabel(texts::kCyrillicSample), QStringLiteral("Label10")));
    for (QLabel* sample : {Label9, Label10})
        sample->setMinimumHeight(40);
    layout->addWidget(label11, 0, 0, 1, 2);
    layout->addWidget(List3, 1, 0, 3, 1);
    layout->addWidget(List4, 1, 1);
    layout->addWidget(Check6, 2, 1);
    layout->addWidget(Check7, 3, 1);
    layout->addWidget(Label9, 4, 0, 1, 2);
    layout->addWidget(Label10, 5, 0, 1, 2);
    return frame5;
}

// A change of the operator's, made once the operator may act; until then the
// controls show the options as they are.
void OptionsTab::change(std::function<void(MenuOptions&)> apply)
{
    if (whenAllowed<MenuOptions>(ActionRequest::plain(JournalAction::Options), &m_options,
                                 std::move(apply)))
        return; // made: the model's change shows it
    showOptions();
    showFontSamples();
}

// Shows the model; the boxes' signals are held so that showing is no change.
void OptionsTab::showOptions()
{
    for (int i = 0; i < MenuOptions::kOptionCount; ++i) {
        const QSignalBlocker b(m_optionBoxes[size_t(i)]);
        m_optionBoxes[size_t(i)]->setChecked(m_options.option(i));
    }
    const QSignalBlocker b3(List3);
    const QSignalBlocker b4(List4);
    const QSignalBlocker b6(Check6);
    const QSignalBlocker b7(Check7);
    List3->setCurrentRow(m_options.fontIndex());
    List4->setCurrentRow(m_options.sizeIndex());
    Check6->setChecked(m_options.bold());
    Check7->setChecked(m_options.italic());
}

void OptionsTab::showFontSamples()
{
    const PrinterFont chosen = m_options.printerFont();
    QFont font(chosen.name, chosen.size);
    font.setBold(chosen.bold);
    font.setItalic(chosen.italic);
    Label9->setFont(font);
    Label10->setFont(font);
}

} // namespace zelvan
