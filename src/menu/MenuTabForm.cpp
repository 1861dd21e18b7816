#include "menu/MenuTabForm.h"

#include "menu/PrintJob.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelvan {

QString MenuTabForm::indexed(const char* name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

QPushButton* MenuTabForm::button(const QString& caption, const char* name)
{
    return named(new QPushButton(caption), QLatin1String(name));
}

QLabel* MenuTabForm::sunken(QLabel* label)
{
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

QWidget* MenuTabForm::spinButton(const char* name, const std::function<void()>& up,
                                 const std::function<void()>& down)
{
    auto* box = named(new QWidget, QLatin1String(name));
    box->setAccessibleName(QLatin1String(name));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const bool isUp : {true, false}) {
        auto* arrow = new QToolButton;
        arrow->setArrowType(isUp ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(22, 13);
        connect(arrow, &QToolButton::clicked, this, isUp ? up : down);
        layout->addWidget(arrow);
    }
    return box;
}

void MenuTabForm::reportPrint(const PrintOutcome& outcome)
{
    emit operatorMessage(outcome.operatorMessage());
}

} // namespace zelvan
