// The Display pop-up.
#include "views/timeline/display_menu.h"

#include <QMenu>

#include "app/core/command_table.h"
#include "views/timeline/timeline_layout.h"

QMenu* MakeDisplayMenu(QWidget* parent, uint32_t mask, std::function<void(uint32_t bit)> toggle) {
    auto* menu = new QMenu(QStringLiteral("Display"), parent);
    for (const MenuItem& item : FindMenuTree(menu_id::DisplayPopup)->items) {
        uint32_t bit = 0;
        for (const ChannelSpec& spec : kChannelTable)
            if (spec.command == item.id) bit = spec.bit;
        QAction* action = menu->addAction(QString::fromStdString(MenuItemText(item)));
        action->setCheckable(true);
        action->setChecked((mask & bit) != 0);
        action->setData(item.id);
        QObject::connect(action, &QAction::triggered, menu, [toggle, bit] { toggle(bit); });
    }
    return menu;
}
