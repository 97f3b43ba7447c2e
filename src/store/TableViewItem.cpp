#include "store/TableViewItem.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <set>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"
#include "sources/FileHelpers.h"
#include "sources/access/ProbeVolume.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "sources/open/OpenObject.h"
#include "store/DataStorageLaunch.h"
#include "store/Logging.h"
#include "store/RemovingDuplicates.h"
#include "store/StoreConstants.h"

namespace frelt {
namespace {

// The reachability cache of an entry packed in 64 bits: bits 0-1 the answer
// (0 none, 1 unreachable, 2 reachable), bit 2 a refresh under way, the rest
// the time of the test that found the answer (nanoseconds of the dispatch
// clock, which counts from the machine's start).
struct ReachabilityWord {
    std::uint64_t bits = 0;

    static ReachabilityWord make(bool reachable, platform::dispatch::TimePoint at) {
        const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
        return {(static_cast<std::uint64_t>(std::max<std::int64_t>(ticks, 0)) << 3) | (reachable ? 2u : 1u)};
    }
    std::optional<bool> answer() const {
        if ((bits & 3u) == 0) return std::nullopt;
        return (bits & 3u) == 2;
    }
    std::optional<platform::dispatch::TimePoint> testedAt() const {
        // A tag entry's answer has no test and no time.
        if ((bits & 3u) == 0 || (bits >> 3) == 0) return std::nullopt;
        return platform::dispatch::TimePoint(std::chrono::duration_cast<platform::dispatch::Duration>(
            std::chrono::nanoseconds(static_cast<std::int64_t>(bits >> 3))));
    }
    bool refreshPending() const { return (bits & 4u) != 0; }
    ReachabilityWord withRefreshPending() const { return {bits | 4u}; }
    bool freshAt(platform::dispatch::TimePoint now) const {
        const auto at = testedAt();
        return at && now - *at <= platform::dispatch::seconds(TableViewItem::reachableCacheSeconds);
    }
};

// Tag names as a set, canonically equivalent names counting as one.
std::set<std::string> asSet(const std::vector<std::string>& names) {
    std::set<std::string> out;
    for (const auto& name : names) out.insert(platform::text::nfc(name));
    return out;
}

bool holdsTag(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& held) { return platform::text::canonicallyEqual(held, name); });
}

// Bumped whenever the name or comment (the first) or the path (the second)
// of an entry in use changes, so that what is derived from those texts
// across all entries knows when to derive it again.
std::atomic<std::uint64_t> textGenerationCounter{0};
std::atomic<std::uint64_t> pathGenerationCounter{0};
std::atomic<std::uint64_t> categoryGenerationCounter{0};

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

// The name a file manager shows for an application: the Name of its
// desktop entry, else the file name without ".desktop".
std::string applicationDisplayName(const platform::URL& url) {
    std::ifstream in(url.path());
    std::string line;
    bool inDesktopEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            if (inDesktopEntry) break;
            inDesktopEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inDesktopEntry && line.rfind("Name=", 0) == 0 && line.size() > 5) return line.substr(5);
    }
    std::string name = url.lastPathComponent();
    const std::string suffix = ".desktop";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
    return name;
}

// The name of a query item ("input" in "a=1&input=x"), as written.
bool hasInputQueryItem(const platform::URL& url) {
    if (!url.query()) return false;
    const std::string& query = *url.query();
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string item = query.substr(start, end - start);
        const std::string itemName = item.substr(0, item.find('='));
        if (platform::text::lowercased(itemName) == "input") return true;
        start = end + 1;
    }
    return false;
}

const bool codingRegistered = (TableViewItem::registerCoding(), true);

}  // namespace

// --- Initialization ----------------------------------------------------------------

TableViewItem::TableViewItem(Private) {}

std::string TableViewItem::pathKey(std::string_view path) {
    return platform::text::nfc(platform::text::lowercased(path));
}

std::uint64_t TableViewItem::searchTextGeneration() { return textGenerationCounter.load(std::memory_order_acquire); }
std::uint64_t TableViewItem::pathGeneration() { return pathGenerationCounter.load(std::memory_order_acquire); }

void TableViewItem::searchTextChanged() const {
    if (initialized_) textGenerationCounter.fetch_add(1, std::memory_order_acq_rel);
}

void TableViewItem::pathTextChanged() const {
    if (initialized_) pathGenerationCounter.fetch_add(1, std::memory_order_acq_rel);
}

