// The one table of the program's commands (text, prompt, accelerator, icon) and the one tree of
// places they appear in: the menu bar, the pop-up menus and the toolbars. The Qt shell builds every
// menu and toolbar from here; handlers register against the ids with the command router.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/core/command_ids.h"

struct CommandInfo {
    int id = 0;
    std::string text;           // "&" before the mnemonic; after a tab, the accelerator as the item shows it
    std::string prompt;         // the status bar's text while the item is highlighted
    const char* key = nullptr;  // the accelerator ("Ctrl+O", "F4"); null when none
    const char* icon = nullptr; // the toolbar button's theme icon; null when none
    bool checkable = false;
};

enum class MenuKind { Command, Separator, SubMenu, List };

struct MenuItem {
    MenuKind kind = MenuKind::Command;
    int id = 0;                  // Command: its id; List: the first id of entries made at run time
    const char* text = nullptr;  // SubMenu: its title; Command: this place's own text (null: the table's)
    std::span<const MenuItem> items = {};  // SubMenu: its items
};

// Menu ids: the menu bar, the document's Flash menu inside it, and the pop-ups.
namespace menu_id {
constexpr int MainMenu = 128;
constexpr int FlashDocument = 129;
constexpr int DisplayPopup = 194;  // the timeline margin's
constexpr int ScriptContext = 195; // the script editor's
constexpr int TimelineContext = 197;
constexpr int PhonemeList = 221;   // the phoneme-list edit's
constexpr int FlashGestureChannel = 196;  // the timeline's Flash gesture channel's
}  // namespace menu_id

struct MenuTree {
    int id;
    const char* name;  // a short name for tests and screenshots
    std::span<const MenuItem> items;
};

// A toolbar: buttons by command id, 0 a separator; a list id (cmd::LipsyncRange...) places a list.
struct ToolBarTree {
    int barId;         // the control id the layout is saved under
    const char* title;
    std::span<const int> items;
};

// Every command, each id once.
const std::vector<CommandInfo>& CommandTable();
// Null when the id is not in the table.
const CommandInfo* FindCommand(int id);
std::span<const MenuTree> MenuTrees();
const MenuTree* FindMenuTree(int id);
std::span<const ToolBarTree> ToolBarTrees();
const ToolBarTree* FindToolBarTree(int barId);
// Commands with an accelerator but no menu item or button still need a window to hold them.
std::vector<int> AcceleratorOnlyCommands();

// The upper-case letter after a single '&' of a menu text; 0 when it has none.
char MenuMnemonic(const std::string& text);
// A place's text: its own, else the table's.
std::string MenuItemText(const MenuItem& item);
// The ids of a menu and its sub-menus, in order.
void CollectMenuCommands(std::span<const MenuItem> items, std::vector<int>* ids);
