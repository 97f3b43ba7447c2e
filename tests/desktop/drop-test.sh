#!/usr/bin/env bash
# Files dragged in from another program, and the popover torn off, on a
# private X server with a real window manager. The drag comes from a small
# window that, like a file manager, takes the focus with the press that
# begins the drag (frelt_drag_source); xdotool carries it over the popover:
# - onto the search strip: the file waits there and goes to the next entry
#   opened (here the application "Drop Catcher", which writes down what it
#   was given);
# - onto the application's row: the application gets the file;
# - onto a tag's row in the sidebar: the file is added with that tag.
# Then the popover is dragged away from the tray by its search strip: it is
# torn off, stays when another window takes the focus, and the hotkey
# closes it; torn off again, a click on the tray item closes it. Last, the
# window style takes a drop on its search strip as the popover does.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   drop-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

mkdir -p "$XDG_DATA_HOME/applications"
# The application that takes the dropped files: it writes them down.
got=$root/catcher-got
: >"$got"
cat >"$root/catcher" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$got"
SCRIPT
chmod +x "$root/catcher"
cat >"$XDG_DATA_HOME/applications/frelt-drop-catcher.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Drop Catcher
Exec=$root/catcher %F
Terminal=false
ENTRY
dropped=$HOME/Documents/dropped-report.txt
mkdir -p "$(dirname "$dropped")"
echo "report" >"$dropped"

"$tools/frelt_make_configuration" 8 popover debug sidebar catcher >/dev/null || { echo "FAILED: configuration"; exit 1; }
start_with_tray

# The file manager's stand-in, away from where the popover opens.
"$tools/frelt_drag_source" "$dropped" 950 750 >"$root/source.log" 2>&1 &
check "the drag source is up" within logged "drag source ready" "$root/source.log"
source_window() { xdotool search --onlyvisible --name '^Drag Source$' 2>/dev/null | head -1; }
check "the drag source's window is mapped" within eval 'source_window >/dev/null'

popover_window() { xdotool search --onlyvisible --class '^frelt$' 2>/dev/null | head -1; }
popover_shown() { [ -n "$(popover_window)" ]; }
popover_hidden() { ! popover_shown; }
popover_focused() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) && [ "$id" = "$(popover_window)" ]
}
logged_times() { [ "$(grep -c "$1" "$2")" -ge "$3" ]; }
source_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(source_window)" ]; }
# The popover opens under the pointer (the tray tells no place), below it:
# its window begins with the arrow, PopoverWindow::arrowLength high.
arrow=9
show_popover() {
    xdotool mousemove 400 20
    xdotool key ctrl+alt+space
    check "$1: the hotkey shows the popover" within popover_shown
    check "$1: the popover has the focus" within popover_focused
    sleep 0.3
}
waits=0
# Drags the file from the source to (X, Y) of the popover's content: the
# press gives the source the focus, the pointer travels in steps, a pause
# over the target, the release drops.
drag_to_popover() {
    local id x y
    id=$(popover_window)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$((X + $1))
    y=$((Y + arrow + $2))
    xdotool mousemove --window "$(source_window)" 100 60
    sleep 0.2
    xdotool mousedown 1
    check "$3: the source starts its drag" within logged "drag started" "$root/source.log"
    check "$3: the source has the focus" within source_focused
    waits=$((waits + 1))
    check "$3: the program lost the focus and waits for the button" \
        within logged_times "waiting while a mouse button is held elsewhere" "$root/frelt.log" $waits
    sleep 0.5
    check "$3: the popover stays while the button is held" popover_shown
    local i
    for i in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((950 + (x - 950) * i / 8)) $((750 + (y - 750) * i / 8))
        sleep 0.1
    done
    xdotool mousemove "$x" "$y"
    sleep 0.5
    xdotool mouseup 1
    check "$3: the drag ends with a drop" within logged "drag ended [12]" "$root/source.log"
    : >"$root/source.log"
}