std::uint64_t TableViewItem::categoryGeneration() { return categoryGenerationCounter.load(std::memory_order_acquire); }

// Also before the initializer has finished: the look at a decoded entry's
// file may change its kind afterwards.
void TableViewItem::categoryChanged() { categoryGenerationCounter.fetch_add(1, std::memory_order_acq_rel); }

void TableViewItem::finishInitialization() {
    if (!name_.empty()) nameLowercased_ = platform::text::lowercased(name_);
    initialized_ = true;
}

TableViewItem::Ptr TableViewItem::initForSpotlightApp(const std::string& path, const std::string& name) {
    auto item = std::make_shared<TableViewItem>(Private{});
    item->name_ = name;
    item->setPath(path);
    item->itemType_ = ListviewItemType::application;
    item->itemSource_ = ListviewItemSource::spotlight;
    item->finishInitialization();
    return item;
}

TableViewItem::Ptr TableViewItem::initForTag(const std::string& tag, const std::string& name) {
    auto item = std::make_shared<TableViewItem>(Private{});
    item->name_ = name;
    item->setPath(tag);
    item->itemType_ = ListviewItemType::tag;
    item->itemSource_ = ListviewItemSource::tags;
    item->finishInitialization();
    return item;
}

TableViewItem::Ptr TableViewItem::initForExternalNonSpotlightObject(const std::string& path) {
    auto item = std::make_shared<TableViewItem>(Private{});
    item->setPath(path);
    item->itemSource_ = ListviewItemSource::other;
    const platform::URL url = platform::URL::fileURL(path);
    const FileObjectStatus status = fileObjectStatus(url);
    item->seedReachability(status.reachable());
    switch (status.kind) {
        case FileObjectKind::application:
            item->itemType_ = ListviewItemType::application;
            item->name_ = applicationDisplayName(url);
            break;
        case FileObjectKind::folder:
            item->itemType_ = ListviewItemType::folder;
            item->name_ = url.lastPathComponent();
            break;
        case FileObjectKind::file:
        case FileObjectKind::other:
            item->itemType_ = ListviewItemType::file;
            item->name_ = url.lastPathComponent();
            break;
        case FileObjectKind::unreachable:
            item->itemType_ = ListviewItemType::unknown;
            item->name_ = url.lastPathComponent();
            break;
    }
    item->finishInitialization();
    return item;
}

TableViewItem::Ptr TableViewItem::initForURL(const std::string& url, const std::string& title,
                                             const std::string& comment) {
    return initLink(url, title, comment, ListviewItemSource::other);
}

TableViewItem::Ptr TableViewItem::initForShortcutsURL(const std::string& url, const std::string& title,
                                                      const std::string& comment) {
    return initLink(url, title, comment, ListviewItemSource::shortcuts);
}

TableViewItem::Ptr TableViewItem::initLink(const std::string& url, const std::string& title,
                                           const std::string& comment, ListviewItemSource source) {
    auto item = std::make_shared<TableViewItem>(Private{});
    item->name_ = title;
    item->setPath(url);
    item->comment_ = comment;
    item->itemType_ = ListviewItemType::url;
    item->itemSource_ = source;
    item->finishInitialization();
    return item;
}

// --- Setters -----------------------------------------------------------------------

void TableViewItem::setName(const std::string& name) {
    const std::string old = name_;
    name_ = name;
    nameLowercased_ = platform::text::lowercased(name_);
    searchTextChanged();
    if (old != name_) itemChanged(TableViewItemChangeReason::nameChanged);
}

void TableViewItem::setNameLowercased(const std::string& value) {
    nameLowercased_ = value;
    searchTextChanged();
}

void TableViewItem::setPath(const std::string& path) {
    if (!initialized_) {
        // Still being made: nothing to compare with or to announce.
        path_.set(path);
        pathLowercased_ = pathKey(path);
        return;
    }
    const std::string old = path_.get();
    path_.set(path);
    const std::string now = path_.get();
    pathLowercased_ = pathKey(now);
    pathTextChanged();
    if (now != old) itemChanged(TableViewItemChangeReason::pathChanged);
}

void TableViewItem::setPathLowercased(const std::string& value) {
    pathLowercased_ = value;
    pathTextChanged();
}

