#include "menu/MenuLabels.h"

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

} // namespace zelvan
