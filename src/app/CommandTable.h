#pragma once
// The main window's commands as data: every menu and menu entry with its name, caption text,
// picture and start state, in menu order, and the toolbar's 15 positions. The menu builder
// turns this into actions; the command runner and the tests read it.
#include "util/UiTexts.h"

#include <QString>
#include <span>

namespace qvor {

struct MenuEntryDef {
    const char* name;          // the entry's name, also its QAction's objectName
    const char* parent;        // the menu it lies in; nullptr for a menu of the menu bar
    TextId caption;
    int picture = 0;           // menu picture 1..16, 0 for none
    bool separatorBefore = false;
    bool checkable = false;
    bool checkedAtStart = false;
    bool disabledAtStart = false;
    // May run while a long operation is busy: it touches neither the shared buffers nor the
    // active window's data.
    bool allowedWhileBusy = false;
    // The active query window's operation it calls by name, or nullptr.
    const char* windowOperation = nullptr;
};

struct ToolbarButtonDef {
    const char* key;           // nullptr for a separator
    TextId hint;
    const char* entry;         // the menu entry whose command the button runs
    int picture;               // toolbar picture 1..12
};

std::span<const MenuEntryDef> menuEntries();
std::span<const ToolbarButtonDef> toolbarPositions();   // 15 positions, separators included

const MenuEntryDef* findMenuEntry(const QString& name);
const ToolbarButtonDef* findToolbarButton(const QString& key);
// True when some entry lies in the named one, so the named one is a menu or submenu.
bool isMenu(const QString& name);

} // namespace qvor
