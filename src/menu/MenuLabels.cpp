#include "menu/MenuLabels.h"

#include "core/Labels.h"
#include "core/StationState.h"
#include "menu/MenuTexts.h"

namespace zelvan {

QString menuSystemPart(const StationState& state)
{
    return state.showSystemPrefix() ? QString::number(state.SystemNo) : QStringLiteral(" ");
}

QString menuModuleCaption(const StationState& state, int m)
{
    return menu_texts::kModuleWord + menuSystemPart(state) + QString::number(m);
}

QString menuObjectEntry(const StationState& state, int k, const QString& name)
{
    return MenuObjectLabel(state, k) + QStringLiteral("  ") + name;
}

} // namespace zelvan
