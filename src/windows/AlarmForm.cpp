#include "windows/AlarmForm.h"

#include "core/ScreenState.h"
#include "events/AlarmList.h"
#include "events/StationContext.h"
#include "windows/AlarmBlink.h"
#include "windows/TipForm.h"
#include "windows/WindowLayout.h"
#include "windows/WindowTexts.h"

#include <QListView>

namespace zelvan {

namespace {

// A frame line of the given width (pixels) centred on the twips line.
QRect lineRect(const QLine& twips, int width)
{
    const QLine px = layout::toPixels(twips);
    const int half = width / 2;
    return QRect(QPoint(qMin(px.x1(), px.x2()) - half, qMin(px.y1(), px.y2()) - half),
                 QPoint(qMax(px.x1(), px.x2()) + half - 1, qMax(px.y1(), px.y2()) + half - 1));
}

} // namespace

AlarmForm::AlarmForm(StationContext& ctx, AlarmBlink& blink, ObjectInfoForm& info,
                     QWidget* parent)
    : ListWindowForm(ctx.screen, &ScreenState::alarmsVisible, &ScreenState::setAlarmsVisible,
                     windowtexts::alarmCaption(), ctx.alarms, ListSource::Violations,
                     new AlarmTipForm, info, parent)
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
    connect(&blink, &AlarmBlink::frameChanged, this, &AlarmForm::showFrame);
    listPlaced();
    showFrame(blink.frameVisible());
    blink.start();
    followScreen();
}

void AlarmForm::listPlaced()
{
    if (!m_frame[0])
        return; // the base class lays out the list before the frame exists
    const QRect place = list()->geometry();
    const QRect twips(layout::toTwips(place.x()), layout::toTwips(place.y()),
                      layout::toTwips(place.width()), layout::toTwips(place.height()));
    const auto lines = layout::alarmFrame(twips);
    for (size_t i = 0; i < lines.size(); ++i) {
        m_frame[i]->setGeometry(lineRect(lines[i], layout::kFrameLineWidthPx));
        m_frame[i]->raise();
    }
}

void AlarmForm::showFrame(bool visible)
{
    for (QWidget* line : m_frame)
        line->setVisible(visible);
}

} // namespace zelvan
