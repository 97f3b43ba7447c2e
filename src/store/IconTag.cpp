#include "store/IconTag.h"
#include "store/TagManager.h"

#include <any>
#include <utility>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "store/StoreConstants.h"

namespace frelt {
namespace {

bool sameColor(const std::optional<platform::Color>& a, const std::optional<platform::Color>& b) {
    if (!a || !b) return !a && !b;
    return *a == *b;
}

}  // namespace

std::vector<std::string_view> tagNameLevels(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = name.find(tagLevelSeparator, start);
        if (at == std::string_view::npos) {
            parts.push_back(name.substr(start));
            return parts;
        }
        parts.push_back(name.substr(start, at - start));
        start = at + 1;
    }
}

std::string normalizedTagString(std::string_view name) {
    if (name.empty()) return std::string();
    if (name.find(tagLevelSeparator) == std::string_view::npos) {
        return platform::text::trimmingWhitespaceAndNewlines(name);
    }

    std::string out;
    bool first = true;
    for (const std::string_view part : tagNameLevels(name)) {
        // Only parts that are empty as split go; a blank part becomes an
        // empty level.
        if (part.empty()) continue;
        if (!first) out += tagLevelSeparator;
        first = false;
        out += platform::text::trimmingWhitespaceAndNewlines(part);
    }
    return out;
}

bool tagNameIsSubTagOf(std::string_view name, std::string_view parent) {
    if (name.empty() || parent.empty()) return false;
    if (platform::text::canonicallyEqual(name, parent)) return true;
    const auto nameLevels = tagNameLevels(name);
    const auto parentLevels = tagNameLevels(parent);
    if (parentLevels.size() > nameLevels.size()) return false;
    for (std::size_t i = 0; i < parentLevels.size(); ++i) {
        if (!platform::text::canonicallyEqual(parentLevels[i], nameLevels[i])) return false;
    }
    return true;
}

// ---- Making -----------------------------------------------------------------------

void iconTag::setUpNew(std::string_view name, std::string symbol) {
    tagName_ = normalizedTagString(name);
    tagSymbol_ = std::move(symbol);
    tagVisible_ = false;
    tagUsed_ = false;
}

iconTag::Ptr iconTag::initWithNewName(std::string_view name, std::string symbol) {
    auto tag = std::make_shared<iconTag>(Private{});
    tag->setUpNew(name, std::move(symbol));
    return tag;
}

iconTagForBackup::Ptr iconTagForBackup::initWithNewName(std::string_view name, std::string symbol) {
    auto tag = std::make_shared<iconTagForBackup>(Private{});
    tag->setUpNew(name, std::move(symbol));
    return tag;
}

// ---- Fields -----------------------------------------------------------------------

void iconTag::setTagName(const std::string& name) {
    const bool changed = !platform::text::canonicallyEqual(tagName_, name);
    tagName_ = name;
    if (changed) postTagChanged(IconTagChangeReason::nameChanged);
}

void iconTag::setTagSymbol(const std::string& symbol) {
    const bool changed = !platform::text::canonicallyEqual(tagSymbol_, symbol);
    tagSymbol_ = symbol;
    if (changed) postTagChanged(IconTagChangeReason::symbolChanged);
}

void iconTag::setHotkey(const KeyCombo::Ptr& hotkey) {
    const bool changed = !sameKeyCombo(hotkey_, hotkey);
    hotkey_ = hotkey;
    if (changed) postTagChanged(IconTagChangeReason::hotkeyChanged);
}

void iconTag::setHotkeyLaunchAll(const KeyCombo::Ptr& hotkey) {
    const bool changed = !sameKeyCombo(hotkeyLaunchAll_, hotkey);
    hotkeyLaunchAll_ = hotkey;
    if (changed) postTagChanged(IconTagChangeReason::hotkeyChanged);
}

void iconTag::setColor(const std::optional<platform::Color>& color) {
    const bool changed = !sameColor(color_, color);
    color_ = color;
    if (changed) postTagChanged(IconTagChangeReason::colorChanged);
}

