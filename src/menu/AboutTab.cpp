#include "menu/AboutTab.h"

#include "core/ProgramVersion.h"
#include "menu/MenuSession.h"
#include "menu/MenuTexts.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace zelvan {

namespace texts = menu_texts;

namespace {

// The product's mark, drawn rather than shipped.
QPixmap logoPicture()
{
    QPixmap pixmap(96, 96);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 70, 140), 5));
    p.setBrush(QColor(220, 232, 245));
    p.drawEllipse(QRectF(6, 6, 84, 84));
    QFont font(QStringLiteral("DejaVu Sans"), 34, QFont::Bold);
    p.setFont(font);
    p.setPen(QColor(0, 70, 140));
    p.drawText(QRectF(6, 6, 84, 84), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

AboutTab::AboutTab(QWidget* parent) : MenuTabForm(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* panel = named(new QFrame, QStringLiteral("SSPanel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* inner = new QGridLayout(panel);
    auto* logo = named(new QLabel, QStringLiteral("Picture1"));
    logo->setPixmap(logoPicture());
    logo->setAccessibleName(QStringLiteral("Picture1"));
    auto* title = named(new QLabel(texts::kProductTitle), QStringLiteral("Label19"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto* maker = named(new QLabel(texts::kMakerName), QStringLiteral("Label20"));
    auto* version = named(new QLabel(texts::versionLine().arg(programVersion())),
                          QStringLiteral("VersionLabel"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* about = named(new QLabel(MenuSession::aboutText()), QStringLiteral("Label21"));
    about->setWordWrap(true);
    about->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    inner->addWidget(logo, 0, 0, 2, 1, Qt::AlignTop);
    inner->addWidget(title, 0, 1);
    inner->addWidget(maker, 1, 1);
    inner->addWidget(version, 2, 1);
    inner->addWidget(about, 3, 0, 1, 2);
    inner->setRowStretch(4, 1);
    inner->setColumnStretch(1, 1);
    layout->addWidget(panel, 1);
}

} // namespace zelvan
