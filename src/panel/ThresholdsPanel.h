#pragma once

#include "panel/SelectedObjectCommands.h"
#include <QChar>
#include <QObject>
#include <QString>
#include <array>

namespace zelvan {

struct StationState;
class ModuleCommands;
class DayRecords;
class Clock;
class OperatorActions;

// The thresholds panel of the main window: the three sliders of the selected
// object (balance, zone, time) with their labels and tooltips, the zone bars,
// the balance gauge with its colour, the "Ok" apply and the gauge press.
class ThresholdsPanel : public QObject
{
    Q_OBJECT
public:
    enum Slider
    {
        Balance = 0,
        Zone = 1,
        Time = 2
    };
    static constexpr int kSliderCount = 3;

    ThresholdsPanel(StationState& state, ModuleCommands& commands, DayRecords& archive,
                    const Clock& clock, QObject* parent = nullptr);

    int sliderValue(int slider) const { return m_sliders[size_t(slider)].value; }
    static int sliderMaximum(int slider);
    QString label(int slider) const { return m_sliders[size_t(slider)].label; }
    QString toolTip(int slider) const { return m_sliders[size_t(slider)].toolTip; }
    bool slidersEnabled() const { return m_slidersEnabled; }
    bool applyEnabled() const { return m_applyEnabled; }
    int zoneFill() const { return m_zoneFill; }
    int gaugeFill() const { return m_gaugeFill; }
    qint32 gaugeColor() const { return m_gaugeColor; }
    // The shown balance threshold in stored units (Slider1 + 75).
    int balanceThreshold() const;

    // Page change: everything disabled, neutral labels, zone bars 33, gauge empty.
    void pageChanged();
    // Object k selected: its stored values loaded into the sliders, every
    // slider's change handler run, "Ok" disabled.
    void objectSelected(int k);
    void setSlidersEnabled(bool on);
    void setGaugeColor(qint32 color);
    void emptyGauge();

    // Slider position set by the program or the operator.
    void sliderChanged(int slider, int value);
    // The operator drags the slider: as a change, and its tooltip shows the value.
    void sliderScrolled(int slider, int value);
    // A slider got the focus: gauge magenta, "Ok" enabled.
    void sliderFocused();
    // "Ok": sends the changed thresholds of the selected object and records the change.
    void apply();
    // Where the thresholds and the gauge's measurement ask for a log-in and
    // are journaled.
    void setOperatorActions(OperatorActions* actions) { m_operator = actions; }
    // Mouse press and release on the balance gauge: renews the live measurement.
    void pressGauge();
    void releaseGauge();
    // MeasuredValue changed: the gauge follows it.
    void measuredValueChanged();

    QChar decimalSeparator() const { return m_separator; }

signals:
    void changed();

private:
    void applied();
    void gaugePressed();
    struct SliderView
    {
        int value = 0;
        QString label;
        QString toolTip;
    };
    void setSlider(int slider, int value);
    void recomputeGauge();

    StationState& m_state;
    SelectedObjectCommands m_selected;
    DayRecords& m_archive;
    OperatorActions* m_operator = nullptr;
    const Clock& m_clock;
    QChar m_separator;
    std::array<SliderView, kSliderCount> m_sliders{};
    bool m_slidersEnabled = false;
    bool m_applyEnabled = false;
    int m_zoneFill = 33;
    int m_gaugeFill = 0;
    qint32 m_gaugeColor;
};

} // namespace zelvan
