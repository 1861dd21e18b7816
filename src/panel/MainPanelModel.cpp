#include "panel/MainPanelModel.h"

#include "core/Addressing.h"
#include "core/Labels.h"
#include "core/NumericText.h"
#include "core/ObjectFiles.h"
#include "core/OperatorActions.h"
#include "core/ScreenState.h"
#include "core/StationState.h"
#include "panel/MarkerColors.h"
#include "panel/ObjectGrid.h"
#include "panel/PanelTexts.h"

#include <QFileInfo>

namespace zelvan {

namespace {
constexpr qint16 kResetMeasuredValue = 500;
}

MainPanelModel::MainPanelModel(StationState& state, ObjectFiles& files, ObjectGrid& grid,
                               ModuleCommands& commands, DayRecords& archive, const Clock& clock,
                               QObject* parent)
    : QObject(parent), m_state(state), m_files(files), m_grid(grid), m_selected(state, commands),
      m_thresholds(state, commands, archive, clock)
{
    connect(&m_thresholds, &ThresholdsPanel::changed, this, &MainPanelModel::changed);
}

int MainPanelModel::currentPage() const { return m_state.CurrentPage; }

int MainPanelModel::systemDigit() const { return m_state.SystemNo % 10; }

bool MainPanelModel::systemDigitVisible() const { return m_state.showSystemPrefix(); }

QString MainPanelModel::moduleLabel(int column) const { return ModuleLabel(m_state, column + 1); }

QString MainPanelModel::buttonToolTip(int i) const
{
    if (i < 0 || i >= kButtonsPerPage)
        return {};
    return ObjText(m_state, m_files, m_state.PageBase + i + 1);
}

void MainPanelModel::SelectPage(int p)
{
    if (!isPage(p))
        return;
    m_state.CurrentPage = qint16(p);
    m_state.LastPage = qint16(p);
    m_state.PageBase = qint16(pageBaseOf(p));
    m_state.SelectedObject = 0;
    m_moduleDigit = pageModule(p);
    m_objectDigits = {0, 0, 0};
    m_thresholds.pageChanged();
    m_state.PendingMeasure.clear();
    m_grid.paintPage();
    emit changed();
}

void MainPanelModel::measuredValueChanged()
{
    m_thresholds.measuredValueChanged();
    // Each value that comes back asks for the next, while the operator holds on.
    m_selected.renewMeasurement();
}

void MainPanelModel::PressObjectButton(int i, int button, int shift)
{
    pressFrom(command_origin::grid(), i, button, shift);
}

void MainPanelModel::setOperatorActions(OperatorActions* actions)
{
    m_operator = actions;
    m_thresholds.setOperatorActions(actions);
}

void MainPanelModel::pressFrom(const QString& origin, int i, int button, int shift)
{
    if (i < 0 || i >= kButtonsPerPage)
        return;
    // A press of another button (the middle one) while the right button holds
    // a measurement leaves everything to the measurement: selecting another
    // object would show its thresholds beside the gauge of the measured one.
    if (button != LeftButton && button != RightButton && !m_state.PendingMeasure.isEmpty())
        return;
    const bool acts = (button == LeftButton || button == RightButton)
                      && (shift == NoModifier || shift == ShiftModifier);
    if (!acts) {
        select(i);
        emit changed();
        return;
    }
    // A take, release, measurement or colour waits for the operator's log-in
    // when one is needed, and is then done on the object pressed, on its page.
    // Which of take and release it is, is decided now: the operator pressed
    // for what the button showed, whatever the object has become meanwhile.
    const int k = m_state.PageBase + i + 1;
    const Deed deed = deedOf(k, button, shift);
    whenAllowedTelling(m_operator, ActionRequest::onObject(deed, m_state, k),
                       [this, origin, k, button, deed](bool waited) {
                           if (pageBaseOf(ribbonOf(k)) != m_state.PageBase)
                               SelectPage(ribbonOf(k));
                           act(origin, k - 1 - m_state.PageBase, button, deed);
                           // The button was let go while the log-in was asked: a measurement
                           // asked for then takes one reading.
                           if (waited)
                               ReleaseObjectButton();
                       });
}

void MainPanelModel::select(int i)
{
    m_state.ClickedButton = qint16(i);
    const int b = m_state.PageBase + i;
    const int k = b + 1;
    m_state.SelectedObject = qint16(k);
    m_state.SelectedObjectNo = QString::number((b & 127) + 1);

    const qint64 v = std::clamp<qint64>(integerValue(m_grid.button(i).caption), 0, 999);
    m_objectDigits = {int(v / 100), int(v / 10 % 10), int(v % 10)};

    m_thresholds.objectSelected(k);
}

MainPanelModel::Deed MainPanelModel::deedOf(int k, int button, int shift) const
{
    if (shift == NoModifier && button == LeftButton)
        return m_state.ObjState[size_t(k)] > 0 ? JournalAction::Release : JournalAction::Take;
    if (shift == NoModifier && button == RightButton)
        return JournalAction::Measure;
    return JournalAction::Colour;
}

void MainPanelModel::act(const QString& origin, int i, int button, Deed deed)
{
    select(i);
    const int k = m_state.SelectedObject;
    if (deed == JournalAction::Take || deed == JournalAction::Release) {
        const bool release = deed == JournalAction::Release;
        // A command for a closed port is dropped by the line: the journal says
        // it was not sent, so that nobody reads it as done.
        const bool sent = m_selected.send(release ? QStringLiteral("O") : QStringLiteral("P"));
        journal(m_operator, deed, k, moduleOf(k),
                sent ? origin : origin + PanelTexts::kNotSentDetail);
        m_state.PendingMeasure.clear();
        m_state.MeasuredValue = kResetMeasuredValue;
        m_thresholds.setSlidersEnabled(false);
        m_thresholds.emptyGauge();
    } else if (deed == JournalAction::Measure) {
        m_selected.startMeasurement();
        journal(m_operator, JournalAction::Measure, k, moduleOf(k), origin);
        m_thresholds.setSlidersEnabled(true);
        m_thresholds.setGaugeColor(PanelColor::Blue);
    } else {
        stepMarkerColor(i, button);
        journal(m_operator, JournalAction::Colour, k, moduleOf(k),
                QString::number(m_state.ObjColor[size_t(k)]));
        m_state.MeasuredValue = kResetMeasuredValue;
        m_thresholds.setSlidersEnabled(false);
        m_thresholds.emptyGauge();
    }
    emit changed();
}

void MainPanelModel::ReleaseObjectButton() { m_state.PendingMeasure.clear(); }

void MainPanelModel::stepMarkerColor(int i, int button)
{
    const qint32 current = m_grid.button(i).color;
    const qint32 color =
        button == LeftButton ? nextMarkerColor(current) : previousMarkerColor(current);
    m_grid.setButtonColor(i, color);
    const int k = m_state.SelectedObject;
    m_state.ObjColor[size_t(k)] = color;
    saveColor(k);
}

void MainPanelModel::saveColor(int k)
{
    // Earlier records that could not be written go out first, then this one;
    // each write carries the colour held now.
    m_colorPending.insert(k);
    writePendingColors();
}

void MainPanelModel::writePendingColors()
{
    if (m_colorPending.empty())
        return;
    for (auto it = m_colorPending.begin(); it != m_colorPending.end();) {
        if (!m_files.setColor(*it, m_state.ObjColor[size_t(*it)]))
            break;
        it = m_colorPending.erase(it);
    }
    reportColorProblem(!m_colorPending.empty());
}

void MainPanelModel::reportColorProblem(bool failing)
{
    if (!m_screen)
        return;
    QString problem;
    if (failing) {
        const QString reason = m_files.errorString();
        problem = PanelTexts::kColorWriteFailed
                  + (reason.isEmpty() ? QFileInfo(m_files.colorPath()).fileName() : reason);
    }
    m_screen->setProblem(ScreenState::ProblemSource::Colors, problem);
}

} // namespace zelvan
