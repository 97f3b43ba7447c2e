#!/usr/bin/env bash
# The program as `make install-desktop` leaves it: installed into a scratch
# prefix (the Makefile's own install step, with PREFIX_BIN and PREFIX_SHARE),
# away from the source tree, it still shows its help texts. The About page,
# opened from the tray's menu, must show its text: a picture of the window
# must be well covered with ink.
#
# ctest runs it on a private X server (scripts/run-under-xvfb):
#   installed-test.sh FRELT TOOLS_DIR OUT_DIR SOURCE_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
source_dir=$4
. "$(dirname "$0")/desktop-common.sh"
if ! command -v make >/dev/null 2>&1; then
    echo "skipped: make is not installed"
    exit 77
fi

info_window() { window_with_role Information; }
info_shown() { [ -n "$(info_window)" ]; }

# The user's own prefix, as ~/.local is: its share folder is the user's
# data folder.
prefix=$root/home/.local
make --no-print-directory -s -C "$source_dir" install-files FRELT_BUILD="$(dirname "$frelt")" \
    PREFIX_BIN="$prefix/bin" PREFIX_SHARE="$prefix/share" >"$root/install.log" 2>&1
check "the Makefile installs into the prefix" test -x "$prefix/bin/frelt"
check "with the help texts in the data folder" test -f "$prefix/share/frelt/resources/info.md"

"$tools/frelt_make_configuration" 10 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }

# A fresh copy of the program is read from disk on its first start: slower
# than the build's own, which the page cache holds.
within_seconds=30
start_with_tray "$prefix/bin/frelt"
unset within_seconds

# The tray's menu: the information is its first item.
open_tray_menu
xdotool key Down Return
check "the menu's first item opens the About page" within info_shown
sleep 0.5
ink=0
if window=$(info_window) && [ -n "$window" ]; then
    "$tools/frelt_screenshot" "$out/installed-about.png" "$window"
    ink=$("$tools/frelt_picture_ink" "$out/installed-about.png" 2>/dev/null || echo 0)
fi
echo "ink on the About page: $ink%"
# Text over the page: a few percent of its pixels; without its text only
# the window's edges remain.
check "the About page shows its text" awk -v ink="$ink" 'BEGIN { exit !(ink >= 1.0) }'

kill $program
wait $program 2>/dev/null
kill $watcher 2>/dev/null
echo "installed: $passed passed, $failed failed"
[ $failed -eq 0 ]