void TableViewItem::setTags(const std::vector<std::string>& tags) {
    if (!initialized_) {
        tags_.set(tags);
        return;
    }
    const auto old = tags_.get();
    tags_.set(tags);
    const auto now = tags_.get();
    if (asSet(old) != asSet(now)) itemChanged(TableViewItemChangeReason::tagChanged);
}

void TableViewItem::setComment(const std::string& comment) {
    const std::string old = comment_;
    comment_ = comment;
    searchTextChanged();
    if (old != comment_) itemChanged(TableViewItemChangeReason::commentChanged);
}

void TableViewItem::setColor(const std::optional<platform::Color>& color) {
    const bool same = (!color_ && !color) || (color_ && color && *color_ == *color);
    color_ = color ? std::make_shared<const platform::Color>(*color) : nullptr;
    if (!same) itemChanged(TableViewItemChangeReason::colorChanged);
}

void TableViewItem::setHotkey(const KeyCombo::Ptr& hotkey) {
    const auto old = hotkey_;
    hotkey_ = hotkey;
    if (!sameKeyCombo(old, hotkey_)) itemChanged(TableViewItemChangeReason::hotkeyChanged);
}

void TableViewItem::setIsVisible(bool visible) {
    const bool old = isVisible_;
    isVisible_ = visible;
    if (itemSource_ == ListviewItemSource::other) {
        // What the user added is always shown.
        isVisible_ = true;
        if (!old) categoryChanged();
        return;
    }
    if (isVisible_ == old) return;
    categoryChanged();
    itemChanged(TableViewItemChangeReason::visibilityChanged);
    if (!isVisible_ && hotkey_) {
        // A hidden entry keeps no hotkey.
        hotkey_ = nullptr;
        itemChanged(TableViewItemChangeReason::hotkeyChanged);
    }
}

void TableViewItem::setIsFavorite(bool favorite) {
    const bool old = isFavorite_;
    isFavorite_ = favorite;
    if (old == isFavorite_) return;
    categoryChanged();
    itemChanged(TableViewItemChangeReason::favoriteChanged);
}

void TableViewItem::setItemType(ListviewItemType type) {
    if (type == itemType_) return;
    itemType_ = type;
    categoryChanged();
}

void TableViewItem::setItemSource(ListviewItemSource source) {
    if (source == itemSource_) return;
    itemSource_ = source;
    categoryChanged();
}

void TableViewItem::setItemTypeRawValue(const std::string& raw) {
    setItemType(listviewItemTypeFromRawValue(raw).value_or(ListviewItemType::unknown));
}

void TableViewItem::setItemSourceRawValue(const std::string& raw) {
    setItemSource(listviewItemSourceFromRawValue(raw).value_or(ListviewItemSource::other));
}

std::optional<bool> TableViewItem::lastReachableCheck() const {
    return ReachabilityWord{reachability_.load(std::memory_order_acquire)}.answer();
}

std::optional<platform::dispatch::TimePoint> TableViewItem::lastReachableCheckDateTime() const {
    return ReachabilityWord{reachability_.load(std::memory_order_acquire)}.testedAt();
}

// --- Change notification -------------------------------------------------------------

void TableViewItem::itemChanged(TableViewItemChangeReason reason) const {
    if (!initialized_) return;
    const std::string text = std::string(rawValue(reason)) + " [" + name_ + "]";
    log(LogCategory::tableViewItem, LogLevel::Default, "itemChanged - will post notification: %{public}@", text);
    auto payload = std::make_shared<TableViewItemChangedNotifyObject>(TableViewItemChangedNotifyObject{path_.get(), reason});
    platform::NotificationCenter::defaultCenter().post(Notifications::tableViewItemChanged, std::any(payload));
}

// --- Derived properties ----------------------------------------------------------------

std::optional<platform::Date> TableViewItem::lastModifiedDate() const {
    if (!isPhysicalEntry()) return std::nullopt;
    return fileObjectStatus(platform::URL::fileURL(path_.get())).modificationDate;
}

bool TableViewItem::isPhysicalEntry() const {
    return itemType_ == ListviewItemType::folder || itemType_ == ListviewItemType::file ||
           itemType_ == ListviewItemType::application;
}

bool TableViewItem::acceptsDrop() const {
    switch (itemType_) {
        case ListviewItemType::file:
        case ListviewItemType::application: return isReachable();
        case ListviewItemType::url: return true;
        case ListviewItemType::folder:
        case ListviewItemType::tag:
        case ListviewItemType::unknown: return false;
    }
    return false;
}

