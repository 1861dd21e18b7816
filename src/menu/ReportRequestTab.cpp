#include "menu/ReportRequestTab.h"

#include "core/StationState.h"
#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

ReportRequestTab::ReportRequestTab(MenuSession& session, QWidget* parent)
    : MenuTabForm(parent), m_session(session)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(buildObjects(), 0, 0, 3, 1);
    grid->addWidget(buildKinds(), 0, 1);
    grid->addWidget(buildPeriod(), 1, 1);
    auto* ok = button(texts::kOk, "Command1");
    connect(ok, &QPushButton::clicked, this, [this] {
        setCursor(Qt::WaitCursor);
        m_session.runReport();
        unsetCursor();
    });
    grid->addWidget(ok, 2, 1, Qt::AlignBottom);
    grid->setColumnStretch(0, 1);

    {
        const QSignalBlocker blocker(List1);
        List1->addItems(m_session.names().entries());
    }
    for (int m = 1; m <= kModuleCount; ++m)
        Check11[size_t(m - 1)]->setText(m_session.moduleCaption(m));
    showPeriod();

    // The report swaps the period's hours when they are the wrong way round.
    connect(&m_session, &MenuSession::reportChanged, this, &ReportRequestTab::showPeriod);
    connect(&m_session.names(), &NamesRegister::entryChanged, this,
            [this](int i) { List1->item(i)->setText(m_session.names().entry(i)); });
    connect(List1, &QListWidget::itemSelectionChanged, this, &ReportRequestTab::takeListSelection);
}

QWidget* ReportRequestTab::buildObjects()
{
    auto* objects = named(new QGroupBox(texts::kObjectsFrame), QStringLiteral("Frame1"));
    auto* layout = new QHBoxLayout(objects);
    List1 = named(new QListWidget, QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    List1->setUniformItemSizes(true);
    layout->addWidget(List1, 1);
    auto* modules = new QVBoxLayout;
    for (int i = 0; i < kModuleCount; ++i) {
        auto* box = named(new QCheckBox, indexed("Check11", i));
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool on) { applyModuleSelection(i, on); });
        Check11[size_t(i)] = box;
        modules->addWidget(box);
    }
    modules->addStretch();
    layout->addLayout(modules);
    return objects;
}

QWidget* ReportRequestTab::buildKinds()
{
    auto* kinds = named(new QGroupBox(texts::kKindsFrame), QStringLiteral("Frame2"));
    auto* layout = new QVBoxLayout(kinds);
    for (int i = 0; i < 4; ++i) {
        auto* box =
            named(new QCheckBox(texts::kKindCaptions[size_t(i)]), texts::kKindControls[size_t(i)]);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
            ReportRequest& r = m_session.request();
            bool* flags[] = {&r.Check8, &r.Check9, &r.Check13, &r.Check10};
            *flags[i] = on;
        });
        m_kindBoxes[size_t(i)] = box;
        layout->addWidget(box);
    }
    return kinds;
}

QWidget* ReportRequestTab::buildPeriod()
{
    auto* period = named(new QGroupBox(texts::kPeriodFrame), QStringLiteral("Frame3"));
    auto* layout = new QGridLayout(period);
    const char* labelNames[] = {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"};
    const char* spinNames[] = {"SpinButton1", "SpinButton2", "SpinButton3",
                               "SpinButton4", "SpinButton5", "SpinButton6"};
    for (int i = 0; i < 6; ++i) {
        const auto spin = PeriodSpin(i + 1);
        auto* label = sunken(named(new QLabel, QLatin1String(labelNames[i])));
        label->setMinimumWidth(110);
        m_periodLabels[size_t(i)] = label;
        auto* spinBox = spinButton(
            spinNames[i],
            [this, spin] {
                if (m_session.period().spinUp(spin))
                    showPeriod();
            },
            [this, spin] {
                if (m_session.period().spinDown(spin))
                    showPeriod();
            });
        layout->addWidget(label, i, 0);
        layout->addWidget(spinBox, i, 1);
    }
    return period;
}

void ReportRequestTab::showPeriod()
{
    const PeriodLabels l = m_session.periodLabels();
    const std::array<QString, 6> captions = {l.Label1, l.Label2, l.Label3,
                                             l.Label4, l.Label5, l.Label6};
    for (int i = 0; i < 6; ++i)
        m_periodLabels[size_t(i)]->setText(captions[size_t(i)]);
    const ReportRequest& r = m_session.request();
    const std::array<bool, 4> kinds = {r.Check8, r.Check9, r.Check13, r.Check10};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker b(m_kindBoxes[size_t(i)]);
        m_kindBoxes[size_t(i)]->setChecked(kinds[size_t(i)]);
    }
}

void ReportRequestTab::applyModuleSelection(int moduleBox, bool on)
{
    m_session.request().setModuleSelected(moduleBox, on);
    QAbstractItemModel* model = List1->model();
    const QItemSelection block(
        model->index(moduleBox * kObjectsPerModule, 0),
        model->index(moduleBox * kObjectsPerModule + kObjectsPerModule - 1, 0));
    m_syncing = true;
    List1->selectionModel()->select(block, on ? QItemSelectionModel::Select
                                              : QItemSelectionModel::Deselect);
    m_syncing = false;
}

void ReportRequestTab::takeListSelection()
{
    if (m_syncing)
        return;
    ReportRequest& request = m_session.request();
    for (int i = 0; i < List1->count(); ++i)
        request.setSelected(i, List1->item(i)->isSelected());
}

} // namespace zelvan
