#include "store/TagManager.h"

#include <algorithm>
#include <utility>

#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {
namespace {

constexpr const char* iconNameList[] = {
    "icon_tags",
    "icon_container",
    "icon_folder_bookmark",
    "icon_folder_home",
    "icon_folder_image",
    "icon_folder_heart",
    "icon_folder_edit",
    "icon_folder_exchange",
    "icon_folder_sync",
    "icon_folder_warning",
    "icon_folder_cash",
    "icon_folder_code",
    "icon_folder_lock",
    "icon_folder_archive",
    "icon_folder_share",
    "icon_folder_network",
    "icon_folder_media",
    "icon_folder_music",
    "icon_folder_download",
    "icon_folder_text",
    "icon_usb",
    "icon_code",
    "icon_zsh",
    "icon_code_1",
    "icon_code_2",
    "icon_code_3",
    "icon_code_4",
    "icon_code_5",
    "icon_code_6",
    "icon_code_7",
    "icon_code_8",
    "icon_code_9",
    "icon_code_10",
    "icon_code_11",
    "icon_code_12",
    "icon_code_13",
    "icon_code_14",
    "icon_code_15",
    "icon_window_network",
    "icon_window_cloud",
    "icon_window_mail",
    "icon_window_music",
    "icon_window_search",
    "icon_window_skull",
    "icon_window_sync",
    "icon_window_type",
    "icon_window_rss",
    "icon_window_edit",
    "icon_window_chart",
    "icon_app-window-download",
    "icon_app-window-heart",
    "icon_app-window-lock",
    "icon_app-window-search",
    "icon_app-window-settings",
    "icon_app-window-share",
    "icon_cloud",
    "icon_document",
    "icon_documents1",
    "icon_documents2",
    "icon_common-file-settings-1",
    "icon_common-file-text-check",
    "icon_common-file-text-edit",
    "icon_common-file-text-lock",
    "icon_common-file-text-search",
    "icon_common-file-text-warning",
    "icon_common-file-text",
    "icon_data-file-bars",
    "icon_data-file-graph",
    "icon_data-file-lock",
    "icon_data-file-star",
    "icon_file-zip-1",
    "icon_list-edit",
    "icon_list-to-do",
    "icon_office-file-doc",
    "icon_office-file-graph-alternate",
    "icon_office-file-hierarchy-alternate",
    "icon_office-file-pdf",
    "icon_office-file-sheet",
    "icon_office-file-text",
    "icon_office-file-txt",
    "icon_money_dollar",
    "icon_money_euro",
    "icon_money_bitcoin",
    "icon_money_bitcoin_chip",
    "icon_money_yen",
    "icon_edit",
    "icon_favs",
    "icon_game",
    "icon_video_game_control",
    "icon_paint",
    "icon_prefs1",
    "icon_prefs2",
    "icon_people",
    "icon_audio",
    "icon_video",
    "icon_url",
    "icon_social",
    "icon_movie",
    "icon_list",
    "icon_archive",
    "icon_documents3",
    "icon_meeting_1",
    "icon_meeting_2",
    "icon_office",
    "icon_todo",
    "icon_3D",
    "icon_smart_house",
    "icon_drive_2",
    "icon_performance",
    "icon_gauge_dashboard",
    "icon_browser_gauge",
    "icon_chart",
    "icon_presentations",
    "icon_storage",
    "icon_drive",
    "icon_backup",
    "icon_config",
    "icon_database",
    "icon_download",
    "icon_photo",
    "icon_chat",
    "icon_computer",
    "icon_image",
    "icon_image_2",
    "icon_apple",
    "icon_microsoft",
    "icon_accounting-calculator",
    "icon_accounting-invoice",
    "icon_browser-idea",
    "icon_bulb-1",
    "icon_monitor-programming-book",
    "icon_optimization-clock",
    "icon_programming-book",
    "icon_task-list-check-2",
    "icon_task-list-plain-1",
    "icon_task-list-text",
    "icon_team-share-idea",
    "icon_computer_ram",
    "icon_computer_chip",
    "icon_envelope",
    "icon_voice_id",
    "icon_login_keys",
    "icon_ai_brain",
};
static_assert(std::size(iconNameList) == TagManager::iconNameCount);

void addOnce(std::vector<TagManager::TagCompareResults>& results, TagManager::TagCompareResults value) {
    if (std::find(results.begin(), results.end(), value) == results.end()) results.push_back(value);
}

bool contains(const std::vector<TagManager::TagCompareResults>& results, TagManager::TagCompareResults value) {
    return std::find(results.begin(), results.end(), value) != results.end();
}

bool sameColor(const std::optional<platform::Color>& a, const std::optional<platform::Color>& b) {
    if (!a || !b) return !a && !b;
    return *a == *b;
}

void post(const char* name) { platform::NotificationCenter::defaultCenter().post(name); }

}  // namespace

