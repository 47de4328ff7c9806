#pragma once

#include <string>
#include <vector>

#include "window/acquisition/operating_flags.h"

// The spectrum window's menu bar, and what each item looks like in a given state.
struct MenuItem {
    int id;  // 0: a separator
    const char* text;
};

struct Menu {
    const char* title;
    std::vector<MenuItem> items;
};

const std::vector<Menu>& spectrumMenus();

struct MenuItemState {
    bool enabled = true;
    bool checked = false;
    std::string text;
};

// Evaluated when a menu drops down: the rule of the item, or always available without one.
MenuItemState menuItemState(int id, const OperatingFlags& flags);

// Every command that has a rule, so a test can walk the table.
std::vector<int> commandsWithRules();
