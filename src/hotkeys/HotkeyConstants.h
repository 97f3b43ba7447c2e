#pragma once
// Names of the hotkey subsystem: the notifications it posts on the default
// centre.

namespace frelt {

namespace HotkeyNotifications {
// Posted by the keyboard layout; nothing in the program observes them.
inline constexpr const char* keyTranslatorSelectedKeyboardInputSourceChanged =
    "KeyTranslatorSelectedKeyboardInputSourceChanged";
inline constexpr const char* keyTranslatorSelectedKeyboardKeyCodesChanged =
    "KeyTranslatorSelectedKeyboardKeyCodesChanged";
inline constexpr const char* keyTranslatorEnabledKeyboardInputSourcesChanged =
    "KeyTranslatorEnabledKeyboardInputSourcesChanged";
}  // namespace HotkeyNotifications

}  // namespace frelt