std::shared_ptr<TagManager> TagManager::shared() {
    return platform::singleInstance<TagManager>([] {
        auto made = std::make_shared<TagManager>(Private{});
        made->setUp();
        return made;
    });
}

TagManager::TagManager(Private) : allAvailableTags_(TagArray::create()), allVisibleTags_(TagArray::create()) {}

TagManager::~TagManager() = default;

void TagManager::setUp() {
    // The observation ends with the registry; a notification racing with the
    // registry's end finds it gone and does nothing.
    rebuildFinishedObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::dataStorageRebuildIsFinished, nullptr,
        [weak = weak_from_this()](const platform::Notification& notification) {
            if (const auto self = weak.lock()) self->dataStorageRebuildIsFinishedWith(notification);
        });
    fillIconNames();
}

void TagManager::fillIconNames() {
    iconNames_.insert(iconNames_.end(), std::begin(iconNameList), std::end(iconNameList));
}

void TagManager::dataStorageRebuildIsFinishedWith(const platform::Notification&) { rebuildVisibleTags(); }

std::shared_ptr<TagManager::TagArray> TagManager::allVisibleTags() const {
    std::lock_guard lock(visibleTagsMutex_);
    return allVisibleTags_;
}

// ---- Lookups --------------------------------------------------------------------------

iconTag::Ptr TagManager::tagWithName(std::string_view name) const {
    return allAvailableTags_->firstWhere(hasTagName(std::string(name))).value_or(nullptr);
}

iconTag::Ptr TagManager::visibleTagWithName(std::string_view name) const {
    return allVisibleTags()->firstWhere(hasTagName(std::string(name))).value_or(nullptr);
}

iconTag::Ptr TagManager::firstVisibleTagWithHotkey() const {
    return allVisibleTags()->firstWhere([](const iconTag::Ptr& t) { return t && t->hotkey(); }).value_or(nullptr);
}

iconTag::Ptr TagManager::firstVisibleTagWithHotkeyLaunchAll() const {
    return allVisibleTags()
        ->firstWhere([](const iconTag::Ptr& t) { return t && t->hotkeyLaunchAll(); })
        .value_or(nullptr);
}

bool TagManager::allTagsUsed() const {
    return allAvailableTags_->allSatisfy([](const iconTag::Ptr& t) { return t && t->tagUsed(); });
}

void TagManager::removeUnusedTags() {
    if (storedEntriesUnreadable_) {
        log(LogCategory::tagManager, LogLevel::Error, "!! unused tags kept: the stored entries could not be read");
        return;
    }
    if (!tagUsageCounted_) {
        log(LogCategory::tagManager, LogLevel::Error, "!! unused tags kept: their use has not been counted yet");
        return;
    }
    if (allTagsUsed()) return;
    allAvailableTags_->removeAllWhere([](const iconTag::Ptr& t) { return !t || !t->tagUsed(); });
}

// ---- Recounting (the data store's validation) -----------------------------------------------

