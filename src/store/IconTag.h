#pragma once
// A tag: the name that entries carry in their tag lists, plus what the user
// attached to it (icon, colour, two hotkeys) and three fields the data store
// recomputes at every rebuild (used, visible, number of visible entries).
//
// Tag names form a tree: "|" separates the levels, so "a|b" is the tag "b"
// under "a". Names entering the program pass through normalizedTagString();
// lookups by name (hasTagName) are exact: case-sensitive, with canonically
// equivalent texts counting as equal.
//
// Setters of tagName, tagSymbol, hotkey, hotkeyLaunchAll, color and tagVisible
// post "iconTagChanged" synchronously on the calling thread, only on a real
// change and after the value is stored; the object is a
// std::shared_ptr<IconTagChangedNotifyObject> carrying the name as it is now.
// A tag has no lock of its own: whoever holds it writes it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/KeyValueCoding.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Color.h"
#include "store/ChangeNotifications.h"

namespace frelt {

// The level separator of tag names.
inline constexpr char tagLevelSeparator = '|';

// Trims white space and newlines around the whole name (a name without "|")
// or around each level; levels that are empty as split ("|a||b|") are
// dropped, a level made only of blanks ("a| |b") stays as an empty level.
// An empty text stays empty.
std::string normalizedTagString(std::string_view name);

// The levels of a tag name, split at every "|", empty ones included.
std::vector<std::string_view> tagNameLevels(std::string_view name);

// True when `name` is `parent` itself or lies below it in the tag tree:
// every level of the parent equals the name's level at the same position.
// Nothing is a sub-tag of the empty name, and the empty name of nothing.
bool tagNameIsSubTagOf(std::string_view name, std::string_view parent);

class iconTag : public platform::Coding,
                public platform::KeyValueCoding,
                public std::enable_shared_from_this<iconTag> {
protected:
    // Tags are made only through the factories (this class's and its
    // subclasses').
    struct Private {
        explicit Private() = default;
    };

public:
    using Ptr = std::shared_ptr<iconTag>;

    // Archive keys.
    static constexpr const char* keyNameTagName = "tagName";
    static constexpr const char* keyNameTagSymbol = "tagSymbol";
    static constexpr const char* keyNameHotkey = "hotkey";
    static constexpr const char* keyNameHotkeyLaunchAll = "hotkeyLaunchAll";
    static constexpr const char* keyNameColor = "color";

    // Keyed-archive class name; the runtime form "_TtC5frelt7iconTag" that
    // export files carry decodes to the same class.
    static constexpr const char* archiveClassName = "frelt.iconTag";

    // A tag named normalizedTagString(name) with `symbol` taken as it is
    // (also one that is no icon name). Posts nothing.
    static Ptr initWithNewName(std::string_view name, std::string symbol);
    // From a keyed archive record; null when "tagName" or "tagSymbol" is
    // missing, not a text or empty. The name is taken as stored. A colour or
    // hotkey of the wrong kind reads as unset. Posts nothing.
    static Ptr initWithCoder(platform::KeyedUnarchiver& coder);
    // Makes archives find the decoder; runs on its own when linked in.
    static void registerCoding();

    explicit iconTag(Private) {}
    iconTag(const iconTag&) = delete;
    iconTag& operator=(const iconTag&) = delete;
    ~iconTag() override = default;

    // --- Stored fields ---------------------------------------------------------
    const std::string& tagName() const { return tagName_; }
    void setTagName(const std::string& name);  // posts nameChanged

    const std::string& tagSymbol() const { return tagSymbol_; }
    void setTagSymbol(const std::string& symbol);  // posts symbolChanged

    // Null when unset.
    const KeyCombo::Ptr& hotkey() const { return hotkey_; }
    void setHotkey(const KeyCombo::Ptr& hotkey);  // posts hotkeyChanged

    const KeyCombo::Ptr& hotkeyLaunchAll() const { return hotkeyLaunchAll_; }
    void setHotkeyLaunchAll(const KeyCombo::Ptr& hotkey);  // posts hotkeyChanged

    const std::optional<platform::Color>& color() const { return color_; }
    void setColor(const std::optional<platform::Color>& color);  // posts colorChanged

    // Derived by the data store at every rebuild; never archived.
    bool tagVisible() const { return tagVisible_; }
    void setTagVisible(bool visible);  // posts visibilityChanged
    bool tagUsed() const { return tagUsed_; }
    void setTagUsed(bool used) { tagUsed_ = used; }
    std::int64_t tagUseCounter() const { return tagUseCounter_; }
    void setTagUseCounter(std::int64_t counter) { tagUseCounter_ = counter; }

    // --- Derived -------------------------------------------------------------------
    // Whether the stored tag list keeps this tag: it has a symbol, a colour
    // or a hotkey.
    bool shouldSavedToConfig() const;
    bool isSubTagOf(const std::string& parent) const { return tagNameIsSubTagOf(tagName_, parent); }
    // The exact-name match every lookup of a tag by name uses.
    bool hasTagName(std::string_view name) const;

    // --- Change notification ---------------------------------------------------------
    // Posts "iconTagChanged" with the current name and `reason`.
    virtual void postTagChanged(IconTagChangeReason reason) const;

    // --- Archiving and key-value access ----------------------------------------------
    std::string className() const override { return archiveClassName; }
    // Writes "tagName", "tagSymbol", then "color", "hotkey" and
    // "hotkeyLaunchAll" where set; unset ones are left out.
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    // tagName, tagSymbol, tagVisible, tagUsed, tagUseCounter and
    // shouldSavedToConfig; color, hotkey and hotkeyLaunchAll answer null
    // when unset and true when set.
    std::optional<platform::Value> valueForKey(const std::string& key) const override;
    // How a tag shows in log messages: its name.
    std::string description() const { return tagName_; }

protected:
    // What initWithNewName sets, for the factories of subclasses too.
    void setUpNew(std::string_view name, std::string symbol);

private:
    std::string tagName_;
    std::string tagSymbol_;
    KeyCombo::Ptr hotkey_;
    KeyCombo::Ptr hotkeyLaunchAll_;
    std::optional<platform::Color> color_;
    bool tagVisible_ = false;
    bool tagUsed_ = false;
    std::int64_t tagUseCounter_ = 0;
};

// The predicate of lookups by name: usable with SynchronizedArray::firstWhere
// and friends. Null tags never match.
inline auto hasTagName(std::string name) {
    return [name = std::move(name)](const iconTag::Ptr& tag) { return tag && tag->hasTagName(name); };
}

// The registry's snapshot of a visible tag, kept from one rebuild to the
// next to see what changed. Writing its fields never posts; it is never
// archived or shown.
class iconTagForBackup : public iconTag {
public:
    using Ptr = std::shared_ptr<iconTagForBackup>;

    static Ptr initWithNewName(std::string_view name, std::string symbol);

    explicit iconTagForBackup(Private p) : iconTag(p) {}

    void postTagChanged(IconTagChangeReason) const override {}
};

}  // namespace frelt
