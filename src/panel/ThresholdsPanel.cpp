#include "panel/ThresholdsPanel.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/OperatorActions.h"
#include "core/StationLists.h"
#include "core/StationState.h"
#include "events/DayArchive.h"
#include "panel/MarkerColors.h"
#include "panel/PanelTexts.h"
#include "panel/ThresholdScale.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <array>

namespace zelvan {

namespace {
constexpr int kNeutralZoneFill = 33;
}

ThresholdsPanel::ThresholdsPanel(StationState& state, ModuleCommands& commands, DayRecords& archive,
                                 const Clock& clock, QObject* parent)
    : QObject(parent), m_state(state), m_selected(state, commands), m_archive(archive),
      m_clock(clock), m_separator(QLocale::system().decimalPoint().at(0)),
      m_gaugeColor(PanelColor::Blue)
{
    m_sliders[Balance].label = PanelTexts::kBalanceNeutral;
    m_sliders[Zone].label = PanelTexts::kZoneNeutral;
    m_sliders[Time].label = PanelTexts::kTimeNeutral;
}

int ThresholdsPanel::sliderMaximum(int slider)
{
    switch (slider) {
    case Balance:
        return ThresholdScale::kBalanceMax;
    case Zone:
        return ThresholdScale::kZoneMax;
    default:
        return ThresholdScale::kTimeMax;
    }
}

int ThresholdsPanel::balanceThreshold() const
{
    return m_sliders[Balance].value + ThresholdScale::kBalanceOffset;
}

void ThresholdsPanel::pageChanged()
{
    m_slidersEnabled = false;
    m_applyEnabled = false;
    m_sliders[Balance].label = PanelTexts::kBalanceNeutral;
    m_sliders[Zone].label = PanelTexts::kZoneNeutral;
    m_sliders[Time].label = PanelTexts::kTimeNeutral;
    m_zoneFill = kNeutralZoneFill;
    m_gaugeFill = 0;
    emit changed();
}

void ThresholdsPanel::objectSelected(int k)
{
    if (!isObject(k))
        return;
    m_applyEnabled = false;
    const size_t i = size_t(k);
    // Each change handler runs even when the position stays, so that the
    // labels and bars show this object's values.
    setSlider(Balance, ThresholdScale::balancePosition(m_state.ObjParamA[i]));
    setSlider(Zone, ThresholdScale::zonePosition(m_state.ObjParamB[i]));
    setSlider(Time, ThresholdScale::timePosition(m_state.ObjParamC[i]));
    emit changed();
}

void ThresholdsPanel::setSlidersEnabled(bool on)
{
    m_slidersEnabled = on;
    emit changed();
}

void ThresholdsPanel::setGaugeColor(qint32 color)
{
    m_gaugeColor = color;
    emit changed();
}

void ThresholdsPanel::emptyGauge()
{
    m_gaugeFill = 0;
    emit changed();
}

void ThresholdsPanel::setSlider(int slider, int value)
{
    if (slider < 0 || slider >= kSliderCount)
        return;
    value = std::clamp(value, 0, sliderMaximum(slider));
    SliderView& view = m_sliders[size_t(slider)];
    view.value = value;
    switch (slider) {
    case Balance:
        view.label = ThresholdScale::balanceLabel(value, m_separator);
        recomputeGauge();
        break;
    case Zone:
        view.label = ThresholdScale::zoneLabel(value, m_separator);
        m_zoneFill = ThresholdScale::zoneFill(value);
        break;
    case Time:
        view.label = ThresholdScale::timeLabel(value);
        break;
    }
}

void ThresholdsPanel::sliderChanged(int slider, int value)
{
    setSlider(slider, value);
    emit changed();
}

void ThresholdsPanel::sliderScrolled(int slider, int value)
{
    setSlider(slider, value);
    if (slider >= 0 && slider < kSliderCount) {
        const int v = m_sliders[size_t(slider)].value;
        QString& tip = m_sliders[size_t(slider)].toolTip;
        switch (slider) {
        case Balance:
            tip = ThresholdScale::balanceTip(v, m_separator);
            break;
        case Zone:
            tip = ThresholdScale::zoneTip(v, m_separator);
            break;
        case Time:
            tip = ThresholdScale::timeTip(v);
            break;
        }
    }
    emit changed();
}

void ThresholdsPanel::sliderFocused()
{
    m_gaugeColor = PanelColor::Magenta;
    m_applyEnabled = true;
    emit changed();
}

void ThresholdsPanel::apply()
{
    const int k = m_state.SelectedObject;
    if (!isObject(k)) {
        applied();
        return;
    }
    // The values are those on the sliders when "Ok" was pressed, also when
    // they are sent only after the operator's log-in.
    const std::array<int, 3> values = {balanceThreshold(), m_sliders[Zone].value,
                                       m_sliders[Time].value};
    whenAllowed(m_operator, ActionRequest::onObject(JournalAction::Thresholds, m_state, k),
                [this, k, values] {
                    const size_t i = size_t(k);
                    QStringList sent;
                    auto store = [&](qint16& stored, int value, const QString& letter) {
                        if (stored == value)
                            return;
                        // The journal keeps what the value was as well as what it became.
                        const qint16 old = stored;
                        stored = qint16(value);
                        m_selected.sendTo(k, letter, QLatin1Char(',') + QString::number(value));
                        sent << QStringLiteral("%1=%2->%3").arg(letter).arg(old).arg(value);
                    };
                    store(m_state.ObjParamA[i], values[0], QStringLiteral("B"));
                    store(m_state.ObjParamB[i], values[1], QStringLiteral("Z"));
                    store(m_state.ObjParamC[i], values[2], QStringLiteral("T"));
                    if (!sent.isEmpty()) {
                        m_archive.AppendDayRecord(k, QLatin1Char('B'), m_clock.now());
                        journal(m_operator, JournalAction::Thresholds, k, moduleOf(k),
                                sent.join(QLatin1Char(' ')));
                    }
                    applied();
                });
}

void ThresholdsPanel::applied()
{
    m_gaugeColor = PanelColor::Blue;
    m_applyEnabled = false;
    emit changed();
}

void ThresholdsPanel::pressGauge()
{
    const int k = m_state.SelectedObject;
    if (!isObject(k))
        return;
    whenAllowedTelling(m_operator, ActionRequest::onObject(JournalAction::Measure, m_state, k),
                       [this, k](bool waited) {
                           if (m_state.SelectedObject != k)
                               return;
                           m_selected.startMeasurement();
                           journal(m_operator, JournalAction::Measure, k, moduleOf(k),
                                   QStringLiteral("gauge"));
                           // Let go while the log-in was asked: one reading.
                           if (waited)
                               m_state.PendingMeasure.clear();
                           gaugePressed();
                       });
}

void ThresholdsPanel::gaugePressed()
{
    m_slidersEnabled = true;
    m_applyEnabled = false;
    emit changed();
}

void ThresholdsPanel::releaseGauge() { m_state.PendingMeasure.clear(); }

void ThresholdsPanel::measuredValueChanged()
{
    recomputeGauge();
    emit changed();
}

void ThresholdsPanel::recomputeGauge()
{
    m_gaugeFill = ThresholdScale::balanceGaugeFill(balanceThreshold(), m_state.MeasuredValue);
}

} // namespace zelvan
