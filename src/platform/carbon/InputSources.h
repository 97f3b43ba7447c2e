#pragma once
// The desktop's keyboard input sources and key translation. An input source
// is one keyboard layout the user has enabled (on X11, an XKB layout group);
// one of them is current. Each source carries its key layout: what every
// virtual key code types with shift and option. The desktop's service is
// installed at start-up; without a display, and in tests, a headless service
// answers with a built-in US layout.
//
// The service tells about the user's switches and about changes of the
// enabled set through its own notification centre, on the main thread.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"

namespace platform {

// What a keyboard layout types: for each virtual key code from 0 to 127 and
// each of the four states of shift and option, the characters, or none where
// the layout cannot translate the code. Immutable once made, so any thread
// may read it.
class KeyLayout {
public:
    // The state bits of a translation: only these two count.
    static constexpr std::uint32_t shiftState = 2;
    static constexpr std::uint32_t optionState = 8;
    static constexpr std::size_t keyCodeCount = 128;

    // Indexed by state: none, shift, option, shift and option.
    using Row = std::array<std::optional<std::string>, 4>;
    using Rows = std::array<Row, keyCodeCount>;

    explicit KeyLayout(Rows rows) : rows_(std::move(rows)) {}

    // The characters `keyCode` types in `modifierState` (other bits are
    // ignored); none when the translation fails. An empty text is a result:
    // the key types nothing.
    std::optional<std::string> translate(std::uint16_t keyCode, std::uint32_t modifierState) const;

    static std::size_t stateIndex(std::uint32_t modifierState) {
        return ((modifierState & shiftState) ? 1 : 0) + ((modifierState & optionState) ? 2 : 0);
    }

    bool operator==(const KeyLayout& other) const { return rows_ == other.rows_; }

    // A US keyboard: letters, digits, punctuation and the keypad, shifted as
    // on a US keyboard; option types what the key types without it; every
    // other code types nothing.
    static std::shared_ptr<const KeyLayout> unitedStates();

private:
    Rows rows_;
};

// One input source as the desktop describes it. Absent properties are those
// the desktop does not report.
struct InputSourceProperties {
    std::optional<std::string> inputSourceID;
    std::optional<std::string> inputModeID;
    std::optional<bool> isASCIICapable;
    std::optional<bool> isEnableCapable;
    std::optional<bool> isSelectCapable;
    std::optional<bool> isEnabled;
    std::optional<bool> isSelected;
    std::optional<std::string> localizedName;
    // None for a source without a key layout (an input method).
    std::shared_ptr<const KeyLayout> keyLayoutData;
};

using InputSourceRef = std::shared_ptr<const InputSourceProperties>;

namespace inputsourcenotification {
// Posted on the service's centre, without object, on the main thread.
inline const std::string selectedKeyboardInputSourceChanged = "SelectedKeyboardInputSourceChanged";
inline const std::string enabledKeyboardInputSourcesChanged = "EnabledKeyboardInputSourcesChanged";
}  // namespace inputsourcenotification

class InputSourceService {
public:
    virtual ~InputSourceService() = default;

    // Never null.
    virtual InputSourceRef currentKeyboardLayoutInputSource() const = 0;
    virtual InputSourceRef currentASCIICapableKeyboardInputSource() const = 0;
    // The enabled sources in the desktop's order; none when the desktop
    // gives no list.
    virtual std::optional<std::vector<InputSourceRef>> enabledInputSources() const = 0;

    // Where the two notifications arrive.
    NotificationCenter& notificationCenter() { return center_; }

    // The installed service, else the headless one (reset with the other
    // single instances).
    static std::shared_ptr<InputSourceService> shared();
    static void setShared(std::shared_ptr<InputSourceService> service);

    // The built-in US source: id "us", named "English (US)".
    static InputSourceRef unitedStatesSource();

protected:
    // For implementations, on the main thread.
    void postSelectedChanged();
    void postEnabledChanged();

private:
    NotificationCenter center_;
};

// One US source, enabled and selected, unless a test says otherwise.
class HeadlessInputSourceService : public InputSourceService {
public:
    HeadlessInputSourceService();

    InputSourceRef currentKeyboardLayoutInputSource() const override { return current_; }
    InputSourceRef currentASCIICapableKeyboardInputSource() const override { return currentASCIICapable_; }
    std::optional<std::vector<InputSourceRef>> enabledInputSources() const override { return enabled_; }

    // The user switches sources: posts the selection change.
    void select(InputSourceRef keyboardLayout, InputSourceRef asciiCapable = nullptr);
    // The user enables or disables sources (none: the desktop gives no list):
    // posts the change of the enabled set.
    void setEnabledInputSources(std::optional<std::vector<InputSourceRef>> sources);

private:
    InputSourceRef current_;
    InputSourceRef currentASCIICapable_;
    std::optional<std::vector<InputSourceRef>> enabled_;
};

}  // namespace platform
