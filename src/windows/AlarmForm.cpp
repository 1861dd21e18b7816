#include "windows/AlarmForm.h"

#include "core/ScreenState.h"
#include "events/AlarmList.h"
#include "windows/AlarmBlink.h"
#include "windows/TipForm.h"
#include "windows/WindowLayout.h"
#include "windows/WindowTexts.h"

#include <QKeyEvent>
#include <QListView>
#include <QPushButton>

namespace zelvan {

namespace {

// The button row below the frame, in twips.
constexpr int kButtonGap = 90;
constexpr int kButtonHeight = 360;
constexpr int kButtonWidth = 1200;

// A frame line of the given width (pixels) centred on the twips line.
QRect lineRect(const QLine& twips, int width)
{
    const QLine px = layout::toPixels(twips);
    const int half = width / 2;
    return QRect(QPoint(qMin(px.x1(), px.x2()) - half, qMin(px.y1(), px.y2()) - half),
                 QPoint(qMax(px.x1(), px.x2()) + half - 1, qMax(px.y1(), px.y2()) + half - 1));
}

} // namespace

AlarmForm::AlarmForm(AlarmList& alarms, ScreenState& screen, AlarmBlink& blink,
                     ObjectInfoForm& info, QWidget* parent)
    : ListWindowForm(screen, &ScreenState::alarmsVisible, &ScreenState::setAlarmsVisible,
                     windowtexts::alarmCaption(), alarms, ListSource::Violations, new AlarmTipForm,
                     info, parent),
      m_silence(blink.silence())
{
    setObjectName(QStringLiteral("AlarmForm"));
    for (size_t i = 0; i < m_frame.size(); ++i) {
        auto* line = new QWidget(this);
        const QString name = QStringLiteral("Line%1").arg(i + 2);
        line->setObjectName(name);
        line->setAccessibleName(name);
        line->setAutoFillBackground(true);
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, QColor(255, 0, 0));
        line->setPalette(pal);
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_frame[i] = line;
    }
    AlarmSilence& silence = m_silence;
    m_silenceButton = new QPushButton(windowtexts::silenceButton(), this);
    m_silenceButton->setObjectName(QStringLiteral("SilenceButton"));
    m_silenceButton->setCheckable(true);
    m_silenceButton->setToolTip(windowtexts::silenceTip());
    m_silenceButton->setFocusPolicy(Qt::NoFocus);
    connect(m_silenceButton, &QPushButton::clicked, this, [this, &silence] {
        // Checked by the operator: silenced if there is anything to silence.
        // Unchecked: only the model decides when the tone comes back.
        silence.silence();
        showSilence(silence.silenced());
    });
    connect(&silence, &AlarmSilence::silencedChanged, this, &AlarmForm::showSilence);
    showSilence(silence.silenced());

    connect(&blink, &AlarmBlink::frameChanged, this, &AlarmForm::showFrame);
    // Taller than the events window by the button row, so both show as many lines.
    resize(width(), height() + layout::toPixels(listBottomReserve() - layout::kListBottomReserve));
    applyLayout();
    showFrame(blink.frameVisible());
    blink.start();
    followScreen();
}

void AlarmForm::listPlaced()
{
    if (!m_frame[0] || !m_silenceButton)
        return; // the base class lays out the list before the frame exists
    const QRect place = list()->geometry();
    const QRect twips(layout::toTwips(place.x()), layout::toTwips(place.y()),
                      layout::toTwips(place.width()), layout::toTwips(place.height()));
    const auto lines = layout::alarmFrame(twips);
    for (size_t i = 0; i < lines.size(); ++i) {
        m_frame[i]->setGeometry(lineRect(lines[i], layout::kFrameLineWidthPx));
        m_frame[i]->raise();
    }
    // "Тишина" below the frame, at its right end.
    const int right = twips.x() + twips.width();
    const int top = twips.y() + twips.height() + layout::kFrameOffset + kButtonGap;
    m_silenceButton->setGeometry(
        layout::toPixels(QRect(right - kButtonWidth, top, kButtonWidth, kButtonHeight)));
}

void AlarmForm::keyPressEvent(QKeyEvent* event)
{
    // Escape anywhere in the window silences the tone, as the button does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_silence.silence();
        event->accept();
        return;
    }
    ListWindowForm::keyPressEvent(event);
}

int AlarmForm::listBottomReserve() const
{
    return layout::kListBottomReserve + layout::kFrameOffset + kButtonGap + kButtonHeight;
}

void AlarmForm::showSilence(bool silenced) { m_silenceButton->setChecked(silenced); }

void AlarmForm::showFrame(bool visible)
{
    for (QWidget* line : m_frame)
        line->setVisible(visible);
}

} // namespace zelvan