void iconTag::setTagVisible(bool visible) {
    const bool changed = tagVisible_ != visible;
    tagVisible_ = visible;
    if (changed) postTagChanged(IconTagChangeReason::visibilityChanged);
}

bool iconTag::shouldSavedToConfig() const {
    return !tagSymbol_.empty() || color_.has_value() || hotkey_ != nullptr || hotkeyLaunchAll_ != nullptr;
}

bool iconTag::hasTagName(std::string_view name) const { return platform::text::canonicallyEqual(tagName_, name); }

void iconTag::postTagChanged(IconTagChangeReason reason) const {
    auto payload = std::make_shared<IconTagChangedNotifyObject>(IconTagChangedNotifyObject{tagName_, reason});
    platform::NotificationCenter::defaultCenter().post(Notifications::iconTagChanged, std::any(std::move(payload)));
}

// ---- Archiving ----------------------------------------------------------------------

void iconTag::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(platform::ArchiveObject(tagName_), keyNameTagName);
    coder.encodeObject(platform::ArchiveObject(tagSymbol_), keyNameTagSymbol);
    // Unset optionals are left out rather than written as null references,
    // so older readers see the key as absent.
    if (color_) coder.encodeObject(platform::ArchiveObject(std::make_shared<platform::Color>(*color_)), keyNameColor);
    if (hotkey_) coder.encodeObject(platform::ArchiveObject(hotkey_), keyNameHotkey);
    if (hotkeyLaunchAll_) coder.encodeObject(platform::ArchiveObject(hotkeyLaunchAll_), keyNameHotkeyLaunchAll);
}

iconTag::Ptr iconTag::initWithCoder(platform::KeyedUnarchiver& coder) {
    const auto name = coder.decodeString(keyNameTagName);
    const auto symbol = coder.decodeString(keyNameTagSymbol);
    if (!name || name->empty()) return nullptr;

    auto tag = std::make_shared<iconTag>(Private{});
    // Stored names are taken as they are: they were normalised when made.
    tag->tagName_ = *name;
    // A tag saved without a symbol keeps its colour and hotkeys and gets the
    // default symbol, as a tag with an unknown symbol does on loading.
    tag->tagSymbol_ = symbol && !symbol->empty() ? *symbol : std::string(TagManager::defaultTag);
    tag->hotkey_ = coder.decodeObjectOfClass<KeyCombo>(keyNameHotkey);
    tag->hotkeyLaunchAll_ = coder.decodeObjectOfClass<KeyCombo>(keyNameHotkeyLaunchAll);
    if (const auto color = coder.decodeObjectOfClass<platform::Color>(keyNameColor)) tag->color_ = *color;
    return tag;
}

void iconTag::registerCoding() {
    // Archives of tags hold key combinations and colours: make sure those
    // decode too, whichever file the linker pulled in first.
    KeyCombo::registerCoding();
    platform::Color::registerCoding();
    platform::CodingRegistry::registerClass(archiveClassName, &iconTag::initWithCoder);
}

namespace {
// Stored tag lists may be read before anything else touches this class.
const bool codingRegistered = (iconTag::registerCoding(), true);
}  // namespace

std::optional<platform::Value> iconTag::valueForKey(const std::string& key) const {
    using platform::Value;
    if (key == "tagName") return Value(tagName_);
    if (key == "tagSymbol") return Value(tagSymbol_);
    if (key == "tagVisible") return Value(tagVisible_);
    if (key == "tagUsed") return Value(tagUsed_);
    if (key == "tagUseCounter") return Value(static_cast<std::int64_t>(tagUseCounter_));
    if (key == "shouldSavedToConfig") return Value(shouldSavedToConfig());
    if (key == "color") return color_ ? Value(true) : Value();
    if (key == "hotkey") return hotkey_ ? Value(true) : Value();
    if (key == "hotkeyLaunchAll") return hotkeyLaunchAll_ ? Value(true) : Value();
    return std::nullopt;
}

}  // namespace frelt
