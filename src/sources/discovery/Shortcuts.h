#pragma once
// Imports the user's shortcuts as entries: asks the system's shortcuts tool
// for their names (one per line), makes one link entry per name that runs the
// shortcut, keeps the entries of names still listed and removes the shortcut
// entries whose names have gone. A one-shot job on the main thread, run from
// the menu; the tool runs while the main thread waits.
//
// The import changes nothing while the store is busy, and never removes an
// entry it could not mark: if the store turns busy during the run, the
// removals are skipped for that run.

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Published.h"

namespace frelt {

class Shortcuts {
    struct Private {};

public:
    static constexpr const char* defaultShortcutCommand = "/usr/bin/shortcuts";

    static std::shared_ptr<Shortcuts> shared();
    explicit Shortcuts(Private) {}

    // The tool and its one argument. The path can be set (for tests); the
    // desktop normally has no such tool, and the import says so.
    std::string shortcutCommand = defaultShortcutCommand;
    const std::string shortcutArgs = "list";

    // The lines of the last successful listing, in the tool's order.
    platform::Published<std::vector<std::string>> shortcutsComplete;

    void importShortcuts();
    // Adds the entry of one name, or marks the one that exists.
    void addShortcutToDatabase(const std::string& name);
    // Removes the shortcut entries left unmarked, rebuilds and announces.
    void endShortcutImportToDatabase();

    // "shortcuts://run-shortcut?name=" and the encoded name.
    static std::string shortcutURL(const std::string& name);

private:
    // A name was refused because the store was busy during this run.
    bool refusedWhileBusy_ = false;
};

}  // namespace frelt
