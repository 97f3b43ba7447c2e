#pragma once
// Turns what the user configured into registered hotkeys: one per visible
// entry with a hotkey, one per visible tag for showing it and one for
// launching its entries, one per shown sidebar category, and the global
// hotkey. A kind is rebuilt from scratch on every registration of it
// (unregister all of the kind, register what the data says now), and again
// when entries, tags or the settings change. Kinds registered earlier win a
// shared combination: at launch categories, then tags, then launch-all, then
// entries, then the global hotkey.
//
// It also holds the switch that pauses every hotkey action while a view
// that records hotkeys is shown, and decides when a digit combination
// belongs to the main window instead (the digit rule).

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/HotKeyCenter.h"
#include "mainwindow/MainOutlineView.h"
#include "platform/foundation/NotificationCenter.h"

namespace frelt {

class HotKeyManager : public std::enable_shared_from_this<HotKeyManager> {
    struct Private {};

public:
    // Made once by the launch, after the settings are loaded. Where the
    // desktop offers no global hotkeys (or only in part), making it tells the
    // user once, in the log and with a notice.
    static std::shared_ptr<HotKeyManager> shared();
    explicit HotKeyManager(Private);
    HotKeyManager(const HotKeyManager&) = delete;
    HotKeyManager& operator=(const HotKeyManager&) = delete;

    // While true every action is skipped; the hotkeys stay registered. The
    // views that record hotkeys set it while they are shown.
    bool hotkeysPaused() const { return hotkeysPaused_.load(); }
    void setHotkeysPaused(bool paused) { hotkeysPaused_.store(paused); }

    // Unregisters every hotkey of the kind and registers what the data holds
    // now; nothing but a log line for no kind.
    void registerHotKeys(std::optional<HotKeyType> type);
    // Every kind in launch order: categories, tags, launch-all, entries,
    // global.
    void registerAllHotKeys();
    bool registerHotKey(const HotKey::Ptr& hotKey);
    void updateHotkeyReferencePath(const KeyCombo& keyCombo, const std::string& path);

    // Registers again the kinds in which the desktop refused a hotkey (another
    // program held its combination), so that it works once the other
    // program lets go. The settings window and the hotkey overview call it
    // when they open; the next launch registers everything anyway.
    void retryRefusedHotKeys();
    // The combinations refused since the last retry, as the user reads them.
    std::vector<std::string> refusedCombinations() const { return refusedCombinations_; }

    // True when the main window is shown and active and the combination is
    // one of its digit shortcuts (1 to 9, alone or with command): then the
    // entry at that place of the shown list, if any, has been opened.
    bool isDigitKeyCombo(const KeyCombo& keyCombo) const;

    // "tableViewItemChanged", "iconTagChanged", "validateTagHotkeyNeeded":
    // handled on the main queue whatever thread posted them.
    void itemChangedWithSender(const platform::Notification& notification);

    // The builders of registerHotKeys.
    void registerEntryHotkeys();
    void registerTagHotkeys(HotKeyType type);
    void registerTagHotkey();
    void registerTagLaunchAllHotkey();
    void registerCategoryHotkeys();
    void registerCategoryHotkey(SourceListItemContentType category);
    void clearCategoryKeyCombo(SourceListItemContentType category);

private:
    void setUp();
    // What a change notification asks of the registration.
    struct Change {
        enum class Kind { entryHotkey, validateTags, tagHotkey, tagName } kind;
        std::string name;  // the entry's path or the tag's name
    };
    static std::optional<Change> changeOf(const platform::Notification& notification);
    void handleChange(const Change& change);
    HotKeyCenter::Registration registerLogged(const HotKey::Ptr& hotKey);
    void tellServiceLimitation();
    void hotKeyRefused(const HotKey::Ptr& hotKey, platform::HotKeyStatus why);
    void tellRefusals();

    std::atomic<bool> hotkeysPaused_{false};
    // Kinds to register again, combinations refused, and those the user
    // has been told of in this run: each combination is said once, at
    // launch or when it is recorded, not at every retry.
    std::vector<HotKeyType> refusedKinds_;
    std::vector<std::string> refusedCombinations_;
    std::vector<std::string> untold_;
    // Not granted by the desktop's shortcut service, told apart.
    std::vector<std::string> untoldDeclined_;
    std::vector<std::string> told_;
    bool tellingScheduled_ = false;
    std::vector<platform::Subscription> observations_;
};

// Whether some character (grapheme cluster) of `text` is one of those of
// `characters`; false for an empty text.
bool containsAnyCharacter(std::string_view text, std::string_view characters);

}  // namespace frelt