bool TableViewItem::shouldSavedToConfig() const {
    if (itemType_ == ListviewItemType::unknown) {
        log(LogCategory::tableViewItem, LogLevel::Error, "UNKOWN ITEMTYPE DETECTED: %{public}@", path_.get());
        return false;
    }
    if (itemType_ == ListviewItemType::tag) return false;
    if (itemSource_ == ListviewItemSource::tags) return false;
    if (!tags_.get().empty() || !comment_.empty() || color_ || hotkey_ || isFavorite_ || !isVisible_) return true;
    return itemSource_ != ListviewItemSource::spotlight;
}

// --- Reachability ------------------------------------------------------------------------

bool TableViewItem::isReachable() const {
    if (isFoundBySpotlight_ || isFoundByTags_) return true;
    if (itemType_ == ListviewItemType::url) return true;
    if (itemSource_ == ListviewItemSource::shortcuts) return true;
    if (itemSource_ == ListviewItemSource::tags ||
        (itemSource_ == ListviewItemSource::other && itemType_ == ListviewItemType::tag)) {
        markTagEntryReachable();
        return true;
    }
    return fileTestWithCache();
}

void TableViewItem::markTagEntryReachable() const {
    // A tag entry's answer is recorded, keeping the time (none before).
    std::uint64_t bits = reachability_.load(std::memory_order_acquire);
    while ((bits & 3u) != 2 && !reachability_.compare_exchange_weak(bits, (bits & ~std::uint64_t{3}) | 2u)) {
    }
}

bool TableViewItem::fileTestWithCache() const {
    // The answer is good for five seconds from the test that found it.
    // A look-up does not extend that: an entry looked at every few
    // seconds must still be tested again, or a deleted file stays listed.
    // The monotonic dispatch clock: a change of the wall clock must
    // neither keep a stale answer nor throw a fresh one away.
    const ReachabilityWord cached{reachability_.load(std::memory_order_acquire)};
    if (cached.answer() && cached.freshAt(platform::dispatch::clock::now())) return *cached.answer();
    const bool reachable = frelt::isReachable(platform::URL::fileURL(path_.get()));
    seedReachability(reachable);
    return reachable;
}

std::optional<bool> TableViewItem::cachedReachability(platform::dispatch::TimePoint now, bool& stale) const {
    stale = false;
    if (isFoundBySpotlight_ || isFoundByTags_) return true;
    if (itemType_ == ListviewItemType::url) return true;
    if (itemSource_ == ListviewItemSource::shortcuts) return true;
    if (itemSource_ == ListviewItemSource::tags ||
        (itemSource_ == ListviewItemSource::other && itemType_ == ListviewItemType::tag)) {
        markTagEntryReachable();
        return true;
    }
    const ReachabilityWord cached{reachability_.load(std::memory_order_acquire)};
    stale = cached.answer() && !cached.freshAt(now) && !cached.refreshPending();
    return cached.answer();
}

bool TableViewItem::claimReachabilityRefresh(platform::dispatch::TimePoint now) const {
    std::uint64_t bits = reachability_.load(std::memory_order_acquire);
    for (;;) {
        const ReachabilityWord cached{bits};
        if (!cached.answer() || cached.freshAt(now) || cached.refreshPending()) return false;
        // Claimed by this caller, unless a test or another caller came first.
        if (reachability_.compare_exchange_weak(bits, cached.withRefreshPending().bits)) return true;
    }
}

std::optional<bool> TableViewItem::reachabilityWithoutWaiting(platform::dispatch::TimePoint now,
                                                              bool& refresh) const {
    bool stale = false;
    const std::optional<bool> answer = cachedReachability(now, stale);
    refresh = stale && claimReachabilityRefresh(now);
    return answer;
}