void TagManager::resetTagUsage() {
    tagUsageCounted_ = false;
    countIndex_.emplace();
    usedByHeldName_.clear();
    visibleByHeldName_.clear();
    const auto tags = allAvailableTags_->snapshot();
    countIndex_->reserve(tags->size());
    for (const iconTag::Ptr& tag : *tags) {
        if (!tag) continue;
        tag->setTagUsed(false);
        tag->setTagVisible(false);
        tag->setTagUseCounter(0);
        countIndex_->try_emplace(platform::text::nfc(tag->tagName()), tag);
    }
}

void TagManager::finishTagCount() {
    countIndex_.reset();
    usedByHeldName_.clear();
    visibleByHeldName_.clear();
    tagUsageCounted_ = true;
}

iconTag::Ptr TagManager::countedTagWithName(std::string_view name) const {
    if (!countIndex_) return tagWithName(name);
    const auto found = countIndex_->find(platform::text::nfc(name));
    return found == countIndex_->end() ? nullptr : found->second;
}

void TagManager::markTagsUsed(const std::vector<std::string>& tagNames) {
    for (const std::string& name : tagNames) {
        if (countIndex_) {
            if (const auto known = usedByHeldName_.find(name); known != usedByHeldName_.end()) {
                known->second->setTagUsed(true);
                continue;
            }
        }
        const std::string normalized = normalizedTagString(name);
        iconTag::Ptr tag = countedTagWithName(normalized);
        if (tag) {
            tag->setTagUsed(true);
        } else {
            tag = iconTag::initWithNewName(normalized, defaultTag);
            tag->setTagUsed(true);
            // A later lookup reads after this write and so finds the new tag.
            allAvailableTags_->append(tag);
            if (countIndex_) countIndex_->try_emplace(platform::text::nfc(tag->tagName()), tag);
        }
        if (countIndex_) usedByHeldName_.emplace(name, std::move(tag));
    }
}

void TagManager::markTagsVisible(const std::vector<std::string>& tagNames) {
    // Looked up as the entry holds them: a name with blanks around a level
    // reaches no tag here, although markTagsUsed found its normalised form.
    for (const std::string& name : tagNames) {
        iconTag::Ptr tag;
        if (countIndex_) {
            if (const auto known = visibleByHeldName_.find(name); known != visibleByHeldName_.end()) tag = known->second;
        }
        if (!tag) {
            tag = countedTagWithName(name);
            if (!tag) continue;
            if (countIndex_) visibleByHeldName_.emplace(name, tag);
        }
        tag->setTagVisible(true);
        tag->setTagUsed(true);
        tag->setTagUseCounter(tag->tagUseCounter() + 1);
    }
}

// ---- The visible tags after a rebuild ---------------------------------------------------------

void TagManager::rebuildVisibleTags() {
    auto visible = allAvailableTags_
                       ->filter([](const iconTag::Ptr& t) { return t && t->tagVisible(); })
                       ->sorted([](const iconTag::Ptr& a, const iconTag::Ptr& b) {
                           return platform::text::canonicalCompare(a->tagName(), b->tagName()) < 0;
                       });
    {
        std::lock_guard lock(visibleTagsMutex_);
        allVisibleTags_ = std::move(visible);
    }

    const std::vector<TagCompareResults> results = compareVisibleTags();
    if (results.empty()) {
        log(LogCategory::tagManager, LogLevel::Default, "-> visibleTags have not changed!");
    } else {
        if (contains(results, TagCompareResults::validateHotkeyNeeded)) {
            log(LogCategory::tagManager, LogLevel::Default,
                "-> Hotkey changed in visibleTags - re-registering Tag-Hotkeys ...");
            post(Notifications::validateTagHotkeyNeeded);
        }
        if (contains(results, TagCompareResults::rebuildNeeded)) {
            // A rebuilt sidebar shows the new counts and colours anyway.
            log(LogCategory::tagManager, LogLevel::Default, "-> visibleTagsRebuildNeeded");
            post(Notifications::visibleTagsRebuildNeeded);
        } else {
            if (contains(results, TagCompareResults::tagUseCounterChanged)) {
                log(LogCategory::tagManager, LogLevel::Default, "-> visibleTagsUseCounterChanged");
                post(Notifications::visibleTagsUseCounterChanged);
            }
            if (contains(results, TagCompareResults::redrawNeeded)) {
                log(LogCategory::tagManager, LogLevel::Default, "-> visibleTagsRedrawNeeded");
                post(Notifications::visibleTagsRedrawNeeded);
            }
        }
    }
    makeVisibleTagsBackup();
}

