#pragma once
// System-wide hotkeys. A HotKey binds a key combination to an action under a
// unique identifier; the HotKeyCenter is the one registry of them. Ordinary
// combinations are registered with the desktop's hotkey service, whose
// pressed events run the matching hotkey; double taps of one modifier are
// recognised from flags-changed events by the centre's own double-tap
// detector. The centre refuses a second hotkey with an identifier or a
// combination it already holds.
//
// Everything here runs on the main thread: the service's events and the
// event monitors arrive there, and every hotkey of the program queues its
// action on the main queue, so an action never runs inside an event handler.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "hotkeys/ModifierEventHandler.h"
#include "platform/appkit/Object.h"
#include "platform/carbon/HotKeyService.h"
#include "platform/foundation/RawValue.h"
#include "platform/foundation/Subscription.h"

namespace frelt {

enum class HotKeyType { userDefinedKey, globalHotKey, tagKey, tagKeyLaunchAll, categoryKey };

inline constexpr platform::RawValueTable<HotKeyType, 5> hotKeyTypes{{{
    {HotKeyType::userDefinedKey, "userDefinedKey"},
    {HotKeyType::globalHotKey, "globalHotKey"},
    {HotKeyType::tagKey, "tagKey"},
    {HotKeyType::tagKeyLaunchAll, "tagKeyLaunchAll"},
    {HotKeyType::categoryKey, "categoryKey"},
}}};

inline const char* rawValue(HotKeyType type) { return hotKeyTypes.rawValue(type); }
inline std::optional<HotKeyType> hotKeyTypeFromRawValue(std::string_view raw) { return hotKeyTypes.fromRawValue(raw); }

class HotKey : public platform::Object {
    struct Private {};

public:
    using Ptr = std::shared_ptr<HotKey>;
    using Callback = std::function<void(const Ptr&)>;

    // main: the action is queued on the main queue; session: it runs at once,
    // inside the event's handling.
    enum class ActionQueue { main, session };

    // Null without a combination.
    static Ptr make(std::string identifier, KeyCombo::Ptr keyCombo, std::shared_ptr<platform::Object> target,
                    platform::Selector action, ActionQueue actionQueue);
    static Ptr make(std::string identifier, KeyCombo::Ptr keyCombo, ActionQueue actionQueue, Callback handler);

    HotKey(Private, std::string identifier, KeyCombo::Ptr keyCombo, Callback callback,
           std::shared_ptr<platform::Object> target, std::optional<platform::Selector> action,
           ActionQueue actionQueue);

    const std::string& identifier() const { return identifier_; }
    const KeyCombo::Ptr& keyCombo() const { return keyCombo_; }
    const Callback& callback() const { return callback_; }
    const std::shared_ptr<platform::Object>& target() const { return target_; }
    const std::optional<platform::Selector>& action() const { return action_; }
    ActionQueue actionQueue() const { return actionQueue_; }

    // Set by the registration: the kind, and what the action refers to (the
    // entry's path or the tag's name).
    std::optional<HotKeyType> hotkeyType;
    std::optional<std::string> hotkeyReferencedPath;

    // Pausing unregisters the hotkey; resuming registers it again (under a
    // new id). Setting the value it has does nothing.
    bool isPaused() const { return isPaused_; }
    void setPaused(bool paused);

    // The id and handle of the service registration; none while the hotkey
    // is not registered there (a double tap never is).
    const std::optional<std::uint32_t>& hotKeyId() const { return hotKeyId_; }
    const std::optional<platform::EventHotKeyRef>& hotKeyRef() const { return hotKeyRef_; }

    // The window system's time of the input that fired the hotkey last (0
    // when unknown): a window shown in answer carries it as its user time.
    std::uint32_t windowServerTime() const { return windowServerTime_; }

    // Runs the action: the callback, else the target's action with this
    // hotkey as sender when the target answers it.
    void invoke();
    // Through the process-wide centre.
    bool registerHotKey();
    void unregisterHotKey();

    // Same identifier, equal combination, same id and handle.
    bool isEqual(const HotKey& other) const;

private:
    friend class HotKeyCenter;

