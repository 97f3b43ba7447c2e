#pragma once
// The user's keyboard layouts. A hotkey names a key by its place on a US
// keyboard, but the user thinks in the characters printed on the keys: on a
// German layout the key that types "z" sits where a US keyboard has "y". For
// every enabled input source the layout keeps a map from Key to the key code
// that types the key's character there, follows the user's switches between
// sources, and tells which characters a key code types.
//
// The maps are built up front (every code of every enabled source once), so
// the look-ups of registration, recording and drawing are plain map reads.
// They change only when the desktop reports a switch or a change of the
// enabled sources, on the main thread; any thread may read them.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hotkeys/Key.h"
#include "hotkeys/KeyTranslating.h"
#include "hotkeys/ModifierFlags.h"
#include "platform/carbon/InputSources.h"
#include "platform/foundation/NotificationCenter.h"

namespace frelt {

// Event modifier flags to the hotkey service's mask.
class ModifierTransformer {
public:
    // Command 0x100, shift 0x200, option 0x800, control 0x1000; every other
    // flag is dropped.
    std::int64_t carbonFlags(ModifierFlags cocoaFlags) const;
};

// One input source of the desktop, with the properties read when it was
// made. Two objects for the same source are equal (same id, same mode), so a
// fresh one finds the map stored under an older one.
class InputSource {
public:
    using Ptr = std::shared_ptr<const InputSource>;
    // What equality compares: the id and the mode.
    using Identity = std::pair<std::string, std::optional<std::string>>;

    // A source without an id gets a fresh UUID as its id.
    static Ptr make(platform::InputSourceRef source);

    std::string id;
    std::optional<std::string> modeID;
    bool isASCIICapable = false;
    bool isEnableCapable = false;
    bool isSelectCapable = false;
    bool isEnabled = false;
    bool isSelected = false;
    std::optional<std::string> localizedName;
    platform::InputSourceRef source;

    Identity identity() const { return {id, modeID}; }
    bool operator==(const InputSource& other) const { return identity() == other.identity(); }
};

// A source's map: each key at the lowest code that types its character.
using KeyCodeMap = std::map<Key, std::uint16_t>;

class KeyboardLayout {
public:
    // Reads the current sources, maps every enabled source and the current
    // one, and observes the service's two notifications.
    KeyboardLayout(std::shared_ptr<platform::InputSourceService> service,
                   platform::NotificationCenter& notificationCenter, ModifierTransformer modifierTransformer);
    KeyboardLayout(const KeyboardLayout&) = delete;
    KeyboardLayout& operator=(const KeyboardLayout&) = delete;

    InputSource::Ptr currentKeyboardLayoutInputSource() const;
    InputSource::Ptr currentASCIICapableInputSource() const;
    // The enabled sources in the desktop's order.
    std::vector<InputSource::Ptr> inputSources() const;
    // Every map, by source identity.
    std::map<InputSource::Identity, KeyCodeMap> mappedKeyCodes() const;
    std::optional<KeyCodeMap> keyCodes(const InputSource& source) const;
    const ModifierTransformer& modifierTransformer() const { return modifierTransformer_; }

    // Replaces the enabled sources with the desktop's list and maps each;
    // keeps everything when the desktop gives no list.
    void fetchInputSources();
    // (Re)builds the source's map; a source without a key layout keeps
    // whatever map it had.
    void mappingKeyCodes(const InputSource::Ptr& source);

    // The key the code means in the source; none without a map or an entry.
    std::optional<Key> key(std::uint32_t keyCode, const InputSource& source) const;
    // The code of the key in the source; none without a map or an entry.
    std::optional<std::uint16_t> keyCode(Key key, const InputSource& source) const;
    // The characters the code types in the source with shift and option of
    // the mask (command and control do not count); a labelled key gives its
    // label whatever the modifiers. None when the source has no key layout
    // or the translation fails; an empty text is an answer.
    std::optional<std::string> character(const InputSource& source, std::uint16_t keyCode,
                                         std::int64_t carbonModifiers) const;
    static std::optional<std::string> character(const platform::KeyLayout* layoutData, std::uint16_t keyCode,
                                                std::int64_t carbonModifiers);

    // The desktop's notifications.
    void selectedKeyboardInputSourceChanged();
    void enabledKeyboardInputSourcesChanged();

private:
    static KeyCodeMap buildMap(const platform::KeyLayout& layoutData);

    const std::shared_ptr<platform::InputSourceService> service_;
    platform::NotificationCenter& notificationCenter_;
    const ModifierTransformer modifierTransformer_;

    // Guards the fields below: the handlers change them on the main thread,
    // while key combinations read them from any thread.
    mutable std::mutex m_;
    InputSource::Ptr currentKeyboardLayoutInputSource_;
    InputSource::Ptr currentASCIICapableInputSource_;
    std::map<InputSource::Identity, KeyCodeMap> mappedKeyCodes_;
    std::vector<InputSource::Ptr> inputSources_;

    // Last, so they end first.
    std::vector<platform::Subscription> observations_;
};

// The one facade the program reaches the layout through, made on first use.
// It is also the translator key combinations use (KeyTranslating).
class KeyTranslator : public KeyTranslating {
    struct Private {};

public:
    static std::shared_ptr<KeyTranslator> shared();
    explicit KeyTranslator(Private);

    KeyboardLayout& layout() { return *layout_; }
    const KeyboardLayout& layout() const { return *layout_; }
    const ModifierTransformer& modifierTransformar() const { return modifierTransformar_; }

    // --- KeyTranslating: the current source only, no fallback ------------------------
    std::optional<std::uint16_t> keyCode(Key key) const override;
    std::optional<Key> currentKey(std::uint16_t keyCode) const override;
    // The current source, else the current ASCII-capable one.
    std::optional<std::string> character(std::uint16_t keyCode, std::int64_t carbonModifiers) const override;

    // --- With the fixed US table as fallback -----------------------------------------
    std::uint16_t keyCodeWithFallback(Key key) const;
    std::optional<Key> key(std::uint16_t keyCode) const;

    // --- A given source ----------------------------------------------------------------
    std::optional<Key> key(const InputSource& source, std::uint16_t keyCode) const;
    std::optional<std::uint16_t> keyCode(const InputSource& source, Key key) const;
    std::optional<KeyCodeMap> keyCodes(const InputSource& source) const;
    std::optional<KeyCodeMap> currentKeyCodes() const;
    std::vector<InputSource::Ptr> currentInputSources() const;

    std::optional<std::string> currentCharacter(std::uint16_t keyCode, std::int64_t carbonModifiers) const;
    std::optional<std::string> currentASCIICapableCharacter(std::uint16_t keyCode, std::int64_t carbonModifiers) const;
    std::optional<std::string> character(const InputSource& source, std::uint16_t keyCode,
                                         std::int64_t carbonModifiers) const;

    // The same with event modifier flags.
    std::optional<std::string> characterWithCocoaModifiers(std::uint16_t keyCode, ModifierFlags cocoaModifiers) const;
    std::optional<std::string> currentCharacterWithCocoaModifiers(std::uint16_t keyCode, ModifierFlags cocoaModifiers) const;
    std::optional<std::string> currentASCIICapableCharacterWithCocoaModifiers(std::uint16_t keyCode, ModifierFlags cocoaModifiers) const;
    std::optional<std::string> characterWithCocoaModifiers(const InputSource& source, std::uint16_t keyCode,
                                                           ModifierFlags cocoaModifiers) const;

private:
    ModifierTransformer modifierTransformar_;
    std::unique_ptr<KeyboardLayout> layout_;
};

}  // namespace frelt
