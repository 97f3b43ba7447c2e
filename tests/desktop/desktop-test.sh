#!/usr/bin/env bash
# The whole program on a private X server with a real window manager, as a
# person meets it: it starts, its global hotkey (sent with xdotool) brings
# the main window up with the focus and takes it down again, a second start
# hands a file to the first and ends with 0; once without a tray and once
# with a tray host (a minimal StatusNotifierWatcher on the private session
# bus), whose click toggles the window too. Whatever brings the window up
# (the hotkey, a tray click, a start handing over a file or just started
# again) gives it the focus, also when the user last clicked in another
# program's window. Pictures of the shown window go to OUT_DIR for people to
# look at.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   desktop-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

"$tools/frelt_make_configuration" 200 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
echo "a file to hand over" >"$root/handed.txt"

# Another program's window in the top left corner, clear of the main window
# in the middle. Clicked, it holds the focus and is the user's last input as
# the window manager knows it: a window manager that prevents focus stealing
# then gives a window coming up the focus only for an input at least as
# recent.
xmessage -geometry 220x80+0+0 "another program" >/dev/null 2>&1 &
other_window() { xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -1; }
other_window_focused() { [ -n "$(other_window)" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$(other_window)" ]; }
within other_window_focused
click_other_window() {
    xdotool mousemove --window "$(other_window)" 110 20 click 1
    within other_window_focused
}

for tray in absent present; do
    echo "== tray $tray"
    watcher=""
    if [ $tray = present ]; then
        "$tools/frelt_sni_watcher" >"$root/watcher.log" 2>&1 &
        watcher=$!
        check "the tray host is up" within logged "watcher ready" "$root/watcher.log"
    fi
    FRELT_REPORT_READY=1 "$frelt" >"$root/frelt-$tray.log" 2>&1 &
    first=$!
    check "[$tray] the program starts and is ready" within logged "frelt: ready" "$root/frelt-$tray.log"
    if [ $tray = present ]; then
        check "[$tray] the tray item registered" within logged "registered" "$root/watcher.log"
    else
        check "[$tray] the log says once that there is no tray" \
            test "$(grep -c 'No tray on this desktop' "$root/frelt-$tray.log")" -eq 1
    fi

    xdotool key ctrl+alt+space
    check "[$tray] the hotkey shows the main window" within main_window_shown
    check "[$tray] the shown window has the focus" within main_window_focused
    # Mapped and focused is not yet painted: the picture waits for the paint.
    check "[$tray] the shown window is painted" within logged "frelt: main window painted" "$root/frelt-$tray.log"
    "$tools/frelt_screenshot" "$out/desktop-main-window-tray-$tray.png"
    xdotool key ctrl+alt+space
    check "[$tray] a second press hides it" within main_window_hidden

    check "[$tray] a click in another window takes the focus" click_other_window
    "$frelt" "$root/handed.txt" >"$root/second-$tray.log" 2>&1
    check "[$tray] a second start ends with 0" test $? -eq 0
    check "[$tray] the first instance shows the window for the handed file" within main_window_shown
    check "[$tray] the window shown for the handed file has the focus" within main_window_focused
    check "[$tray] the first instance is still running" kill -0 $first

    if [ $tray = present ]; then
        xdotool key ctrl+alt+space
        within main_window_hidden
        click_other_window
        kill -USR1 $watcher
        check "[$tray] a click on the tray item shows the window" within main_window_shown
        check "[$tray] the window shown by the tray has the focus" within main_window_focused
        kill -USR1 $watcher
        check "[$tray] a second click hides it" within main_window_hidden
        kill $watcher
    fi
    kill $first
    wait $first 2>/dev/null
    check "[$tray] a termination signal ends it with 0" test $? -eq 0
done
# Ended by a signal (the session ends), it quits as its Quit item does: the
# settings are saved and a versioned backup is written.
check "a termination signal quits with a backup" \
    test -n "$(ls "$XDG_DATA_HOME/frelt/Documents/Backup" 2>/dev/null)"

echo "== started with a file"
FRELT_REPORT_READY=1 "$frelt" "$root/handed.txt" >"$root/frelt-file.log" 2>&1 &
first=$!
check "[file] the program starts and is ready" within logged "frelt: ready" "$root/frelt-file.log"
check "[file] the main window shows for its own file argument" within main_window_shown
check "[file] with the focus" within main_window_focused
# Started again without files (from the desktop's menu, say: without a tray
# or a hotkey that is the way back to the window), the running one shows it.
xdotool key ctrl+alt+space
check "[file] the hotkey hides it" within main_window_hidden
click_other_window
"$frelt" >"$root/again.log" 2>&1
check "[file] a start without files ends with 0" test $? -eq 0
check "[file] and the running one shows its window" within main_window_shown
check "[file] and gives it the focus" within main_window_focused
kill $first
wait $first 2>/dev/null

# The popover: a frameless window that stays above the others, under the
# tray icon, or under the pointer where the tray tells no place (ours tells
# none), and it has the focus.
echo "== popover"
export HOME=$root/popover XDG_CONFIG_HOME=$root/popover/.config XDG_DATA_HOME=$root/popover/.local/share
"$tools/frelt_make_configuration" 20 popover debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
"$tools/frelt_sni_watcher" >"$root/watcher-popover.log" 2>&1 &
watcher=$!
within logged "watcher ready" "$root/watcher-popover.log"
FRELT_REPORT_READY=1 "$frelt" >"$root/frelt-popover.log" 2>&1 &
first=$!
check "[popover] the program starts and is ready" within logged "frelt: ready" "$root/frelt-popover.log"
popover_window() { xdotool search --onlyvisible --class '^frelt$' 2>/dev/null | head -1; }
# The popover's window lies under the pointer at (400, 300): across it, and
# with its top edge just below it.
popover_under_pointer() {
    local id
    id=$(popover_window)
    [ -n "$id" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$X" -le 400 ] && [ $((X + WIDTH)) -ge 400 ] && [ "$Y" -ge 290 ] && [ "$Y" -le 340 ]
}
popover_focused() { [ -n "$(popover_window)" ] && [ "$(xdotool getactivewindow)" = "$(popover_window)" ]; }
# Looked for afresh at every poll: the press reaches the program a moment
# after xdotool returns, so the window may still be up at the first look.
popover_hidden() { [ -z "$(popover_window)" ]; }
xdotool mousemove 400 300
xdotool key ctrl+alt+space
check "[popover] the hotkey shows the popover under the pointer" within popover_under_pointer
check "[popover] the popover has the focus" within popover_focused
check "[popover] the popover is painted" within logged "frelt: main window painted" "$root/frelt-popover.log"
"$tools/frelt_screenshot" "$out/desktop-popover.png"
xdotool key ctrl+alt+space
check "[popover] a second press hides it" within popover_hidden
kill $first $watcher
wait $first 2>/dev/null

echo "desktop: $passed passed, $failed failed"
[ $failed -eq 0 ]
