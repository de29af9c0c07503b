// Menus and actions from the command table.
#include "app/ui/command_menus.h"

#include <QAction>
#include <QMenu>

#include "app/ui/app_icons.h"

QString MenuTitle(const char* text) { return QString::fromUtf8(text).remove(QLatin1Char('&')); }

QAction* MakeCommandAction(const CommandInfo& info, QObject* parent) {
    auto* action = new QAction(QString::fromStdString(info.text), parent);
    action->setData(info.id);
    action->setCheckable(info.checkable);
    if (info.key) action->setShortcut(QKeySequence(QString::fromLatin1(info.key)));
    if (info.icon) action->setIcon(ThemeIcon(info.icon));
    // "status text\ntool tip"; without a tool tip the button shows the item's text.
    const QString prompt = QString::fromStdString(info.prompt);
    const qsizetype nl = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
    QString tip = nl < 0 ? QString::fromStdString(info.text) : prompt.mid(nl + 1);
    tip = tip.left(tip.indexOf(QLatin1Char('\t'))).remove(QLatin1Char('&'));
    action->setToolTip(tip);
    return action;
}

void FillMenu(QMenu* menu, std::span<const MenuItem> items, const std::function<QAction*(const MenuItem&)>& action,
              std::map<int, QMenu*>* lists, const std::function<void(QMenu*)>& made) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuKind::Separator: menu->addSeparator(); break;
        case MenuKind::Command:
            if (QAction* a = action(item)) menu->addAction(a);
            break;
        case MenuKind::SubMenu: {
            QMenu* sub = menu->addMenu(QString::fromUtf8(item.text));
            sub->setObjectName(QStringLiteral("Menu-") + MenuTitle(item.text));
            if (made) made(sub);
            FillMenu(sub, item.items, action, lists, made);
            break;
        }
        case MenuKind::List:
            if (lists) (*lists)[item.id] = menu;
            break;
        }
    }
}

QMenu* BuildPopupMenu(int menuId, QWidget* parent, const PopupRouting& routing) {
    const MenuTree* tree = FindMenuTree(menuId);
    auto* menu = new QMenu(parent);
    if (!tree) return menu;
    menu->setObjectName(QStringLiteral("Popup-%1").arg(menuId));
    FillMenu(
        menu, tree->items,
        [&](const MenuItem& item) -> QAction* {
            const CommandInfo* info = FindCommand(item.id);
            if (!info) return nullptr;
            QAction* a = MakeCommandAction(*info, menu);
            a->setShortcut(QKeySequence());  // a pop-up's items only show their keys
            a->setText(QString::fromStdString(MenuItemText(item)));
            if (routing.state) {
                const CommandState s = routing.state(item.id);
                a->setEnabled(s.enabled);
                a->setChecked(s.checked);
                // The update step's text (Undo's action name, a file's name) wins, as in the menu bar;
                // a disabled item keeps the pop-up's own text.
                if (s.text && s.enabled) a->setText(QString::fromStdString(*s.text));
            }
            const int id = item.id;
            const auto run = routing.run;
            QObject::connect(a, &QAction::triggered, menu, [run, id] {
                if (run) run(id);
            });
            return a;
        },
        nullptr, nullptr);
    return menu;
}
