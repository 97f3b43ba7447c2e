#!/usr/bin/env bash
# The whole program on a private X server with a real window manager, as a
# person meets it: it starts, its global hotkey (sent with xdotool) brings
# the main window up with the focus and takes it down again, a second start
# hands a file to the first and ends with 0; once without a tray and once
# with a tray host (a minimal StatusNotifierWatcher on the private session
# bus), whose click toggles the window too. Pictures of the shown window go
# to OUT_DIR for people to look at.
#
# ctest runs it under xvfb-run and dbus-run-session:
#   desktop-test.sh FRELT TOOLS_DIR OUT_DIR

set -u
frelt=$1
tools=$2
out=$3
mkdir -p "$out"

passed=0
failed=0
check() {  # check NAME COMMAND...
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $name"
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}
# Polls COMMAND until it succeeds or 10 seconds pass.
within() {
    local deadline=$((SECONDS + 10))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}
main_window_shown() { xdotool search --onlyvisible --name '^Frelt$' >/dev/null 2>&1; }
main_window_hidden() { ! main_window_shown; }
main_window_focused() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "Frelt" ]; }
logged() { grep -q "$1" "$2"; }

root=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$root"' EXIT
export HOME=$root/home XDG_CONFIG_HOME=$root/home/.config XDG_DATA_HOME=$root/home/.local/share
export XDG_CACHE_HOME=$root/home/.cache XDG_DATA_DIRS=$root/usr/share:/usr/share
mkdir -p "$HOME"
export QT_QPA_PLATFORM=xcb

openbox --sm-disable >"$root/openbox.log" 2>&1 &
within xdotool get_desktop >/dev/null 2>&1  # answered once an EWMH window manager runs
"$tools/frelt_make_configuration" 200 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
echo "a file to hand over" >"$root/handed.txt"

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
    "$tools/frelt_screenshot" "$out/desktop-main-window-tray-$tray.png"
    xdotool key ctrl+alt+space
    check "[$tray] a second press hides it" within main_window_hidden

    "$frelt" "$root/handed.txt" >"$root/second-$tray.log" 2>&1
    check "[$tray] a second start ends with 0" test $? -eq 0
    check "[$tray] the first instance shows the window for the handed file" within main_window_shown
    check "[$tray] the first instance is still running" kill -0 $first

    if [ $tray = present ]; then
        xdotool key ctrl+alt+space
        within main_window_hidden
        kill -USR1 $watcher
        check "[$tray] a click on the tray item shows the window" within main_window_shown
        kill -USR1 $watcher
        check "[$tray] a second click hides it" within main_window_hidden
        kill $watcher
    fi
    kill $first
    wait $first 2>/dev/null
done

echo "desktop: $passed passed, $failed failed"
[ $failed -eq 0 ]