void TableViewItem::refreshReachability(std::vector<Ptr> entries, std::function<void()> changed) {
    if (entries.empty()) return;
    // A few blocks side by side: tens of thousands of tests after a pause
    // end sooner, without taking every thread of the pool.
    struct Refresh {
        std::vector<Ptr> entries;
        std::vector<std::uint64_t> answers;
        std::atomic<std::size_t> blocksLeft{0};
        std::function<void()> changed;
    };
    auto refresh = std::make_shared<Refresh>();
    refresh->answers.resize(entries.size());
    refresh->entries = std::move(entries);
    refresh->changed = std::move(changed);
    constexpr std::size_t kBlockSize = 4096, kMaxBlocks = 4;
    const std::size_t n = refresh->entries.size();
    const std::size_t blocks = std::min(kMaxBlocks, (n + kBlockSize - 1) / kBlockSize);
    refresh->blocksLeft = blocks;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t from = n * b / blocks, to = n * (b + 1) / blocks;
        platform::dispatch::Queue::global()->async([refresh, from, to] {
            for (std::size_t i = from; i < to; ++i) {
                // Stamped with the time before the look: the answer is at
                // least that fresh.
                const auto at = platform::dispatch::clock::now();
                const bool reachable = frelt::isReachable(platform::URL::fileURL(refresh->entries[i]->path()));
                refresh->answers[i] = ReachabilityWord::make(reachable, at).bits;
            }
            if (refresh->blocksLeft.fetch_sub(1) != 1) return;
            platform::dispatch::Queue::main()->async([refresh] {
                bool anyChanged = false;
                // Tens of thousands of entries spread over memory, each
                // changed by an atomic exchange that waits for its read: the
                // reads are asked for well ahead.
                constexpr std::size_t kAhead = 16;
                const std::size_t count = refresh->entries.size();
                for (std::size_t i = 0; i < count; ++i) {
                    if (i + kAhead < count) __builtin_prefetch(&refresh->entries[i + kAhead]->reachability_, 1);
                    const TableViewItem& entry = *refresh->entries[i];
                    const ReachabilityWord found{refresh->answers[i]};
                    std::uint64_t bits = entry.reachability_.load(std::memory_order_acquire);
                    for (;;) {
                        const ReachabilityWord cached{bits};
                        // A test made meanwhile is newer: it stays (the
                        // refresh under way ends all the same).
                        const bool newer = cached.testedAt() && *cached.testedAt() > *found.testedAt();
                        const std::uint64_t next = newer ? (bits & ~std::uint64_t{4}) : found.bits;
                        if (entry.reachability_.compare_exchange_weak(bits, next)) {
                            if (!newer && cached.answer() != found.answer()) anyChanged = true;
                            break;
                        }
                    }
                }
                if (anyChanged && refresh->changed) refresh->changed();
            });
        });
    }
}

void TableViewItem::seedReachability(bool reachable) const {
    reachability_.store(ReachabilityWord::make(reachable, platform::dispatch::clock::now()).bits,
                        std::memory_order_release);
}

bool TableViewItem::isLaunched() const {
    if (itemType_ != ListviewItemType::application) return false;
    return OpenApplicationsManager::shared()->containsApplication(path_.get());
}

bool TableViewItem::isEqual(const TableViewItem* other) const {
    if (!other) return false;
    if (other == this) return true;
    if (path_.get() != other->path_.get()) return false;
    if (name_ != other->name_) return false;
    if (!sameKeyCombo(hotkey_, other->hotkey_)) return false;
    if (comment_ != other->comment_) return false;
    if (static_cast<bool>(color_) != static_cast<bool>(other->color_)) return false;
    if (color_ && !(*color_ == *other->color_)) return false;
    if (asSet(tags_.get()) != asSet(other->tags_.get())) return false;
    if (isVisible_ != other->isVisible_) return false;
    if (isFavorite_ != other->isFavorite_) return false;
    return itemSource_ == other->itemSource_;
}

// --- Executing ------------------------------------------------------------------------------

