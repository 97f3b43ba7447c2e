#pragma once
// The one registry of tags. It holds every known tag (allAvailableTags, in
// order of insertion), derives after every data rebuild the visible tags
// sorted by name (allVisibleTags), compares them with the visible tags of the
// previous rebuild and tells the rest of the program what to do about it:
//
//   "validateTagHotkeyNeeded"      a visible tag's hotkey changed
//   "visibleTagsRebuildNeeded"     a tag became visible or stopped being so
//   "visibleTagsUseCounterChanged" a visible tag's number of entries changed
//   "visibleTagsRedrawNeeded"      a visible tag must be drawn again
//
// It also owns the icon names a tag may use.
//
// Who does what at a rebuild: the data store's validation resets and
// recounts the derived fields of every tag (resetTagUsage, then per entry it
// keeps markTagsUsed and, for a visible and reachable one, markTagsVisible),
// then posts
// "dataStorageRebuildIsFinished"; the registry observes it and runs
// rebuildVisibleTags() on the posting thread.
//
// The two tag lists share their tag objects; the backups are separate
// objects that never post.

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "store/IconTag.h"
#include "store/SynchronizedArray.h"

namespace frelt {

class TagManager : public std::enable_shared_from_this<TagManager> {
    struct Private {
        explicit Private() = default;
    };

public:
    using TagArray = SynchronizedArray<iconTag::Ptr>;

    enum class TagCompareResults { rebuildNeeded, redrawNeeded, tagUseCounterChanged, validateHotkeyNeeded };

    // Symbol of a tag made without a choice of icon, and the replacement of a
    // symbol that is no icon name.
    static constexpr const char* defaultTag = "icon_tags";
    // Image of a tree level that groups other tags; not a tag symbol.
    static constexpr const char* defaultFolder = "icon_folder";
    static constexpr std::size_t iconNameCount = 143;

    // The single instance, made on first use; it observes
    // "dataStorageRebuildIsFinished" from then on.
    static std::shared_ptr<TagManager> shared();

    explicit TagManager(Private);
    TagManager(const TagManager&) = delete;
    TagManager& operator=(const TagManager&) = delete;
    ~TagManager();

    // --- Fields --------------------------------------------------------------------
    // The icon names, "icon_tags" first.
    const std::vector<std::string>& iconNames() const { return iconNames_; }
    // Every known tag; the same container for the registry's whole life
    // (loading and importing replace its content, not the container).
    const std::shared_ptr<TagArray>& allAvailableTags() const { return allAvailableTags_; }
    // The visible tags sorted by name. A new container replaces it at every
    // rebuild: a reader holding the old one keeps a consistent old list.
    std::shared_ptr<TagArray> allVisibleTags() const;
    // Copies of the visible tags as they were after the previous rebuild.
    // Touched only by rebuildVisibleTags().
    const std::vector<iconTagForBackup::Ptr>& backupVisibleTags() const { return backupVisibleTags_; }

    // --- Lookups ---------------------------------------------------------------------
    // The first tag with exactly this name (hasTagName) in allAvailableTags,
    // or in allVisibleTags.
    iconTag::Ptr tagWithName(std::string_view name) const;
    iconTag::Ptr visibleTagWithName(std::string_view name) const;
    // For the hotkey registration: the first visible tag whose hotkey
    // (launch-all hotkey) is set, if any.
    iconTag::Ptr firstVisibleTagWithHotkey() const;
    iconTag::Ptr firstVisibleTagWithHotkeyLaunchAll() const;
    // For the save at quit and the user's export, which drop unused tags:
    // whether every tag is used, and the removal (from allAvailableTags
    // itself) of every unused one when some is not. One rule for both:
    // unused tags may be dropped (mayDropUnusedTags()) only after a completed
    // count (tagUsageCounted()) over entries that were all read. Before a
    // count every tag reads as unused; after a launch whose stored entries
    // could not be read, the count runs over what is left (what the search
    // found) and marks the lost entries' tags unused. Dropping them then
    // would lose every tag's symbol, colour and hotkeys.
    bool allTagsUsed() const;
    bool mayDropUnusedTags() const { return tagUsageCounted_ && !storedEntriesUnreadable_; }
    // Removes the unused tags when the rule allows it; logs why not otherwise.
    void removeUnusedTags();
    bool tagUsageCounted() const { return tagUsageCounted_; }
    // The registry's tags were replaced (loaded, imported): they have not
    // been counted.
    void forgetTagCount() { tagUsageCounted_ = false; }
    // Set by the load of the stored entries when they could not be read, for
    // the rest of the run; cleared when entries that were read in full
    // replace the store (an import).
    void setStoredEntriesUnreadable(bool unreadable) { storedEntriesUnreadable_ = unreadable; }

