#include "sources/discovery/Shortcuts.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "sources/FileHelpers.h"
#include "sources/urls/URLRegExParser.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

template <class... Args>
void logShortcuts(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::shortcuts, level, format, args...);
}

bool isShortcutEntry(const TableViewItem::Ptr& entry) {
    return entry && entry->itemSource() == ListviewItemSource::shortcuts;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
    return out;
}

}  // namespace

std::shared_ptr<Shortcuts> Shortcuts::shared() {
    return platform::singleInstance<Shortcuts>([] { return std::make_shared<Shortcuts>(Private{}); });
}

std::string Shortcuts::shortcutURL(const std::string& name) {
    return "shortcuts://run-shortcut?name=" + urlencoding::percentEncodedComponent(name);
}

void Shortcuts::importShortcuts() {
    if (!isFileReachable(shortcutCommand)) {
        showAlert(shortcutCommand + " not found!", "The File needed to get the shortcuts was not found");
        return;
    }
    const auto store = DataStorage::shared();
    // Marks cleared now could not be set again while the store is busy, and
    // the end would take every shortcut entry for gone.
    if (store->state() != DatastorageState::idle) {
        logShortcuts(LogLevel::Fault, "! importShortcuts - Database was not idle, nothing was imported");
        return;
    }
    const auto result = runExecutable(shortcutCommand, {shortcutArgs});
    if (result.status != 0) {
        showAlert("Invalid Exit-Code", shortcutCommand + " returned an invalid exit code");
        return;
    }
    if (const std::string errors = joined(result.error); !errors.empty()) {
        showAlert(shortcutCommand + " returned an error", errors);
        return;
    }
    // Held for the whole walk: a temporary snapshot would end before the loop body.
    const auto entries = store->allData()->snapshot();
    for (const auto& entry : *entries)
        if (isShortcutEntry(entry)) entry->setIsFoundByShortcutImport(false);
    shortcutsComplete = result.output;
    refusedWhileBusy_ = false;
    for (const auto& name : result.output) addShortcutToDatabase(name);
    endShortcutImportToDatabase();
}

void Shortcuts::addShortcutToDatabase(const std::string& name) {
    const auto store = DataStorage::shared();
    if (store->state() != DatastorageState::idle) {
        refusedWhileBusy_ = true;
        logShortcuts(
            LogLevel::Fault,
            "! addShortcutToDatabase - Want to add entry to Database, but Database was not idle! Entry: %{public}@",
            name);
        return;
    }
    if (name.empty()) {
        logShortcuts(LogLevel::Fault,
                     "! addShortcutToDatabase - Want to add entry to Database, but Shortcut-Name was empty");
        return;
    }
    const std::string encoded = urlencoding::percentEncodedComponent(name);
    if (encoded.empty()) {
        logShortcuts(LogLevel::Fault,
                     "! addShortcutToDatabase - Want to add entry to Database, but URLEncoded Shortcut-Name was empty");
        return;
    }
    const std::string url = shortcutURL(name);
    const std::string wanted = platform::text::lowercased(url);
    const auto existing = store->allData()->firstWhere([&](const TableViewItem::Ptr& entry) {
        return isShortcutEntry(entry) && platform::text::lowercased(entry->path()) == wanted;
    });
    if (existing) {
        logShortcuts(LogLevel::Fault, "! addShortcutToDatabase - Shortcut was already in Database! Entry: %{public}@",
                     name);
        (*existing)->setIsFoundByShortcutImport(true);
        return;
    }
    logShortcuts(LogLevel::Default, "+ addShortcutToDatabase -> Shortcut: %{public}@", url);
    const auto entry = TableViewItem::initForShortcutsURL(url, name, "");
    entry->setIsFoundByShortcutImport(true);
    (void)store->addToAllData(entry);
}

void Shortcuts::endShortcutImportToDatabase() {
    const auto store = DataStorage::shared();
    if (refusedWhileBusy_) {
        logShortcuts(LogLevel::Fault,
                     "! endShortcutImportToDatabase - Database was busy during the import, no entry was removed");
    } else {
        const auto entries = store->allData()->snapshot();
        for (const auto& entry : *entries) {
            if (!isShortcutEntry(entry) || entry->isFoundByShortcutImport()) continue;
            logShortcuts(LogLevel::Info,
                         "- endShortcutImportToDatabase - remove entry from Database, because it was no longer found "
                         "in Shortcuts! Entry: %{public}@",
                         entry->path());
            store->removeFromAllData(entry->path(), false);
        }
    }
    store->rebuildData(RebuildDataReason::shortcuts);
    platform::NotificationCenter::defaultCenter().post(Notifications::datastorageURLAddedOrModified);
}

}  // namespace frelt