    const std::string identifier_;
    const KeyCombo::Ptr keyCombo_;
    const Callback callback_;
    const std::shared_ptr<platform::Object> target_;
    const std::optional<platform::Selector> action_;
    const ActionQueue actionQueue_;
    bool isPaused_ = false;
    std::optional<std::uint32_t> hotKeyId_;
    std::optional<platform::EventHotKeyRef> hotKeyRef_;
    std::uint32_t windowServerTime_ = 0;
};

class HotKeyCenter : public std::enable_shared_from_this<HotKeyCenter> {
    struct Private {};

public:
    // Why a registration failed, or that it did not.
    enum class Registration {
        registered,
        identifierTaken,
        keyComboTaken,
        // The mask does not fit the service's 32 bits (a stored value).
        invalidModifiers,
        // The service said no: another program holds the combination, or the
        // desktop has no global hotkeys.
        refusedByService,
    };

    // The signature of every registration with the service.
    static constexpr const char* signature = "Dudire";
    static constexpr double doubleTapInterval = 0.3;

    // Made on first use: installs its event handler with the hotkey service,
    // the flags-changed monitors and the termination observer.
    static std::shared_ptr<HotKeyCenter> shared();
    explicit HotKeyCenter(Private);
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // Every hotkey held, double taps included, by identifier.
    const std::map<std::string, HotKey::Ptr>& hotKeys() const { return hotKeys_; }
    // The id of the next service registration; it only grows.
    std::uint32_t hotKeyCount() const { return hotKeyCount_; }
    ModifierEventHandler& modifierEventHandler() { return modifierEventHandler_; }

    bool registerHotKey(const HotKey::Ptr& hotKey) { return tryRegister(hotKey) == Registration::registered; }
    Registration tryRegister(const HotKey::Ptr& hotKey);
    // Releases the hotkey's service registration and, when it is the very
    // object held under its identifier, removes it. A stale object of an
    // earlier round never takes its successor with it.
    void unregisterHotKey(const HotKey::Ptr& hotKey);
    // Answers whether a hotkey was held under the identifier.
    bool unregisterHotKey(const std::string& identifier);
    // Every hotkey of the kind; nothing for no kind.
    void unregisterHotKeys(std::optional<HotKeyType> type);
    void unregisterAll();

    bool isRegistered(const KeyCombo& keyCombo) const;
    // The first hotkey with an equal combination refers to `path` from now.
    bool updateReferencedPath(const KeyCombo& keyCombo, const std::string& path);

    // Told whenever the service refuses a hotkey (another program holds its
    // combination), at registration or when the keys are grabbed again; the
    // hotkey is no longer held then.
    using RefusalHandler = std::function<void(const HotKey::Ptr& hotKey, platform::HotKeyStatus why)>;
    void setRefusalHandler(RefusalHandler handler) { refusalHandler_ = std::move(handler); }

    // The keyboard layout now puts keys elsewhere (another layout, another
    // group): every registration with the service is made again where the
    // combination's key now is. Called on the layout's notification.
    void keyCodesChanged();

    // The service's event: a press of a registered combination.
    void sendCarbonEvent(const platform::HotKeyEvent& event);
    // The service refused a registration it had taken (the desktop did not
    // grant it after all, or the user withdrew it): as a refusal at
    // registration.
    void serviceRefused(platform::EventHotKeyRef ref, platform::HotKeyStatus why);
    // What the hotkey is for, for a service that shows it to the user.
    static platform::HotKeyLabel labelOf(const HotKey& hotKey);
    // The detector recognised a double tap of `modifier`.
    void modifierEventHandlerDoubleTapped(ModifierFlags modifier);
    void applicationWillTerminate() { unregisterAll(); }

private:
    void setUp();
    void observeModifierEvents();
    void handleFlagsChanged(const platform::Event& event);
    HotKey::Ptr heldWithEqualCombination(const KeyCombo& keyCombo) const;

    std::map<std::string, HotKey::Ptr> hotKeys_;
    std::uint32_t hotKeyCount_ = 0;
    ModifierEventHandler modifierEventHandler_;
    std::shared_ptr<platform::HotKeyService> service_;
    // The time of the flags-changed event being handled, for a double tap.
    std::uint32_t flagsEventTime_ = 0;
    std::vector<platform::Subscription> observations_;
    RefusalHandler refusalHandler_;
};

}  // namespace frelt
