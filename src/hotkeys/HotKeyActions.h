#pragma once
// What the hotkeys do. The global hotkey shows or hides the main window; an
// entry's hotkey opens the entry; a tag's hotkey shows the tag in the main
// window; a tag's launch-all hotkey opens all the tag's entries; each sidebar
// category's hotkey shows that category. Every action but the global one
// first checks that hotkeys are not paused and that the main window does not
// claim the combination (the digit rule); the global one checks the pause
// only. Actions run on the main thread (the registration queues them there).

#include <array>

#include "hotkeys/HotKeyCenter.h"
#include "mainwindow/MainOutlineView.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"

namespace frelt {

// One sidebar category with a hotkey, in the order they are registered.
struct CategoryHotkey {
    SourceListItemContentType category;
    // The stored combination and the switch that shows the category.
    KeyCombo::Ptr Configuration::*keyCombo;
    bool (Configuration::*isShown)() const;
    // Whether the store holds a visible, reachable entry of the category;
    // null for the categories that need none.
    bool (DataStorage::*hasEntries)() const;
    const char* noEntriesMessage;
    const char* disabledMessage;
    // What the sidebar selects for it.
    int selectionValue;
};

const std::array<CategoryHotkey, 7>& categoryHotkeys();
const CategoryHotkey& categoryHotkey(SourceListItemContentType category);

void globalHotkeyAction(const HotKey& hotKey);
void entryHotkeyAction(const HotKey& hotKey);
void showTagHotkeyAction(const HotKey& hotKey);
void launchAllTagHotkeyAction(const HotKey& hotKey);
void showCategoryHotkeyAction(SourceListItemContentType category, const HotKey& hotKey);

}  // namespace frelt
