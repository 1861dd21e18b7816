#include "events/ObjectEventSteps.h"

#include "core/Addressing.h"
#include "core/Beeper.h"
#include "core/Labels.h"
#include "core/NumericText.h"
#include "events/AlarmList.h"

namespace zelvan {

int objectIndexOf(int m, QStringView numberField)
{
    if (!isModule(m))
        return 0;
    const qint64 n = integerValue(numberField);
    if (n < 1 || n > kObjectsPerModule)
        return 0;
    return globalIndex(m, int(n));
}

void removeViolationLines(StationContext& ctx, int k)
{
    ctx.alarms.removeObject(FormatObjectLabel(ctx.state, k));
}

void beepOnEvent(StationContext& ctx)
{
    if (ctx.state.OptEventSound == 1)
        ctx.beeper.beep();
}

} // namespace zelvan
