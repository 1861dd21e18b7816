#pragma once

#include "menu/MenuTabForm.h"

namespace zelvan {

// "Информация": the product's mark, its title and maker, and what the system
// is, the module software it needs and how to reach its maker.
class AboutTab : public MenuTabForm
{
    Q_OBJECT
public:
    explicit AboutTab(QWidget* parent = nullptr);
};

} // namespace zelvan
