// The timeline margin's "Display" pop-up (menu 194 of the command tree): one checkable item per
// channel that has a menu item.
#pragma once

#include <cstdint>
#include <functional>

class QMenu;
class QWidget;

// The pop-up with each item checked when its channel's bit is in mask; choosing one calls toggle
// with the bit. The caller owns the menu.
QMenu* MakeDisplayMenu(QWidget* parent, uint32_t mask, std::function<void(uint32_t bit)> toggle);
