#include "hotkeys/KeyboardLayout.h"

#include "hotkeys/HotkeyConstants.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"

namespace frelt {

std::int64_t ModifierTransformer::carbonFlags(ModifierFlags cocoaFlags) const {
    return modifierflags::carbonModifiers(cocoaFlags, false);
}

InputSource::Ptr InputSource::make(platform::InputSourceRef source) {
    auto made = std::make_shared<InputSource>();
    if (!source) source = platform::InputSourceService::unitedStatesSource();
    made->id = source->inputSourceID.value_or(platform::text::uuidString());
    made->modeID = source->inputModeID;
    made->isASCIICapable = source->isASCIICapable.value_or(false);
    made->isEnableCapable = source->isEnableCapable.value_or(false);
    made->isSelectCapable = source->isSelectCapable.value_or(false);
    made->isEnabled = source->isEnabled.value_or(false);
    made->isSelected = source->isSelected.value_or(false);
    made->localizedName = source->localizedName;
    made->source = std::move(source);
    return made;
}

// ---- KeyboardLayout ---------------------------------------------------------------------------

KeyboardLayout::KeyboardLayout(std::shared_ptr<platform::InputSourceService> service,
                               platform::NotificationCenter& notificationCenter,
                               ModifierTransformer modifierTransformer)
    : service_(std::move(service)), notificationCenter_(notificationCenter), modifierTransformer_(modifierTransformer) {
    currentKeyboardLayoutInputSource_ = InputSource::make(service_->currentKeyboardLayoutInputSource());
    currentASCIICapableInputSource_ = InputSource::make(service_->currentASCIICapableKeyboardInputSource());
    fetchInputSources();
    mappingKeyCodes(currentKeyboardLayoutInputSource());
    auto& desktop = service_->notificationCenter();
    observations_.push_back(desktop.observe(platform::inputsourcenotification::selectedKeyboardInputSourceChanged,
                                            nullptr, [this](const auto&) { selectedKeyboardInputSourceChanged(); }));
    observations_.push_back(desktop.observe(platform::inputsourcenotification::enabledKeyboardInputSourcesChanged,
                                            nullptr, [this](const auto&) { enabledKeyboardInputSourcesChanged(); }));
}

InputSource::Ptr KeyboardLayout::currentKeyboardLayoutInputSource() const {
    std::lock_guard lock(m_);
    return currentKeyboardLayoutInputSource_;
}

InputSource::Ptr KeyboardLayout::currentASCIICapableInputSource() const {
    std::lock_guard lock(m_);
    return currentASCIICapableInputSource_;
}

std::vector<InputSource::Ptr> KeyboardLayout::inputSources() const {
    std::lock_guard lock(m_);
    return inputSources_;
}

std::map<InputSource::Identity, KeyCodeMap> KeyboardLayout::mappedKeyCodes() const {
    std::lock_guard lock(m_);
    return mappedKeyCodes_;
}

std::optional<KeyCodeMap> KeyboardLayout::keyCodes(const InputSource& source) const {
    std::lock_guard lock(m_);
    const auto found = mappedKeyCodes_.find(source.identity());
    if (found == mappedKeyCodes_.end()) return std::nullopt;
    return found->second;
}

void KeyboardLayout::fetchInputSources() {
    const auto listed = service_->enabledInputSources();
    if (!listed) return;
    std::vector<InputSource::Ptr> sources;
    for (const auto& source : *listed) sources.push_back(InputSource::make(source));
    {
        std::lock_guard lock(m_);
        inputSources_ = sources;
    }
    for (const auto& source : sources) mappingKeyCodes(source);
}

KeyCodeMap KeyboardLayout::buildMap(const platform::KeyLayout& layoutData) {
    KeyCodeMap map;
    for (std::uint16_t code = 0; code < platform::KeyLayout::keyCodeCount; ++code) {
        std::optional<std::string> characters;
        if (const auto special = specialKeyFromKeyCode(code)) characters = std::string(frelt::character(*special));
        else characters = layoutData.translate(code, 0);
        if (!characters) continue;
        const auto key = keyFromCharacter(*characters, code);
        // The lowest code that types a key's character keeps it.
        if (!key || map.count(*key)) continue;
        map.emplace(*key, code);
    }
    return map;
}

void KeyboardLayout::mappingKeyCodes(const InputSource::Ptr& source) {
    if (!source || !source->source || !source->source->keyLayoutData) return;
    KeyCodeMap map = buildMap(*source->source->keyLayoutData);
    std::lock_guard lock(m_);
    mappedKeyCodes_[source->identity()] = std::move(map);
}

std::optional<Key> KeyboardLayout::key(std::uint32_t keyCode, const InputSource& source) const {
    std::lock_guard lock(m_);
    const auto found = mappedKeyCodes_.find(source.identity());
    if (found == mappedKeyCodes_.end()) return std::nullopt;
    for (const auto& [key, code] : found->second)
        if (code == keyCode) return key;
    return std::nullopt;
}

std::optional<std::uint16_t> KeyboardLayout::keyCode(Key key, const InputSource& source) const {
    std::lock_guard lock(m_);
    const auto found = mappedKeyCodes_.find(source.identity());
    if (found == mappedKeyCodes_.end()) return std::nullopt;
    const auto entry = found->second.find(key);
    if (entry == found->second.end()) return std::nullopt;
    return entry->second;
}

std::optional<std::string> KeyboardLayout::character(const InputSource& source, std::uint16_t keyCode,
                                                     std::int64_t carbonModifiers) const {
    return character(source.source ? source.source->keyLayoutData.get() : nullptr, keyCode, carbonModifiers);
}

std::optional<std::string> KeyboardLayout::character(const platform::KeyLayout* layoutData, std::uint16_t keyCode,
                                                     std::int64_t carbonModifiers) {
    if (!layoutData) return std::nullopt;
    if (const auto special = specialKeyFromKeyCode(keyCode)) return std::string(frelt::character(*special));
    // Only shift and option change what a key types.
    const auto state =
        static_cast<std::uint32_t>((carbonModifiers & (carbonmodifiers::shift | carbonmodifiers::option)) >> 8);
    return layoutData->translate(keyCode, state);
}

void KeyboardLayout::selectedKeyboardInputSourceChanged() {
    platform::assertMainThread("KeyboardLayout::selectedKeyboardInputSourceChanged");
    const auto current = InputSource::make(service_->currentKeyboardLayoutInputSource());
    const auto asciiCapable = InputSource::make(service_->currentASCIICapableKeyboardInputSource());
    InputSource::Ptr previous;
    bool mapped = false;
    {
        std::lock_guard lock(m_);
        currentASCIICapableInputSource_ = asciiCapable;
        if (*current == *currentKeyboardLayoutInputSource_) return;
        previous = std::exchange(currentKeyboardLayoutInputSource_, current);
        mapped = mappedKeyCodes_.count(current->identity()) != 0;
    }
    if (!mapped) mappingKeyCodes(current);
    notificationCenter_.post(HotkeyNotifications::keyTranslatorSelectedKeyboardInputSourceChanged);
    const auto before = keyCodes(*previous);
    const auto after = keyCodes(*current);
    if (before && after && *before != *after)
        notificationCenter_.post(HotkeyNotifications::keyTranslatorSelectedKeyboardKeyCodesChanged);
}

void KeyboardLayout::enabledKeyboardInputSourcesChanged() {
    platform::assertMainThread("KeyboardLayout::enabledKeyboardInputSourcesChanged");
    {
        std::lock_guard lock(m_);
        mappedKeyCodes_.clear();
    }
    fetchInputSources();
    mappingKeyCodes(currentKeyboardLayoutInputSource());
    notificationCenter_.post(HotkeyNotifications::keyTranslatorEnabledKeyboardInputSourcesChanged);
}

// ---- KeyTranslator ----------------------------------------------------------------------------

std::shared_ptr<KeyTranslator> KeyTranslator::shared() {
    return platform::singleInstance<KeyTranslator>([] { return std::make_shared<KeyTranslator>(Private{}); });
}

KeyTranslator::KeyTranslator(Private)
    : layout_(std::make_unique<KeyboardLayout>(platform::InputSourceService::shared(),
                                               platform::NotificationCenter::defaultCenter(), ModifierTransformer())) {}

std::optional<std::uint16_t> KeyTranslator::keyCode(Key key) const {
    return layout_->keyCode(key, *layout_->currentKeyboardLayoutInputSource());
}

std::optional<Key> KeyTranslator::currentKey(std::uint16_t keyCode) const {
    return layout_->key(keyCode, *layout_->currentKeyboardLayoutInputSource());
}

std::optional<std::string> KeyTranslator::character(std::uint16_t keyCode, std::int64_t carbonModifiers) const {
    if (auto characters = currentCharacter(keyCode, carbonModifiers)) return characters;
    return currentASCIICapableCharacter(keyCode, carbonModifiers);
}

std::uint16_t KeyTranslator::keyCodeWithFallback(Key key) const { return keyCode(key).value_or(QWERTYKeyCode(key)); }

std::optional<Key> KeyTranslator::key(std::uint16_t keyCode) const {
    if (auto key = currentKey(keyCode)) return key;
    return keyFromQWERTYKeyCode(keyCode);
}

std::optional<Key> KeyTranslator::key(const InputSource& source, std::uint16_t keyCode) const {
    return layout_->key(keyCode, source);
}

std::optional<std::uint16_t> KeyTranslator::keyCode(const InputSource& source, Key key) const {
    return layout_->keyCode(key, source);
}

std::optional<KeyCodeMap> KeyTranslator::keyCodes(const InputSource& source) const { return layout_->keyCodes(source); }

std::optional<KeyCodeMap> KeyTranslator::currentKeyCodes() const {
    return layout_->keyCodes(*layout_->currentKeyboardLayoutInputSource());
}

std::vector<InputSource::Ptr> KeyTranslator::currentInputSources() const { return layout_->inputSources(); }

std::optional<std::string> KeyTranslator::currentCharacter(std::uint16_t keyCode, std::int64_t carbonModifiers) const {
    return layout_->character(*layout_->currentKeyboardLayoutInputSource(), keyCode, carbonModifiers);
}

std::optional<std::string> KeyTranslator::currentASCIICapableCharacter(std::uint16_t keyCode,
                                                                       std::int64_t carbonModifiers) const {
    return layout_->character(*layout_->currentASCIICapableInputSource(), keyCode, carbonModifiers);
}

std::optional<std::string> KeyTranslator::character(const InputSource& source, std::uint16_t keyCode,
                                                    std::int64_t carbonModifiers) const {
    return layout_->character(source, keyCode, carbonModifiers);
}

std::optional<std::string> KeyTranslator::characterWithCocoaModifiers(std::uint16_t keyCode, ModifierFlags cocoaModifiers) const {
    return character(keyCode, modifierTransformar_.carbonFlags(cocoaModifiers));
}

std::optional<std::string> KeyTranslator::currentCharacterWithCocoaModifiers(std::uint16_t keyCode, ModifierFlags cocoaModifiers) const {
    return currentCharacter(keyCode, modifierTransformar_.carbonFlags(cocoaModifiers));
}

std::optional<std::string> KeyTranslator::currentASCIICapableCharacterWithCocoaModifiers(std::uint16_t keyCode,
                                                                                         ModifierFlags cocoaModifiers) const {
    return currentASCIICapableCharacter(keyCode, modifierTransformar_.carbonFlags(cocoaModifiers));
}

std::optional<std::string> KeyTranslator::characterWithCocoaModifiers(const InputSource& source, std::uint16_t keyCode,
                                                                      ModifierFlags cocoaModifiers) const {
    return character(source, keyCode, modifierTransformar_.carbonFlags(cocoaModifiers));
}

}  // namespace frelt
