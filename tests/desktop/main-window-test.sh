#!/usr/bin/env bash
# The main window as a person uses it, on a private X server with a real
# window manager: the program starts with 2,000 entries, its hotkey (sent
# with xdotool) shows the window, a query is typed, Return opens the entry
# it found (a small program registered as a desktop entry, which writes
# down that it ran), and the window goes. Pictures of the window before and
# after typing go to OUT_DIR (make screenshots copies them into
# docs/screenshots/).
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   main-window-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

# A picture of the main window alone (the whole screen when it cannot be told).
picture() {
    local id
    id=$(main_window)
    "$tools/frelt_screenshot" "$1" ${id:+"$id"}
}
# A picture of the window once it has settled: two pictures in a row are
# the same and, when UNLIKE is given, differ from that earlier picture.
settled_picture() {  # settled_picture OUT [UNLIKE]
    local out=$1 unlike=${2:-} previous=$root/previous.png
    local deadline=$((SECONDS + 10))
    picture "$previous"
    while :; do
        picture "$out"
        if cmp -s "$out" "$previous" && { [ -z "$unlike" ] || ! cmp -s "$out" "$unlike"; }; then
            return 0
        fi
        [ $SECONDS -ge $deadline ] && return 1
        cp "$out" "$previous"
    done
}

mkdir -p "$XDG_DATA_HOME/applications"

# The program the typed query finds: it writes down that it was opened.
ran=$root/recorder-ran
cat >"$root/recorder" <<SCRIPT
#!/bin/sh
echo "opened \$*" >>"$ran"
SCRIPT
chmod +x "$root/recorder"
cat >"$XDG_DATA_HOME/applications/frelt-test-recorder.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Quokka Recorder
Comment=Writes down that it was opened
Exec=$root/recorder %F
Terminal=false
ENTRY

"$tools/frelt_make_configuration" 2000 window >/dev/null || { echo "FAILED: configuration"; exit 1; }

FRELT_REPORT_READY=1 "$frelt" >"$root/frelt.log" 2>&1 &
program=$!
check "the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"

xdotool key ctrl+alt+space
check "the hotkey shows the main window" within main_window_shown
check "the shown window has the focus" within main_window_focused
# What the window manager made of the window's properties: a decoration
# without a title, and the window on every desktop.
check "the decoration shows no title" \
    test "$(xprop -id "$(main_window)" _NET_WM_NAME)" = '_NET_WM_NAME(UTF8_STRING) = " "'
on_desktop() { [ "$(xdotool get_desktop 2>/dev/null)" = "$1" ]; }
xdotool set_desktop 1
check "the window manager turns to another desktop" within on_desktop 1
check "that desktop shows the window too" main_window_shown
xdotool set_desktop 0
check "and back" within on_desktop 0
check "the window keeps the focus" within main_window_focused
check "the window settles for its picture" settled_picture "$out/main-window.png"

xdotool type --delay 60 "quokka"
check "the typed query changes the window" settled_picture "$out/main-window-search.png" "$out/main-window.png"
xdotool key Return
check "Return opens the entry found" within test -s "$ran"
check "opening the entry hides the window" within main_window_hidden
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
echo "main window: $passed passed, $failed failed"
[ $failed -eq 0 ]
