#include "report/ReportRequest.h"

#include "core/Labels.h"

#include <algorithm>

namespace zelvan {

namespace {
const QString kSeparator = QStringLiteral("  ");
constexpr int kShortNameLength = 8;
} // namespace

QString menuListEntry(const StationState& state, int k, const QString& name)
{
    return MenuObjectLabel(state, k) + kSeparator + name;
}

QString menuEntryName(const QString& entry)
{
    // The label never holds two blanks in a row past its first character (a
    // hidden system part is one leading blank), so the first double blank
    // after it is the separator.
    const qsizetype at = entry.indexOf(kSeparator, 1);
    if (at < 0)
        return {};
    return entry.mid(at + kSeparator.size());
}

ReportRequest::ReportRequest() : m_selected(kObjectCount, false) {}

void ReportRequest::setEntries(const QStringList& entries) { m_entries = entries; }

bool ReportRequest::isSelected(int entry) const
{
    return entry >= 0 && entry < kObjectCount && m_selected[static_cast<size_t>(entry)];
}

void ReportRequest::setSelected(int entry, bool selected)
{
    if (entry >= 0 && entry < kObjectCount)
        m_selected[static_cast<size_t>(entry)] = selected;
}

void ReportRequest::toggle(int entry) { setSelected(entry, !isSelected(entry)); }

void ReportRequest::setModuleSelected(int moduleBox, bool selected)
{
    if (moduleBox < 0 || moduleBox >= kModuleCount)
        return;
    const int first = moduleBox * kObjectsPerModule;
    for (int entry = first; entry < first + kObjectsPerModule; ++entry)
        m_selected[static_cast<size_t>(entry)] = selected;
}

void ReportRequest::clearSelection() { std::fill(m_selected.begin(), m_selected.end(), false); }

int ReportRequest::selectedCount() const
{
    return static_cast<int>(std::count(m_selected.begin(), m_selected.end(), true));
}

QString ReportRequest::shortName(int k) const
{
    if (k < 1 || k > m_entries.size())
        return {};
    return menuEntryName(m_entries[k - 1]).left(kShortNameLength).trimmed();
}

} // namespace zelvan
