#include "core/StationState.h"

namespace zelvan {

void StationState::fillMonthNames()
{
    MonthName = {QString(),
                 QStringLiteral("Януари"),
                 QStringLiteral("Февруари"),
                 QStringLiteral("Март"),
                 QStringLiteral("Април"),
                 QStringLiteral("Май"),
                 QStringLiteral("Юни"),
                 QStringLiteral("Юли"),
                 QStringLiteral("Август"),
                 QStringLiteral("Септември"),
                 QStringLiteral("Октомври"),
                 QStringLiteral("Ноември"),
                 QStringLiteral("Декември")};
}

} // namespace zelvan
