#pragma once

#include "menu/MenuTabForm.h"

#include <array>

class QCheckBox;
class QLabel;
class QListWidget;

namespace zelvan {

class MenuSession;

// "Архив задание": the objects list List1 with the module boxes Check11, the
// four kinds of records, the period with its spin buttons and "Ok", which
// builds the report of the archive request.
class ReportRequestTab : public MenuTabForm
{
    Q_OBJECT
public:
    explicit ReportRequestTab(MenuSession& session, QWidget* parent = nullptr);

private:
    QWidget* buildObjects();
    QWidget* buildKinds();
    QWidget* buildPeriod();
    void showPeriod();
    void applyModuleSelection(int moduleBox, bool on);
    void takeListSelection();

    MenuSession& m_session;
    bool m_syncing = false;
    QListWidget* List1 = nullptr;
    std::array<QCheckBox*, 8> Check11{};
    std::array<QCheckBox*, 4> m_kindBoxes{}; // Check8, Check9, Check13, Check10
    std::array<QLabel*, 6> m_periodLabels{}; // Label1..Label6
};

} // namespace zelvan
