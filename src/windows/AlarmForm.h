#pragma once

#include "windows/ListWindowForm.h"

#include <array>

class QPushButton;

namespace zelvan {

struct StationContext;
class AlarmBlink;
class AlarmSilence;

// The violations window, "Нарушения": List1 draws ctx.alarms, the red frame
// Line2..Line5 around it follows the blink model.
//
// Construction: AlarmForm(ctx, blink, info) with the station's StationContext,
// the AlarmBlink built on the same context (the window starts its timer) and
// the shared ObjectInfoForm. Its visibility follows ScreenState::alarmsVisible;
// the close box clears that flag and hides the window, keeping the list.
class AlarmForm : public ListWindowForm
{
    Q_OBJECT
public:
    AlarmForm(StationContext& ctx, AlarmBlink& blink, ObjectInfoForm& info,
              QWidget* parent = nullptr);

    // Line2 (top), Line3 (right), Line4 (bottom), Line5 (left).
    QWidget* frameLine(int i) const { return m_frame[size_t(i)]; }
    // "Тишина": checked while the alarm tone is silenced.
    QPushButton* silenceButton() const { return m_silenceButton; }

protected:
    void listPlaced() override;
    int listBottomReserve() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFrame(bool visible);
    void showSilence(bool silenced);

    AlarmSilence& m_silence;
    std::array<QWidget*, 4> m_frame{};
    QPushButton* m_silenceButton = nullptr;
};

} // namespace zelvan
