#!/usr/bin/env bash
# The settings window as a person meets it: a new user (every sidebar
# category shown, as on a first start) opens it from the tray's menu, looks
# through the General, Appearance and Advanced tabs, switches the URL
# category off and on again and records a hotkey for it, and closes the
# window; the new hotkey then brings up the main window at once, without a
# restart. Once the window closed, another client has the focus and a double
# tap of Ctrl (the global hotkey) reaches the program. Pictures of each tab
# go to OUT_DIR.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   settings-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

settings_window() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
settings_shown() { [ -n "$(settings_window)" ]; }
settings_hidden() { ! settings_shown; }
picture() { "$tools/frelt_screenshot" "$1" ${2:+"$2"}; }
# Clicks in the settings window's content at x $1, y $2.
click_in_settings() { xdotool mousemove --window "$(settings_window)" "$1" "$2" click 1; }
# The tab bar spans the window's width less 16 points each side, one equal
# segment per tab: General, Appearance, Granted Locations, URL Templates,
# Advanced, Search Scope.
tab_x() { echo $((16 + (768 * $1) / 6 + 64)); }
tab_y=20
# The Appearance pane sits below the 40-point tab bar; the URL category is
# its third row (rows 34 points apart from 50).
urls_row_y=$((40 + 50 + 2 * 34 + 13))

"$tools/frelt_make_configuration" 40 window debug doubletap >/dev/null || { echo "FAILED: configuration"; exit 1; }

start_with_tray

# The tray's menu: the settings item is the second, after the information.
open_tray_menu
xdotool key Down Down Return
check "the menu's settings item opens the settings window" within settings_shown
sleep 0.5
picture "$out/settings-general.png" "$(settings_window)"

click_in_settings "$(tab_x 1)" $tab_y
sleep 0.5
picture "$out/settings-appearance.png" "$(settings_window)"
click_in_settings 60 $urls_row_y
sleep 0.2
click_in_settings 60 $urls_row_y
click_in_settings 326 $urls_row_y
sleep 0.2
xdotool key ctrl+shift+u
sleep 0.3
picture "$out/settings-appearance-recorded.png" "$(settings_window)"

click_in_settings "$(tab_x 4)" $tab_y
sleep 0.5
picture "$out/settings-advanced.png" "$(settings_window)"
click_in_settings "$(tab_x 5)" $tab_y
sleep 0.5
picture "$out/settings-search-scope.png" "$(settings_window)"

# Through the window manager, as a person closes it.
xdotool key alt+F4
check "the window closes" within settings_hidden
check "closing saves the settings" within logged "saveConfig" "$root/frelt.log"
# The settings window had the focus and is gone: the program is no longer the
# active one once another client has the focus, and its double tap works.
xmessage -geometry 220x80+0+0 "another program" >/dev/null 2>&1 &
other_window() { xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -1; }
other_window_focused() { [ -n "$(other_window)" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$(other_window)" ]; }
# A click that comes before the window manager took the new window in gives
# it no focus: click again until it has it.
click_other_window() {
    [ -n "$(other_window)" ] || return 1
    other_window_focused && return 0
    xdotool mousemove --window "$(other_window)" 110 20 click 1
    sleep 0.2
    other_window_focused
}
check "another client takes the focus" within click_other_window
xdotool key ctrl ctrl
check "a double tap of Ctrl shows the main window" within main_window_shown
check "the shown window has the focus" within main_window_focused
xdotool key ctrl ctrl
check "a second double tap hides it" within main_window_hidden
xdotool key ctrl+shift+u
check "the new category hotkey shows the main window" within main_window_shown
check "on the URL category" within logged "Registered Hotkey: Shift+Ctrl+U -> categoryKey :: allURLs" "$root/frelt.log"
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
kill $watcher 2>/dev/null
echo "settings: $passed passed, $failed failed"
[ $failed -eq 0 ]
