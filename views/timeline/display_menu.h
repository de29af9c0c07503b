// The "Display" menu of the timeline: one checkable item per channel that has a menu text. The
// margin's pop-up and the main menu list the same items in slightly different orders.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

struct DisplayMenuItem {
    uint32_t bit;
    int command;
    const char* text;
};

// The margin's pop-up order, and the main menu's ("User Events Channel" before "Gestures Channel").
extern const std::vector<DisplayMenuItem> kMarginDisplayMenuOrder;
extern const std::vector<DisplayMenuItem> kMainDisplayMenuOrder;

// A menu of the items, each checked when its bit is in mask; choosing one calls toggle with it.
QMenu* MakeDisplayMenu(QWidget* parent, const std::vector<DisplayMenuItem>& items, uint32_t mask,
                       std::function<void(uint32_t bit)> toggle);
