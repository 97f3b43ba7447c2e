#!/usr/bin/env bash
# The sidebar as a person uses it, on a private X server with a real window
# manager: the program starts with entries under nested tags (three levels
# under Work), the hotkey shows the window with every category and the tag
# tree open, a click on a tag filters the entry table to that tag's entries,
# and a right click on a tag opens its popup. Pictures go to OUT_DIR (make
# screenshots copies them into docs/screenshots/).
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   sidebar-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

# A picture of the main window alone, or of the whole screen.
picture() { "$tools/frelt_screenshot" "$1" ${2:+"$2"}; }

# The sidebar's rows at the medium size: each row takes 28 points with the
# spacing, a header 25; the outline begins below the 52-point search strip.
# The rows: Categories, Applications, Files, URLs, Recent
# Applications, Active Applications, Favorites, Tags, Home/, Garden,
# Recipes, Travel, Work, Mail, Projects, Frelt.
row_y() {  # row_y HEADERS_ABOVE ENTRIES_ABOVE: the middle of the next entry row
    echo $((52 + $1 * 25 + $2 * 28 + 14))
}
# Clicks (button $1) in the main window at x $2, y $3.
click_in_window() {
    local id
    id=$(main_window)
    xdotool mousemove --window "$id" "$2" "$3" click "$1"
}

"$tools/frelt_make_configuration" 40 window debug sidebar >/dev/null || { echo "FAILED: configuration"; exit 1; }

FRELT_REPORT_READY=1 "$frelt" >"$root/frelt.log" 2>&1 &
program=$!
check "the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"

xdotool key ctrl+alt+space
check "the hotkey shows the main window" within main_window_shown
check "the sidebar holds the nested tag" within logged "Created a SourcelistItem as Tag for Work|Projects|Frelt" "$root/frelt.log"
sleep 0.3  # the first picture settles
picture "$out/sidebar.png" "$(main_window)"

# A click on the tag three levels deep: the table shows its entries.
click_in_window 1 100 "$(row_y 2 13)"
check "a click on a tag filters the entry table" \
    within logged ".tag with searchString: Work|Projects|Frelt" "$root/frelt.log"
sleep 0.3
picture "$out/sidebar-tag-selected.png" "$(main_window)"

# A right click on another tag opens its popup beside the row.
click_in_window 3 100 "$(row_y 2 9)"
check "a right click on a tag opens its popup" within logged "Show context-menu for: " "$root/frelt.log"
sleep 0.3
picture "$out/sidebar-tag-popup.png"
# Openbox composites nothing, so the popover's clear corners and the room
# beside its arrow would show black: the window must be cut to its shape.
popover_is_shaped() {
    local id main
    main=$(main_window)
    for id in $(xdotool search --onlyvisible --class frelt 2>/dev/null); do
        [ "$id" = "$main" ] && continue
        xwininfo -shape -id "$id" | grep -q "Window shape extents" && return 0
    done
    return 1
}
check "without a compositor the popover is cut to its shape" within popover_is_shaped
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
echo "sidebar: $passed passed, $failed failed"
[ $failed -eq 0 ]