void TableViewItem::executeWithArguments(const Arguments& arguments) {
    const std::string currentPath = path_.get();
    auto self = shared_from_this();
    auto& center = platform::NotificationCenter::defaultCenter();

    // A shortcut: its input comes from the objects handed over, unless the
    // URL already names its input.
    if (itemType_ == ListviewItemType::url && !currentPath.empty() && hasURLScheme(currentPath) &&
        itemSource_ == ListviewItemSource::shortcuts) {
        const auto url = platform::URL::fromString(currentPath);
        if (!url || platform::text::lowercased(url->scheme()) != "shortcuts") return;
        const bool hasInput = hasInputQueryItem(*url);
        log(LogCategory::tableViewItem, LogLevel::Default, "execute Shortcut-URL: %{public}@", currentPath);
        center.post(Notifications::executeTableviewItem);
        platform::dispatch::Queue::main()->async([self, arguments, hasInput] {
            const std::string path = self->path();
            if (hasInput || !arguments || arguments->empty())
                OpenObject::shared()->openURLString(path, arguments);
            else
                OpenObject::shared()->openURLString(path + "&input=%%selectedFileObjects%%", arguments);
        });
        return;
    }

    if (itemType_ == ListviewItemType::tag) {
        const auto manager = FreltManager::shared();
        bool launchAll = AppDelegate::shared()->config->selectingTagsInMainWindowLaunchAll;
        const auto viewController = manager->viewControllerMain();
        if (viewController && viewController->modifierFlagsContainOptionKey()) launchAll = !launchAll;
        if (launchAll) {
            launchAllEntriesOfTag(currentPath);
            return;
        }
        if (!mainWindowIsVisible(manager->mainWindowState())) return;
        if (!viewController) return;
        // Without its sidebar there is nothing to select.
        const auto outline = viewController->sectionView.lock();
        if (!outline) return;
        outline->selectItemWithTagName(currentPath);
        viewController->updateMainTableView();
        return;
    }

    if (itemType_ == ListviewItemType::url && !currentPath.empty() && hasURLScheme(currentPath)) {
        log(LogCategory::tableViewItem, LogLevel::Default, "execute URL: %{public}@", currentPath);
        center.post(Notifications::executeTableviewItem);
        platform::dispatch::Queue::main()->async(
            [self, arguments] { OpenObject::shared()->openURLString(self->path(), arguments); });
        return;
    }

    log(LogCategory::tableViewItem, LogLevel::Default, "execute: %{public}@", currentPath);
    center.post(Notifications::executeTableviewItem);
    platform::dispatch::Queue::main()->async([self, arguments] {
        SandboxFileAccess::shared();
        const std::string path = self->path();
        if (!path.empty()) probeVolumeOfFile(platform::URL::fileURL(path));
        OpenObject::shared()->openPath(path, arguments);
    });
}

bool TableViewItem::showInFinder() const {
    if (!isReachable()) return false;
    return platform::Workspace::shared()->selectFile(path_.get(), "");
}

// --- Tag edits -------------------------------------------------------------------------------

void TableViewItem::renameTag(const std::string& oldName, const std::string& newName) {
    using platform::text::canonicallyEqual;
    // Names are compared as the registry compares them: canonically
    // equivalent texts are one name, whichever form the entry stored.
    if (oldName.empty() || newName.empty() || canonicallyEqual(oldName, newName)) return;
    const auto current = tags_.get();
    if (current.empty()) return;
    if (!holdsTag(current, oldName)) return;
    // An entry that already holds the new name simply loses the old one: a
    // tag merged into another must not come back through the entries that
    // carried both.

    const std::size_t count = current.size();
    for (std::size_t i = 0; i < count; ++i) {
        auto list = tags_.get();
        // Never past the end, even if the list shrank meanwhile.
        if (i >= list.size()) break;
        if (!canonicallyEqual(list[i], oldName)) continue;
        list[i] = newName;
        setTags(list);
    }
    setTags(removingDuplicates(tags_.get()));
    log(LogCategory::tableViewItem, LogLevel::Default, "Modify Tags for entry: %{public}@", name_);
    log(LogCategory::tableViewItem, LogLevel::Default, "-> Tag %{public}@ found and renamed", oldName);
}

void TableViewItem::deleteTag(const std::string& name) {
    if (name.empty()) return;
    const auto copy = tags_.get();
    if (copy.empty() || !holdsTag(copy, name)) return;
    setTags({});
    for (const auto& tag : copy) {
        if (platform::text::canonicallyEqual(tag, name)) continue;
        auto list = tags_.get();
        list.push_back(tag);
        setTags(list);
    }
    log(LogCategory::tableViewItem, LogLevel::Default, "Modify Tags for entry: %{public}@", name_);
    log(LogCategory::tableViewItem, LogLevel::Default, "-> Tag %{public}@ found and removed", name);
}

// --- Archiving ---------------------------------------------------------------------------------

