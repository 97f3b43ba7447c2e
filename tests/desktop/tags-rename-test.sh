#!/usr/bin/env bash
# A tag renamed in the Tags dialog by mouse and keyboard, on a private X
# server with a real window manager: the tray's menu opens the dialog, a
# click selects the first tag's row, a second click on its name starts
# editing it, the new name is typed over the old one and Return commits it.
# The dialog shows the new name at once; closed, it hands the rename to
# every entry that carried the tag, and the quit stores the renamed tag.
# Pictures of the dialog before, while and after editing go to OUT_DIR.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   tags-rename-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"
if ! command -v python3 >/dev/null 2>&1; then
    echo "skipped: python3 is not installed (scripts/install-deps installs it); it reads the settings file"
    exit 77
fi
settings=$XDG_CONFIG_HOME/frelt/org.frelt.Frelt.plist
# The tag names the settings file holds, sorted, on one line: those of the
# entries' tags and of the stored tags (the strings of both archives that
# name a tag of this test).
stored_tags() {
    python3 - "$settings" <<'EOF'
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    values = plistlib.load(f)
names = set()
for key in ('ApplicationData', 'TagData'):
    if key in values:
        for item in plistlib.loads(values[key])['$objects']:
            if isinstance(item, str) and (item.startswith('Tag ') or item.startswith('Renamed')):
                names.add(item)
print(' '.join(sorted(names)))
EOF
}

tags_window() { xdotool search --onlyvisible --name 'Modify Tags' 2>/dev/null | head -1; }
tags_shown() { [ -n "$(tags_window)" ]; }
tags_hidden() { ! tags_shown; }
picture() { "$tools/frelt_screenshot" "$1" ${2:+"$2"}; }
# The dialog's table sits 12 points in, below 22 points of column titles;
# rows are 30 points high, the name field of a row from x 46 to 326.
name_x=150
row_y() { echo $((12 + 22 + 30 * $1 + 15)); }

# Three entries tagged "Tag 0" to "Tag 2".
"$tools/frelt_make_configuration" 3 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
before=$(stored_tags)
check "the entries carry three tags" [ "$before" = "Tag 0 Tag 1 Tag 2" ]

start_with_tray
# The tray's menu: Information, Settings, Configuration, Tags.
open_tray_menu
xdotool key Down Down Down Down Return
check "the menu's tags item opens the Tags dialog" within tags_shown
sleep 0.5
dialog=$(tags_window)
picture "$out/tags-dialog.png" "$dialog"

dialog_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]; }
check "the dialog has the focus" within dialog_focused

# The first click selects the row, the next one on its name edits it.
xdotool mousemove --window "$dialog" $name_x "$(row_y 0)" click 1
sleep 0.8
xdotool mousemove --window "$dialog" $name_x "$(row_y 0)" click 1
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 60 "Renamed Tag"
sleep 0.3
picture "$out/tags-dialog-editing.png" "$dialog"
xdotool key Return
# Renaming asks first; OK is the alert's default button.
# The question: a window of the program that has the focus and is not the
# dialog.
alert_focused() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) || return 1
    [ "$id" != "$dialog" ] && [ "$(xprop -id "$id" WM_CLASS 2>/dev/null)" = 'WM_CLASS(STRING) = "frelt", "frelt"' ]
}
check "Return ends editing and asks whether to rename" within alert_focused
sleep 0.3
picture "$out/tags-dialog-rename-question.png"
xdotool key Return
check "OK renames the tag in its entries" within logged "Tag 0 found and renamed" "$root/frelt.log"
sleep 0.5
picture "$out/tags-dialog-renamed.png" "$dialog"

xdotool key Escape
check "Escape closes the dialog" within tags_hidden
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
kill $watcher 2>/dev/null
after=$(stored_tags)
check "the quit stores the renamed tag in place of the old one" [ "$after" = "Renamed Tag Tag 1 Tag 2" ]
[ "$after" = "Renamed Tag Tag 1 Tag 2" ] || echo "stored tags: $after"
echo "tags rename: $passed passed, $failed failed"
[ $failed -eq 0 ]