std::vector<TagManager::TagCompareResults> TagManager::compareVisibleTags() const {
    // Each side finds its counterpart (the first of that name) through an
    // index by composed name rather than a walk of the other side.
    const auto firstByName = [](const auto& tags) {
        std::unordered_map<std::string, const iconTag*> index;
        index.reserve(tags.size());
        for (const auto& tag : tags) index.try_emplace(platform::text::nfc(tag->tagName()), tag.get());
        return index;
    };
    std::vector<TagCompareResults> results;
    const auto visible = allVisibleTags()->snapshot();
    const auto backups = firstByName(backupVisibleTags_);
    const auto visibles = firstByName(*visible);
    for (const iconTag::Ptr& tag : *visible) {
        const auto backup = backups.find(platform::text::nfc(tag->tagName()));
        if (backup != backups.end()) compareTag(*tag, *backup->second, results);
        else addOnce(results, TagCompareResults::rebuildNeeded);
    }
    for (const iconTagForBackup::Ptr& backup : backupVisibleTags_) {
        const auto tag = visibles.find(platform::text::nfc(backup->tagName()));
        if (tag != visibles.end()) compareTag(*tag->second, *backup, results);
        else addOnce(results, TagCompareResults::rebuildNeeded);
    }
    return results;
}

void TagManager::compareTag(const iconTag& visible, const iconTag& backup, std::vector<TagCompareResults>& results) {
    if (visible.tagUsed() != backup.tagUsed()) addOnce(results, TagCompareResults::redrawNeeded);
    if (!sameColor(visible.color(), backup.color())) addOnce(results, TagCompareResults::redrawNeeded);
    if (visible.tagUseCounter() != backup.tagUseCounter()) {
        addOnce(results, TagCompareResults::tagUseCounterChanged);
        addOnce(results, TagCompareResults::redrawNeeded);
    }
    if (!sameKeyCombo(visible.hotkey(), backup.hotkey())) addOnce(results, TagCompareResults::validateHotkeyNeeded);
    if (!sameKeyCombo(visible.hotkeyLaunchAll(), backup.hotkeyLaunchAll())) {
        addOnce(results, TagCompareResults::validateHotkeyNeeded);
    }
}

void TagManager::makeVisibleTagsBackup() {
    backupVisibleTags_.clear();
    allVisibleTags()->forEach([this](const iconTag::Ptr& tag) {
        auto backup = iconTagForBackup::initWithNewName(tag->tagName(), tag->tagSymbol());
        // The name is kept exactly: a stored name that normalising would
        // change must still find its backup at the next comparison.
        backup->setTagName(tag->tagName());
        backup->setTagUsed(true);
        backup->setColor(tag->color());
        backup->setTagUseCounter(tag->tagUseCounter());
        backup->setHotkey(tag->hotkey());
        backup->setHotkeyLaunchAll(tag->hotkeyLaunchAll());
        backupVisibleTags_.push_back(std::move(backup));
    });
}

void TagManager::validateTagSymbols() {
    if (allAvailableTags_->isEmpty()) return;
    allAvailableTags_->forEach([this](const iconTag::Ptr& tag) {
        if (!tag) return;
        const bool known = std::any_of(iconNames_.begin(), iconNames_.end(), [&](const std::string& icon) {
            return platform::text::canonicallyEqual(icon, tag->tagSymbol());
        });
        if (!known) tag->setTagSymbol(defaultTag);
    });
}

}  // namespace frelt