void TableViewItem::encodeWithCoder(platform::KeyedArchiver& coder) const {
    using platform::ArchiveObject;
    coder.encodeObject(ArchiveObject(name_), keyNameName);
    coder.encodeObject(ArchiveObject(path_.get()), keyNamePath);
    coder.encodeObject(ArchiveObject(tags_.get()), keyNameTags);
    coder.encodeObject(ArchiveObject(comment_), keyNameComment);
    coder.encodeObject(ArchiveObject(std::string(rawValue(itemType_))), keyNameItemType);
    coder.encodeObject(ArchiveObject(std::string(rawValue(itemSource_))), keyNameItemSource);
    coder.encodeObject(color_ ? ArchiveObject(std::make_shared<platform::Color>(*color_)) : ArchiveObject(nullptr),
                       keyNameColor);
    coder.encodeObject(hotkey_ ? ArchiveObject(hotkey_) : ArchiveObject(nullptr), keyNameHotkey);
    coder.encodeObject(ArchiveObject::number(isVisible_), keyNameVisible);
    coder.encodeObject(ArchiveObject::number(isFavorite_), keyNameFavorite);
}

TableViewItem::Ptr TableViewItem::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto name = coder.decodeString(keyNameName);
    const auto path = coder.decodeString(keyNamePath);
    if (!name || !path) {
        log(LogCategory::tableViewItem, LogLevel::Error, "Init of Entry failed!");
        return nullptr;
    }
    if (name->empty() || path->empty()) return nullptr;

    auto item = std::make_shared<TableViewItem>(Private{});
    item->name_ = std::move(*name);
    item->setPath(*path);
    item->setTags(coder.decodeStringArray(keyNameTags).value_or(std::vector<std::string>{}));

    item->comment_ = coder.decodeString(keyNameComment).value_or(std::string());
    item->isVisible_ = coder.decodeObject(keyNameVisible).asBool().value_or(true);
    item->color_ = coder.decodeObject(keyNameColor).as<platform::Color>();
    item->hotkey_ = coder.decodeObject(keyNameHotkey).as<KeyCombo>();
    item->isFavorite_ = coder.decodeObject(keyNameFavorite).asBool().value_or(false);
    const auto type = coder.decodeString(keyNameItemType);
    item->itemType_ = type ? listviewItemTypeFromRawValue(*type).value_or(ListviewItemType::unknown)
                           : ListviewItemType::unknown;
    const auto source = coder.decodeString(keyNameItemSource);
    item->itemSource_ = source ? listviewItemSourceFromRawValue(*source).value_or(ListviewItemSource::other)
                               : ListviewItemSource::other;
    item->isFoundBySpotlight_ = false;
    item->isFoundByShortcutImport_ = false;

    FRELT_LOG(tableViewItem, Default, "Decode and init TableViewItem for: %{public}@",
              "Name: " + item->name_ + ", Path: " + item->path() + ", Tags: [" + joined(item->tags(), ", ") +
                  "], Comment: " + item->comment_ + ", itemType: " + rawValue(item->itemType_) +
                  ", itemSource: " + rawValue(item->itemSource_));

    // What was a folder or a file may be something else by now. The one
    // look at the file also answers the first reachability test, which the
    // rebuild after loading then finds in the cache.
    const std::string currentPath = item->path();
    switch (item->itemType_) {
        case ListviewItemType::folder:
        case ListviewItemType::file:
            if (auto* checks = EntryFileChecks::current()) checks->add(item, currentPath);
            else item->applyFileStatus(fileObjectStatus(platform::URL::fileURL(currentPath)));
            break;
        case ListviewItemType::url:
            if (currentPath.empty() || !hasURLScheme(currentPath)) item->itemType_ = ListviewItemType::unknown;
            break;
        default: break;
    }
    if (item->itemSource_ == ListviewItemSource::other) item->isVisible_ = true;
    item->finishInitialization();
    return item;
}

void TableViewItem::applyFileStatus(const FileObjectStatus& status) {
    seedReachability(status.reachable());
    switch (status.kind) {
        case FileObjectKind::application: setItemType(ListviewItemType::application); break;
        case FileObjectKind::folder: setItemType(ListviewItemType::folder); break;
        case FileObjectKind::file: setItemType(ListviewItemType::file); break;
        default: break;
    }
}

// --- Looks at the files of decoded entries --------------------------------------------------

namespace {
thread_local EntryFileChecks* currentEntryFileChecks = nullptr;
}  // namespace

// Only the paths travel to the worker, and only the statuses come back: the
// entries themselves are touched by the thread that decoded them.
struct EntryFileChecks::Batch {
    std::vector<std::string> paths;
    std::vector<FileObjectStatus> statuses;
    std::atomic<bool> claimed{false};
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;

