#pragma once
// One entry of the user's list: an application, a document, a folder, a web
// link, a link into the system's shortcuts, or a tag shown as an entry.
//
// Entries have identity and are shared (std::shared_ptr); they are made only
// by the static initializers below. Setters of name, path, tags, comment,
// color, hotkey, isVisible and isFavorite post "tableViewItemChanged" (a
// std::shared_ptr<TableViewItemChangedNotifyObject> as the object) on the
// calling thread, only for a real change and only once the initializer has
// finished. path, tags and lastUsedDate live in ThreadSafe boxes; the other
// fields carry no synchronisation of their own.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/KeyValueCoding.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Color.h"
#include "store/ChangeNotifications.h"
#include "store/ListviewItemType.h"
#include "store/ThreadSafe.h"

namespace frelt {

struct FileObjectStatus;
class EntryFileChecks;

class TableViewItem : public platform::Coding,
                      public platform::KeyValueCoding,
                      public std::enable_shared_from_this<TableViewItem> {
    struct Private {};

public:
    using Ptr = std::shared_ptr<TableViewItem>;
    // The objects handed to the opening (file names or URL strings).
    using Arguments = std::optional<std::vector<std::string>>;

    // Archive keys of the ten archived fields, in the order they are written.
    static constexpr const char* keyNameName = "name";
    static constexpr const char* keyNamePath = "path";
    static constexpr const char* keyNameTags = "tags";
    static constexpr const char* keyNameComment = "comment";
    static constexpr const char* keyNameItemType = "itemTypeRawValue";
    static constexpr const char* keyNameItemSource = "itemSourceRawValue";
    static constexpr const char* keyNameColor = "color";
    static constexpr const char* keyNameHotkey = "hotkey";
    static constexpr const char* keyNameVisible = "isVisible";
    static constexpr const char* keyNameFavorite = "favorite";

    // Keyed-archive class name; the runtime form "_TtC5frelt13TableViewItem"
    // decodes to the same class.
    static constexpr const char* archiveClassName = "frelt.TableViewItem";

    // Seconds within which a repeated reachability look-up is answered from memory.
    static constexpr double reachableCacheSeconds = 5.0;

    // --- Initializers ---------------------------------------------------------
    // An application found by the application search.
    static Ptr initForSpotlightApp(const std::string& path, const std::string& name);
    // A tag shown as an entry; `tag` becomes the path.
    static Ptr initForTag(const std::string& tag, const std::string& name);
    // A dropped or chosen file, folder or application; kind and name come
    // from the file system. Never fails: an unreachable path gives `unknown`.
    static Ptr initForExternalNonSpotlightObject(const std::string& path);
    // A web link added by the user.
    static Ptr initForURL(const std::string& url, const std::string& title, const std::string& comment);
    // A link into the user's shortcuts.
    static Ptr initForShortcutsURL(const std::string& url, const std::string& title, const std::string& comment);
    // From a keyed archive record; null when the record has no usable name
    // or path. Never fails on other missing or ill-typed values.
    static Ptr initWithCoder(platform::KeyedUnarchiver& coder);
    // Makes archives find the decoder; runs on its own when linked in.
    static void registerCoding();

    explicit TableViewItem(Private);
    TableViewItem(const TableViewItem&) = delete;
    TableViewItem& operator=(const TableViewItem&) = delete;

    // --- Fields -----------------------------------------------------------------
    const std::string& name() const { return name_; }
    void setName(const std::string& name);
    const std::string& nameLowercased() const { return nameLowercased_; }
    void setNameLowercased(const std::string& value);

    std::string path() const { return path_.get(); }
    void setPath(const std::string& path);
    // The path lower-cased and in composed form (pathKey()), so that paths
    // that differ only in letter case or in Unicode form compare equal.
    const std::string& pathLowercased() const { return pathLowercased_; }
    void setPathLowercased(const std::string& value);
    // The form in which paths are compared and indexed.
    static std::string pathKey(std::string_view path);

    std::vector<std::string> tags() const { return tags_.get(); }
    void setTags(const std::vector<std::string>& tags);

    const std::string& comment() const { return comment_; }
    void setComment(const std::string& comment);

    std::optional<platform::Color> color() const { return color_ ? std::optional<platform::Color>(*color_) : std::nullopt; }
    void setColor(const std::optional<platform::Color>& color);

    const KeyCombo::Ptr& hotkey() const { return hotkey_; }
    void setHotkey(const KeyCombo::Ptr& hotkey);

    bool isVisible() const { return isVisible_; }
    void setIsVisible(bool visible);

    bool isFavorite() const { return isFavorite_; }
    void setIsFavorite(bool favorite);

    std::optional<platform::Date> lastUsedDate() const { return lastUsedDate_.get(); }
    void setLastUsedDate(const std::optional<platform::Date>& date) { lastUsedDate_.set(date); }

    // Kind and source; plain stores, nothing is posted.
    ListviewItemType itemType() const { return itemType_; }
    void setItemType(ListviewItemType type);
    ListviewItemSource itemSource() const { return itemSource_; }
    void setItemSource(ListviewItemSource source);
    std::string itemTypeRawValue() const { return rawValue(itemType_); }
    // A string that is no raw value stores `unknown`.
    void setItemTypeRawValue(const std::string& raw);
    std::string itemSourceRawValue() const { return rawValue(itemSource_); }
    // A string that is no raw value stores `other`.
    void setItemSourceRawValue(const std::string& raw);

    // Kept by the application search, the shortcuts import and the tags proxy.
    bool isFoundBySpotlight() const { return isFoundBySpotlight_; }
    void setIsFoundBySpotlight(bool value) { isFoundBySpotlight_ = value; }
    bool isFoundByShortcutImport() const { return isFoundByShortcutImport_; }
    void setIsFoundByShortcutImport(bool value) { isFoundByShortcutImport_ = value; }
    bool isFoundByTags() const { return isFoundByTags_; }
    void setIsFoundByTags(bool value) { isFoundByTags_ = value; }

    // The reachability cache: the last answer of the file test and the time
    // (on the monotonic dispatch clock) of the test that found it.
    std::optional<bool> lastReachableCheck() const;
    std::optional<platform::dispatch::TimePoint> lastReachableCheckDateTime() const;

    // False while an initializer runs, true afterwards.
    bool initialized() const { return initialized_; }

    // Move on whenever the name, lower-cased name or comment (the first) or
    // the path or its lower-cased form (the second) of any initialized entry
    // is set: what is built from those texts is current while they stand.
    static std::uint64_t searchTextGeneration();
    static std::uint64_t pathGeneration();
    // Moves on whenever the kind, source, visibility or favourite mark of
    // any entry changes: what is derived from those stands while it does.
    static std::uint64_t categoryGeneration();

    // --- Change notification ------------------------------------------------------
    // Posts "tableViewItemChanged" with the entry's path and `reason`, unless
    // the entry is still being initialized.
    void itemChanged(TableViewItemChangeReason reason) const;

    // --- Derived properties -------------------------------------------------------
    // Modification date of the file-system object; none for other kinds or
    // when it cannot be read. Read afresh every time.
    std::optional<platform::Date> lastModifiedDate() const;
    bool isManuallyCreated() const { return itemSource_ == ListviewItemSource::other; }
    bool couldBeHidden() const { return itemSource_ != ListviewItemSource::other; }
    // Folders, files and applications.
    bool isPhysicalEntry() const;
    bool acceptsDrop() const;
    // Whether the entry belongs in the stored entry list.
    bool shouldSavedToConfig() const;

    // Reachability; entries that need a file test use the cache, whose
    // answer holds for 5 seconds from the test that found it.
    bool isReachable() const;
    // Reachability for a caller that must not wait for the disk (a
    // keystroke): the rules of isReachable(), except that an entry that needs
    // a file test answers from its cache even when the answer is older than
    // the cache holds (`now` is the dispatch clock's time). An entry that
    // never had a file test has no answer. `refresh` is set when the answer
    // is stale and no refresh of it is under way yet: the caller then owes
    // the entry to refreshReachability(), as the entry now counts as under
    // way and is not reported again until its fresh answer is in.
    std::optional<bool> reachabilityWithoutWaiting(platform::dispatch::TimePoint now, bool& refresh) const;
    // Its two steps. The answer, read only: `stale` is set where a refresh
    // is due and none is under way. Then the claim of that refresh (true
    // when this caller made it), which touches the reachability cache only
    // and so may be made on any thread.
    std::optional<bool> cachedReachability(platform::dispatch::TimePoint now, bool& stale) const;
    bool claimReachabilityRefresh(platform::dispatch::TimePoint now) const;
    // Tests the files of `entries` on the worker pool and stores the answers
    // on the main queue (an answer found meanwhile by a newer test stays);
    // then, there, calls `changed` when any answer differs from the one it
    // replaced.
    static void refreshReachability(std::vector<Ptr> entries, std::function<void()> changed);
    // An application entry whose path is among the running applications.
    bool isLaunched() const;
    bool isApplicationRunning() const { return isLaunched(); }

    // Field-by-field equality (path, name, hotkey, comment, color, tags as a
    // set, isVisible, isFavorite, itemSource); false for null.
    bool isEqual(const TableViewItem* other) const;
    bool isEqual(const std::shared_ptr<const TableViewItem>& other) const { return isEqual(other.get()); }

    // --- Executing ------------------------------------------------------------------
    // Opens the entry (see TableViewItem.cpp): posts "executeTableviewItem"
    // synchronously, then queues the opening on the main queue; a tag entry
    // selects its tag in the main window or launches all its entries.
    void executeWithArguments(const Arguments& arguments = std::nullopt);
    // Reveals the object in the file manager; false when it is not reachable.
    bool showInFinder() const;

    // --- Tag edits ------------------------------------------------------------------
    // Renames one tag name in the entry's list; nothing when the entry lacks
    // the old name or already has the new one. Names match as the registry
    // matches them: exactly, canonically equivalent forms counting as one.
    void renameTag(const std::string& oldName, const std::string& newName);
    // Removes every occurrence of one tag name (in any equivalent form).
    void deleteTag(const std::string& name);

    // --- Archiving and key-value access --------------------------------------------
    std::string className() const override { return archiveClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    std::optional<platform::Value> valueForKey(const std::string& key) const override;

private:
    friend class EntryFileChecks;
    // Links typed by the user and links into the shortcuts differ only in their source.
    static Ptr initLink(const std::string& url, const std::string& title, const std::string& comment,
                        ListviewItemSource source);
    void finishInitialization();
    bool fileTestWithCache() const;
    // Stores an answer of the file test found now.
    void seedReachability(bool reachable) const;
    void markTagEntryReachable() const;
    // What the one look at a decoded file or folder entry found: whether it
    // is reachable, and what it is now.
    void applyFileStatus(const FileObjectStatus& status);
    void searchTextChanged() const;
    void pathTextChanged() const;
    static void categoryChanged();

    // What a search tests of every entry that matched, first and together,
    // so that the test reads one stretch of the entry.
    bool isVisible_ = true;
    bool isFavorite_ = false;
    ListviewItemType itemType_ = ListviewItemType::application;
    ListviewItemSource itemSource_ = ListviewItemSource::other;
    bool isFoundBySpotlight_ = false;
    bool isFoundByShortcutImport_ = false;
    bool isFoundByTags_ = false;
    // The reachability cache in one word, so that filters on any thread read
    // it without a lock (a search reads it for tens of thousands of entries
    // per keystroke) and no answer is torn from its time: the answer (none,
    // false, true), whether a refresh is under way, and the time of the test
    // on the dispatch clock. See ReachabilityWord in TableViewItem.cpp.
    mutable std::atomic<std::uint64_t> reachability_{0};

    std::string name_;
    std::string nameLowercased_;
    ThreadSafe<std::string> path_;
    std::string pathLowercased_;
    ThreadSafe<std::vector<std::string>> tags_;
    std::string comment_;
    // Few entries have a colour: it is kept out of line, not in every entry.
    std::shared_ptr<const platform::Color> color_;
    KeyCombo::Ptr hotkey_;
    ThreadSafe<std::optional<platform::Date>> lastUsedDate_;

    std::atomic<bool> initialized_{false};
};

// The looks at the files of decoded entries, taken on the worker pool in
// batches while decoding goes on. While one is alive on a thread, entries
// decoded on that thread hand their look to it instead of taking it at once;
// finish() (or the destructor) waits for the looks and applies them to the
// entries, which must not be used before that. Batches that no worker has
// started by then are run by the finishing thread itself, so it only ever
// waits for looks already under way: no longer than taking them itself.
class EntryFileChecks {
public:
    EntryFileChecks();
    ~EntryFileChecks();
    EntryFileChecks(const EntryFileChecks&) = delete;
    EntryFileChecks& operator=(const EntryFileChecks&) = delete;

    // The checks entries decoded on this thread go to, if any.
    static EntryFileChecks* current();
    void add(TableViewItem::Ptr entry, std::string path);
    void finish();

    // How many looks go to a worker together.
    static constexpr std::size_t batchSize = 64;

private:
    struct Batch;
    void submit();

    EntryFileChecks* previous_;
    std::vector<TableViewItem::Ptr> entries_;
    std::vector<std::shared_ptr<Batch>> batches_;
    std::shared_ptr<Batch> filling_;
    bool finished_ = false;
};

}  // namespace frelt