# The search strip, on the sidebar's side: the file waits in the popover,
# which comes back to the front, and goes to the entry opened next.
show_popover strip
drag_to_popover 100 30 strip
check "strip: the popover is still shown after the drop" popover_shown
check "strip: the popover has the focus again" within popover_focused
xdotool type --delay 60 "drop catcher"
sleep 0.5
xdotool key Return
check "strip: the next entry opened gets the dropped file" within logged "$dropped" "$got"
check "strip: opening the entry closes the popover" within popover_hidden

# The application's row: the application gets the file.
: >"$got"
show_popover row
xdotool type --delay 60 "drop catcher"
sleep 0.5
# The one row left, below the 52-point search strip, on the entries' side.
drag_to_popover 450 75 row
check "row: the application gets the dropped file" within logged "$dropped" "$got"
check "row: opening the entry closes the popover" within popover_hidden

# A tag's row in the sidebar (Travel: six categories, then Home, Garden,
# Recipes above it): the file becomes an entry with that tag.
show_popover tag
drag_to_popover 100 $((52 + 2 * 25 + 9 * 28 + 14)) tag
check "tag: the file is added" within logged "Access-Test for file://$dropped -> Access possible" "$root/frelt.log"
check "tag: the popover is still shown after the drop" popover_shown
xdotool key ctrl+alt+space
check "tag: the hotkey closes the popover" within popover_hidden

# Torn off by its search strip: it leaves the tray's place, keeps its
# size, and stays when another program takes the focus.
tear_off() {
    local id before_x before_y before_w before_h
    id=$(popover_window)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    before_x=$X before_y=$Y before_w=$WIDTH before_h=$HEIGHT
    xdotool mousemove --window "$id" 100 $((arrow + 30))
    sleep 0.2
    xdotool mousedown 1
    local i
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove_relative -- 15 20
        sleep 0.1
    done
    sleep 0.3
    xdotool mouseup 1
    check "$1: the popover detaches" within logged_times "popoverDidDetach" "$root/frelt.log" "$2"
    moved() {
        eval "$(xdotool getwindowgeometry --shell "$(popover_window)")"
        [ "$X" -gt "$before_x" ] && [ "$Y" -gt "$((before_y + 100))" ]
    }
    check "$1: the torn-off popover went with the pointer" within moved
    eval "$(xdotool getwindowgeometry --shell "$(popover_window)")"
    check "$1: it keeps its width" test "$WIDTH" -eq "$before_w"
    check "$1: it keeps its height, less the arrow" test "$HEIGHT" -eq $((before_h - arrow))
}
show_popover "tear-off"
tear_off "tear-off" 1
check "tear-off: it stays above other windows" \
    eval 'xprop -id "$(popover_window)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE'
xdotool windowactivate "$(source_window)"
check "tear-off: another window takes the focus" within source_focused
check "tear-off: the program sees a detached popover (state 4) at the focus loss" \
    within logged "applicationLostFocus - aborted because MainWindow is currently a detached Popover" "$root/frelt.log"
sleep 0.5
check "tear-off: it is still shown" popover_shown
xdotool key ctrl+alt+space
check "tear-off: the hotkey closes it" within popover_hidden

show_popover "tray"
tear_off "tray" 2
kill -USR1 $watcher
check "tray: a click on the tray item closes the torn-off popover" within popover_hidden

check "the program still runs" kill -0 $program
kill $program $watcher
wait $program 2>/dev/null

# The window style: the window stays for the drop just as the popover does.
"$tools/frelt_make_configuration" 8 window debug sidebar catcher >/dev/null || { echo "FAILED: configuration"; exit 1; }
: >"$root/frelt.log"
FRELT_REPORT_READY=1 "$frelt" >"$root/frelt.log" 2>&1 &
program=$!
within_seconds=30 check "window: the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"
popover_window() { main_window; }
# The window has no arrow above its content.
arrow=0
waits=0
: >"$got"
show_popover window
drag_to_popover 100 30 window
check "window: the window is still shown after the drop" popover_shown
check "window: the window has the focus again" within popover_focused
xdotool type --delay 60 "drop catcher"
sleep 0.5
xdotool key Return
check "window: the next entry opened gets the dropped file" within logged "$dropped" "$got"
check "the program still runs" kill -0 $program
kill $program
wait $program 2>/dev/null
echo "drop: $passed passed, $failed failed"
[ $failed -eq 0 ]