    // Runs the looks unless another thread has taken them already.
    bool runIfUnclaimed() {
        if (claimed.exchange(true)) return false;
        statuses.reserve(paths.size());
        for (const auto& path : paths) statuses.push_back(fileObjectStatus(platform::URL::fileURL(path)));
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        doneChanged.notify_all();
        return true;
    }
    void waitUntilDone() {
        std::unique_lock lock(mutex);
        doneChanged.wait(lock, [this] { return done; });
    }
};

EntryFileChecks::EntryFileChecks() : previous_(currentEntryFileChecks) { currentEntryFileChecks = this; }

EntryFileChecks::~EntryFileChecks() { finish(); }

EntryFileChecks* EntryFileChecks::current() { return currentEntryFileChecks; }

void EntryFileChecks::add(TableViewItem::Ptr entry, std::string path) {
    if (!filling_) {
        filling_ = std::make_shared<Batch>();
        filling_->paths.reserve(batchSize);
    }
    filling_->paths.push_back(std::move(path));
    entries_.push_back(std::move(entry));
    if (filling_->paths.size() == batchSize) submit();
}

void EntryFileChecks::submit() {
    batches_.push_back(filling_);
    platform::dispatch::Queue::global()->async([batch = std::move(filling_)] { batch->runIfUnclaimed(); });
    filling_.reset();
}

void EntryFileChecks::finish() {
    if (finished_) return;
    finished_ = true;
    if (currentEntryFileChecks == this) currentEntryFileChecks = previous_;
    // The last, partial batch is not worth a trip to the pool.
    if (filling_) batches_.push_back(std::move(filling_));
    std::size_t next = 0;
    for (const auto& batch : batches_) {
        // A batch a worker has begun is waited for: its looks are under way,
        // and taking them here would take as long.
        if (!batch->runIfUnclaimed()) batch->waitUntilDone();
        for (const auto& status : batch->statuses) entries_[next++]->applyFileStatus(status);
    }
    entries_.clear();
    batches_.clear();
}

void TableViewItem::registerCoding() {
    platform::CodingRegistry::registerClass(archiveClassName, &TableViewItem::initWithCoder);
}

// --- Key-value access ------------------------------------------------------------------------

std::optional<platform::Value> TableViewItem::valueForKey(const std::string& key) const {
    using platform::Value;
    if (key == "name") return Value(name_);
    if (key == "nameLowercased") return Value(nameLowercased_);
    if (key == "path") return Value(path_.get());
    if (key == "pathLowercased") return Value(pathLowercased_);
    if (key == "tags") return Value(tags_.get());
    if (key == "comment") return Value(comment_);
    if (key == "itemTypeRawValue") return Value(rawValue(itemType_));
    if (key == "itemSourceRawValue") return Value(rawValue(itemSource_));
    if (key == "color") {
        if (!color_) return Value();
        platform::ValueArray components;
        for (double c : color_->components()) components.emplace_back(c);
        return Value(std::move(components));
    }
    if (key == "hotkey") return hotkey_ ? hotkey_->encode() : Value();
    if (key == "hotkeyKeyEquivalent") return Value(hotkey_ ? hotkey_->keyEquivalent() : std::string());
    if (key == "isVisible") return Value(isVisible_);
    if (key == "isFavorite") return Value(isFavorite_);
    if (key == "lastUsedDate") {
        const auto date = lastUsedDate_.get();
        return date ? Value(*date) : Value();
    }
    if (key == "lastModifiedDate") {
        const auto date = lastModifiedDate();
        return date ? Value(*date) : Value();
    }
    if (key == "isManuallyCreated") return Value(isManuallyCreated());
    if (key == "isPhysicalEntry") return Value(isPhysicalEntry());
    if (key == "couldBeHidden") return Value(couldBeHidden());
    if (key == "acceptsDrop") return Value(acceptsDrop());
    if (key == "shouldSavedToConfig") return Value(shouldSavedToConfig());
    if (key == "isFoundBySpotlight") return Value(isFoundBySpotlight_);
    if (key == "isFoundByShortcutImport") return Value(isFoundByShortcutImport_);
    if (key == "isFoundByTags") return Value(isFoundByTags_);
    if (key == "isReachable") return Value(isReachable());
    if (key == "isLaunched") return Value(isLaunched());
    return std::nullopt;
}

}  // namespace frelt
