// Menus and toolbar actions built from the command table: the actions the main frame shares
// between its menu bar, toolbars and accelerators, and the pop-up menus built each time they open.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <span>

#include "app/core/command_router.h"
#include "app/core/command_table.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

// An action with the command's text, accelerator, icon, status text and tool tip; id in data().
QAction* MakeCommandAction(const CommandInfo& info, QObject* parent);
// The title of a menu without its '&' (what tests and screenshots call it).
QString MenuTitle(const char* text);

// Fills menu with items: a command takes action(item), a sub-menu is made and filled the same way,
// a list's menu is recorded in lists under its first id. Every menu made gets the frame's update
// step before it shows (aboutToShow).
void FillMenu(QMenu* menu, std::span<const MenuItem> items, const std::function<QAction*(const MenuItem&)>& action,
              std::map<int, QMenu*>* lists, const std::function<void(QMenu*)>& made);

// How a pop-up's items learn their state and run.
struct PopupRouting {
    std::function<CommandState(int id)> state;  // null: enabled
    std::function<void(int id)> run;
};
// A pop-up menu of the tree with its own items (its own texts, state read now); the caller owns it.
QMenu* BuildPopupMenu(int menuId, QWidget* parent, const PopupRouting& routing);
