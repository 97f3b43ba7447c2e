// Renaming and deleting tags: a tag lives both in the registry and as a name
// in the tag list of every entry that carries it, so both operations change
// the two, and both end with a rebuild that recounts the tags.

#include <unordered_set>

#include "app/AppDelegate.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/Button.h"
#include "platform/foundation/Text.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/TagManager.h"

namespace frelt {
namespace {

// `name` (the tag `oldName` or one below it) moved under `newName`: the new
// name followed by whatever levels of `name` come after those of `oldName`.
std::string movedTagName(const std::string& name, const std::string& oldName, const std::string& newName) {
    const auto levels = tagNameLevels(name);
    const std::size_t skip = tagNameLevels(oldName).size();
    std::string out = newName;
    for (std::size_t i = skip; i < levels.size(); ++i) {
        out += tagLevelSeparator;
        out += levels[i];
    }
    return out;
}

void renameInEntries(const std::string& oldName, const std::string& newName) {
    DataStorage::shared()->allData()->forEach([&](const TableViewItem::Ptr& entry) {
        if (entry) entry->renameTag(oldName, newName);
    });
}

}  // namespace

// A tag about to leave the registry clears its hotkeys through the setters
// first: each cleared one posts "iconTagChanged", so the hotkey manager lets
// the registration go before the tag does.
void TagManager::releaseHotkeys(const iconTag::Ptr& tag) {
    tag->setHotkey(nullptr);
    tag->setHotkeyLaunchAll(nullptr);
}

// Moves one tag (and its name in every entry) under the new name. When a
// tag of that name exists already, the moved one merges into it, as a
// renamed top-level tag does: there are never two tags with one name.
std::string TagManager::moveTag(const iconTag::Ptr& tag, const std::string& oldName, const std::string& newName) {
    const std::string before = tag->tagName();
    const std::string after = movedTagName(before, oldName, newName);
    const iconTag::Ptr existing = tagWithName(after);
    if (existing && existing != tag) {
        log(LogCategory::tagManager, LogLevel::Default, "Merging %{public}@ into existing tag", before);
        releaseHotkeys(tag);
        allAvailableTags_->removeAllWhere([tag](const iconTag::Ptr& t) { return t == tag; });
    } else {
        tag->setTagName(after);
    }
    renameInEntries(before, after);
    return after;
}

namespace {

// Asks with OK / Cancel and the "do not ask again" box, whose state is kept
// in `neverRemindMe` whichever button ended the alert.
bool confirm(bool& neverRemindMe, const std::string& message, const std::string& informative) {
    if (neverRemindMe) return true;
    const auto alert = platform::Alert::make();
    alert->addButton(L10n::dialogtext_ok);
    alert->addButton(L10n::dialogtext_cancel);
    alert->setMessageText(message);
    alert->setInformativeText(informative);
    alert->setShowsSuppressionButton(true);
    const bool proceed = alert->runModal() == platform::modalresponse::alertFirstButton;
    neverRemindMe = alert->suppressionButton()->state() == platform::ControlStateValue::on;
    return proceed;
}

}  // namespace

bool TagManager::confirmRenameTag(const std::string& oldName, const std::string& newName) {
    const auto config = AppDelegate::shared()->config;
    return confirm(config->neverRemindMeRenameTagDialog, L10n::confirmRenameDialogText,
                   replacingPlaceholders(L10n::confirmRenameDialogInformativeText,
                                         {{"%oldname", oldName}, {"%newname", newName}}));
}

bool TagManager::confirmRemoveTag(const std::string& tagName) {
    const auto config = AppDelegate::shared()->config;
    return confirm(config->neverRemindMeRemoveTagDialog, L10n::confirmDeleteDialogText,
                   replacingPlaceholders(L10n::confirmDeleteDialogInformativeText, {{"%tagToDelete", tagName}}));
}

bool TagManager::renameTag(const std::string& oldName, const std::string& newNameAsTyped) {
    const std::string newName = normalizedTagString(newNameAsTyped);
    log(LogCategory::tagManager, LogLevel::Default, "rename Tag");
    log(LogCategory::tagManager, LogLevel::Default, "Current name: %{public}@", oldName);
    log(LogCategory::tagManager, LogLevel::Default, "New name: %{public}@", newName);

    if (oldName.empty() || newName.empty()) return false;
    if (platform::text::canonicallyEqual(newName, oldName)) return false;
    if (!confirmRenameTag(oldName, newName)) return false;

    const iconTag::Ptr target = tagWithName(newName);
    if (!target) {
        // A sub-tag may still land on a name already registered: moveTag
        // merges it there.
        // The snapshot is held for the whole loop: a temporary one would be
        // let go at once, and the changes below would then edit the very
        // list the loop walks.
        const auto tags = allAvailableTags_->snapshot();
        for (const iconTag::Ptr& tag : *tags) {
            if (!tag || !tag->isSubTagOf(oldName)) continue;
            log(LogCategory::tagManager, LogLevel::Default, "Changing Tag");
            log(LogCategory::tagManager, LogLevel::Default, "Current Name: %{public}@", tag->tagName());
            const std::string moved = moveTag(tag, oldName, newName);
            log(LogCategory::tagManager, LogLevel::Default, "New name: %{public}@", moved);
        }
    } else {
        log(LogCategory::tagManager, LogLevel::Error, "A Tag with the new name already exists!");
        log(LogCategory::tagManager, LogLevel::Default, "Creating backup of Tags except: %{public}@", oldName);
        // One change, so no reader ever sees the registry empty. The merged
        // tag's symbol, colour and hotkeys go with it; the target keeps its own.
        const auto tags = allAvailableTags_->snapshot();
        for (const iconTag::Ptr& tag : *tags)
            if (tag && tag->hasTagName(oldName)) releaseHotkeys(tag);
        allAvailableTags_->removeAllWhere(hasTagName(oldName));
        renameInEntries(oldName, newName);

        log(LogCategory::tagManager, LogLevel::Default, "Searching for Subtags of: %{public}@", oldName);
        const auto remaining = allAvailableTags_->snapshot();
        for (const iconTag::Ptr& tag : *remaining) {
            // Merging into one of the old tag's own sub-tags ('a' into 'a|b'):
            // the target already has its final name and must not move again.
            if (!tag || tag == target || !tag->isSubTagOf(oldName)) continue;
            log(LogCategory::tagManager, LogLevel::Default, "Subtag found: %{public}@", tag->tagName());
            const std::string moved = moveTag(tag, oldName, newName);
            log(LogCategory::tagManager, LogLevel::Default, "Tag modified: %{public}@", moved);
        }
    }
    DataStorage::shared()->rebuildData(RebuildDataReason::tagRenamed);
    return true;
}

bool TagManager::deleteTagWithConfirmation(std::ptrdiff_t index) {
    if (allAvailableTags_->isEmpty()) return false;
    const std::optional<iconTag::Ptr> tag = (*allAvailableTags_)[index];
    if (!tag || !*tag) return false;
    if (!confirmRemoveTag((*tag)->tagName())) return false;
    return deleteTag((*tag)->tagName());
}

bool TagManager::deleteTag(const std::string& name) {
    log(LogCategory::tagManager, LogLevel::Default, "!! deleteTag: %{public}@", name);
    if (name.empty()) return false;

    DataStorage::shared()->allData()->forEach([&](const TableViewItem::Ptr& entry) {
        if (entry) entry->deleteTag(name);
    });

    std::unordered_set<const iconTag*> dropped;
    const auto tags = allAvailableTags_->snapshot();
    for (const iconTag::Ptr& tag : *tags) {
        if (!tag || !tag->hasTagName(name)) continue;
        releaseHotkeys(tag);
        dropped.insert(tag.get());
    }
    if (!dropped.empty()) {
        allAvailableTags_->removeAllWhere(
            [dropped](const iconTag::Ptr& tag) { return dropped.count(tag.get()) != 0; });
    }
    DataStorage::shared()->rebuildData(RebuildDataReason::tagDeleted);
    return !dropped.empty();
}

}  // namespace frelt
