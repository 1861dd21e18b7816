#pragma once

#include "core/StationState.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace zelvan {

// An entry of the menu window's object lists: MenuObjectLabel, two spaces and
// the object's name.
QString menuListEntry(const StationState& state, int k, const QString& name);
// The name part of such an entry (everything after the label and its two
// spaces); empty when the entry has no name.
QString menuEntryName(const QString& entry);

// What the operator asks the archive report for: the selected objects of the
// 1024-entry objects list and the four kinds of records.
class ReportRequest
{
public:
    ReportRequest();

    // The 1024 entry texts, entry k - 1 for object k (the form shows the same list).
    void setEntries(const QStringList& entries);
    const QStringList& entries() const { return m_entries; }
    // Builds the entries from the object names, name(k) for k = 1..1024.
    template <typename NameOf>
    static QStringList buildEntries(const StationState& state, NameOf name)
    {
        QStringList list;
        list.reserve(kObjectCount);
        for (int k = 1; k <= kObjectCount; ++k)
            list.append(menuListEntry(state, k, name(k)));
        return list;
    }

    // Selection of entry index (0..1023); out-of-range indexes are ignored.
    bool isSelected(int entry) const;
    void setSelected(int entry, bool selected);
    // A click on an entry toggles its selection.
    void toggle(int entry);
    // Check11(m) checked or unchecked: selects or deselects all 128 entries of
    // module m + 1 (entries m * 128 .. m * 128 + 127).
    void setModuleSelected(int moduleBox, bool selected);
    void clearSelection();
    int selectedCount() const;

    // The four kind boxes.
    bool Check8 = false;  // taken, released, on/off and board signals
    bool Check9 = true;   // violations and operator
    bool Check13 = false; // balance restored
    bool Check10 = false; // closing list of objects not taken

    // The short name of object k for report lines: the first eight characters
    // of its entry's name part, blanks trimmed.
    QString shortName(int k) const;

private:
    QStringList m_entries;
    std::vector<bool> m_selected;
};

} // namespace zelvan
