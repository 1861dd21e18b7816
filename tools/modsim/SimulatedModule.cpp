#include "modsim/SimulatedModule.h"

#include "link/LinkTexts.h"
#include "modsim/DumpFormat.h"
#include "modsim/ModuleTexts.h"

#include <algorithm>

namespace zelvan::modsim {

SimulatedModule::SimulatedModule(int number) : m_number(number) { m_groups.fill(true); }

bool SimulatedModule::groupInstalled(int g) const
{
    return g >= 0 && g < kGroups && m_groups[static_cast<size_t>(g)];
}

void SimulatedModule::setGroupInstalled(int g, bool installed)
{
    if (g >= 0 && g < kGroups)
        m_groups[static_cast<size_t>(g)] = installed;
}

void SimulatedModule::setGroups(QByteArrayView groups)
{
    for (int g = 0; g < kGroups; ++g)
        m_groups[static_cast<size_t>(g)] = g < groups.size() && groups[g] != kGroupAbsent;
}

QByteArray SimulatedModule::groupCharacters() const
{
    QByteArray chars;
    for (bool g : m_groups)
        chars.append(g ? kGroupInstalled : kGroupAbsent);
    return chars;
}

bool SimulatedModule::installed(int n) const
{
    return validObject(n) && groupInstalled((n - 1) / kObjectsPerGroup);
}

int SimulatedModule::installedCount() const
{
    return static_cast<int>(std::count(m_groups.begin(), m_groups.end(), true)) * kObjectsPerGroup;
}

void SimulatedModule::clearStates()
{
    for (auto& o : m_objects)
        o.state = kStateNeverTaken;
}

char SimulatedModule::promptCharacter() const
{
    if (m_monitor)
        return kPromptMonitor;
    const bool alarm =
        std::any_of(m_objects.begin(), m_objects.end(),
                    [](const SimulatedObject& o) { return o.state == kStateViolated; });
    return alarm ? kPromptAlarm : kPromptReady;
}

QByteArray SimulatedModule::groupLine() const
{
    return QByteArray(kGroupLinePrefix) + groupCharacters() + kGroupLineSuffix;
}

QList<QByteArray> SimulatedModule::versionReply() const
{
    const QLatin1String banner = linktexts::kModuleBanner;
    return {QByteArray(banner.data(), banner.size()), QByteArray(kFirmwareLine),
            QByteArray(kAddressLinePrefix) + QByteArray::number(m_number), groupLine()};
}

quint8 SimulatedModule::memoryByte(quint32 address) const
{
    if (address >= kSettingsArea && address < kSettingsArea + 2 * kObjects) {
        const int offset = static_cast<int>(address - kSettingsArea);
        if (offset < kObjects)
            return static_cast<quint8>(
                std::clamp(m_objects[static_cast<size_t>(offset)].balance, 0, 255));
        const auto& o = m_objects[static_cast<size_t>(offset - kObjects)];
        return static_cast<quint8>((std::clamp(o.zone, 0, kNibbleMax) << 4)
                                   | std::clamp(o.time, 0, kNibbleMax));
    }
    if (address >= kStateArea && address < kStateArea + kObjects)
        return static_cast<quint8>(m_objects[address - kStateArea].state);
    return 0xFF; // unused memory reads as erased
}

QList<QByteArray> SimulatedModule::readMemory(quint32 address, quint32 count) const
{
    count = std::min(count, kMaxReadLength);
    QList<QByteArray> lines;
    for (quint32 start = 0; start < count; start += kDumpBytesPerLine) {
        QByteArray bytes;
        for (int i = 0; i < kDumpBytesPerLine; ++i)
            bytes.append(static_cast<char>(
                memoryByte((address + start + static_cast<quint32>(i)) & 0xFFFF)));
        lines.append(formatDumpLine(bytes));
    }
    return lines;
}

} // namespace zelvan::modsim