    // --- Rebuild -----------------------------------------------------------------------
    // The data store's validation, first: every tag unused, hidden (posting visibilityChanged
    // for a tag that was visible) and counted 0.
    void resetTagUsage();
    // Then, for each entry that stays in the store: each name,
    // normalised, marks its tag used; a missing tag is made with the default
    // symbol, marked used and appended.
    void markTagsUsed(const std::vector<std::string>& tagNames);
    // And for each entry that is also visible and reachable: each name, as
    // the entry holds it, makes its tag visible and used and counts it once.
    void markTagsVisible(const std::vector<std::string>& tagNames);
    // Last: the count is complete. Between resetTagUsage() and this, names
    // are looked up in an index of the registry by canonical name rather
    // than by walking every tag for every name.
    void finishTagCount();

    // What "dataStorageRebuildIsFinished" runs: the new visible list, the
    // comparison with the backup, its notifications, the new backup.
    void rebuildVisibleTags();
    // Each value at most once, in the order found.
    std::vector<TagCompareResults> compareVisibleTags() const;
    static void compareTag(const iconTag& visible, const iconTag& backup, std::vector<TagCompareResults>& results);
    void makeVisibleTagsBackup();

    // Gives every tag whose symbol is no icon name the default symbol
    // (posting symbolChanged). After loading or importing tags.
    void validateTagSymbols();

    // --- Renaming and deleting (main thread) -----------------------------------------
    // Renames the tag `oldName` and every tag below it, in the registry and
    // in every entry, after asking (unless told not to). When a tag named
    // like the normalised new name exists, the old tag is merged into it:
    // the old tag object goes (clearing its hotkeys first, so their
    // registrations go), its entries carry the new name; so does a sub-tag
    // that lands on a registered name. Ends with a rebuild ("Tag renamed"). False when refused: an empty name, a new name
    // that normalises to the old one, or a declined confirmation.
    bool renameTag(const std::string& oldName, const std::string& newName);
    // Deletes the tag at `index` of allAvailableTags after asking; false for
    // an index outside the registry or a declined confirmation.
    bool deleteTagWithConfirmation(std::ptrdiff_t index);
    // Removes `name` from every entry and drops the registered tag(s) of that
    // exact name (clearing their hotkeys first, so their registrations go);
    // tags below it stay. Rebuilds ("Tag deleted") whether found or not.
    // True when the registry held such a tag.
    bool deleteTag(const std::string& name);

    // The confirmations; each returns true at once when the person ticked
    // "do not ask again" before, and stores the check box's state afterwards.
    static bool confirmRenameTag(const std::string& oldName, const std::string& newName);
    static bool confirmRemoveTag(const std::string& tagName);

private:
    std::string moveTag(const std::shared_ptr<iconTag>& tag, const std::string& oldName, const std::string& newName);
    static void releaseHotkeys(const iconTag::Ptr& tag);
    void setUp();
    void dataStorageRebuildIsFinishedWith(const platform::Notification& notification);
    void fillIconNames();

    // The first tag of each name (in composed form) while a count runs.
    std::optional<std::unordered_map<std::string, iconTag::Ptr>> countIndex_;
    // While a count runs, the tag each name found as an entry holds it: the
    // entries repeat a few hundred names thousands of times, and the same
    // name always finds the same tag (a count adds tags but never removes
    // one). For markTagsUsed (by the normalised name) and markTagsVisible
    // (by the name itself); a name that found no tag is not remembered.
    std::unordered_map<std::string, iconTag::Ptr> usedByHeldName_;
    std::unordered_map<std::string, iconTag::Ptr> visibleByHeldName_;
    iconTag::Ptr countedTagWithName(std::string_view name) const;
    bool tagUsageCounted_ = false;
    bool storedEntriesUnreadable_ = false;

    std::vector<std::string> iconNames_;
    std::shared_ptr<TagArray> allAvailableTags_;
    mutable std::mutex visibleTagsMutex_;
    std::shared_ptr<TagArray> allVisibleTags_;
    std::vector<iconTagForBackup::Ptr> backupVisibleTags_;
    platform::Subscription rebuildFinishedObservation_;
};

}  // namespace frelt
