#include "core/Labels.h"

#include "core/Addressing.h"
#include "core/ObjectFiles.h"

namespace zelvan {

namespace {

QString systemPart(const StationState& state)
{
    return state.showSystemPrefix() ? QString::number(state.SystemNo) : QString();
}

QString objectNumber3(int k)
{
    return QStringLiteral("%1").arg(objectNoOf(k), 3, 10, QLatin1Char('0'));
}

} // namespace

QString ModuleLabel(const StationState& state, int m)
{
    return systemPart(state) + QString::number(m % 10);
}

QString FormatObjectLabel(const StationState& state, int k)
{
    const QString module = QString::number(moduleOf(k) % 10);
    const QString system =
        state.showSystemPrefix() ? QString::number(state.SystemNo) : QStringLiteral(" ");
    return QLatin1Char(' ') + system + module + QLatin1Char('-') + objectNumber3(k);
}

QString MenuObjectLabel(const StationState& state, int k)
{
    return FormatObjectLabel(state, k).mid(1);
}

QString ObjText(const StationState& state, const ObjectFiles& files, int k)
{
    return FormatObjectLabel(state, k) + QStringLiteral("  ") + files.name(k);
}

} // namespace zelvan
