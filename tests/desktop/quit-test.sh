#!/usr/bin/env bash
# Quits that come from a signal (logout, shutdown) at awkward moments, and a
# second start that cannot hand over, with the whole program on a private X
# server:
#   - while loading waits in an alert (an unreadable key combination): the
#     process ends, every stored value stays as it was, no backup is made,
#     and the alert is kept for the next launch;
#   - while the alert for an unreadable bookmark file shows: the process
#     ends with 0, the file kept aside as it was;
#   - while the export's save panel asks whether to replace a file: the
#     process ends once the quit has saved;
#   - without a session bus a second start says so in one line, ends with 1
#     and changes nothing on disk.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   quit-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"
if ! command -v python3 >/dev/null 2>&1; then
    echo "skipped: python3 is not installed (scripts/install-deps installs it); it reads the settings file"
    exit 77
fi

settings=$XDG_CONFIG_HOME/frelt/org.frelt.Frelt.plist
documents=$XDG_DATA_HOME/frelt/Documents
# The stored values, key by key, but for the alerts kept for the next launch.
stored_values() {
    python3 - "$settings" <<'EOF'
import hashlib, plistlib, sys
with open(sys.argv[1], 'rb') as f:
    values = plistlib.load(f)
values.pop('alertsKeptForNextLaunch', None)
for key in sorted(values):
    print(key, hashlib.sha1(repr(values[key]).encode()).hexdigest())
EOF
}
kept_alerts() {
    python3 - "$settings" <<'EOF'
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    values = plistlib.load(f)
for alert in values.get('alertsKeptForNextLaunch', []):
    print(alert.get('messageText', ''))
EOF
}
# Stores data that is no archive under the key $1.
damage_key() {
    python3 - "$settings" "$1" <<'EOF'
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    values = plistlib.load(f)
values[sys.argv[2]] = b'not an archive'
with open(sys.argv[1], 'wb') as f:
    plistlib.dump(values, f, fmt=plistlib.FMT_BINARY)
EOF
}
# Some window of the program shows (the main window stays hidden at the
# start with this configuration): the alert.
program_window_shown() { [ -n "$(xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null)" ]; }
program_windows() { xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null | wc -l; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# Waits for the process $1 and checks it ended with 0.
ended_with_0() {
    local code
    wait "$1" 2>/dev/null
    code=$?
    [ $code -eq 0 ] || echo "    ended with $code"
    [ $code -eq 0 ]
}
backups() { ls "$documents/Backup" 2>/dev/null | wc -l; }
# Starts the program, sends it SIGTERM once an alert shows, and checks that
# it ends, with 0; its log is frelt-$1.log.
signal_while_alert_shows() {
    "$frelt" >"$root/frelt-$1.log" 2>&1 &
    program=$!
    check "[$1] an alert shows" within program_window_shown
    kill -TERM $program
    check "[$1] the process ends" within ended $program
    check "[$1] with 0" ended_with_0 $program
}

echo "== a signal while loading waits in an alert"
"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
damage_key globalKeyComboCategoriesShowFiles
before=$(stored_values)
signal_while_alert_shows loading
check "[loading] every stored value is as it was" test "$(stored_values)" = "$before"
check "[loading] no backup was made" test "$(backups)" -eq 0
check "[loading] the alert is kept for the next launch" \
    test "$(kept_alerts)" = "Error loading KeyCombo from the settings file"

echo "== a signal while the bookmark file's alert shows"
mkdir -p "$documents"
printf 'not a bookmark archive' >"$documents/Bookmarks.dict"
signal_while_alert_shows bookmarks
check "[bookmarks] the file was kept aside as it was" \
    test "$(cat "$documents/Bookmarks.dict.unreadable" 2>/dev/null)" = "not a bookmark archive"

echo "== a signal while the save panel asks whether to replace a file"
export HOME=$root/export XDG_CONFIG_HOME=$root/export/.config XDG_DATA_HOME=$root/export/.local/share
settings=$XDG_CONFIG_HOME/frelt/org.frelt.Frelt.plist
documents=$XDG_DATA_HOME/frelt/Documents
"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
existing=$HOME/existing.frelt_ExportData
echo "an earlier export" >"$existing"
"$tools/frelt_sni_watcher" >"$root/watcher.log" 2>&1 &
watcher=$!
check "the tray host is up" within logged "watcher ready" "$root/watcher.log"
FRELT_REPORT_READY=1 "$frelt" >"$root/frelt-export.log" 2>&1 &
program=$!
check "[export] the program starts and is ready" within logged "frelt: ready" "$root/frelt-export.log"
check "[export] the tray item registered" within logged "registered" "$root/watcher.log"
# The tray's menu: Info, Settings, Data, Tags, Rebuild, Versioned Backups, Export.
kill -USR2 $watcher
check "[export] the tray's menu opens" within logged "statusBarButtonAction -> right click" "$root/frelt-export.log"
sleep 0.5  # the menu maps and takes the keyboard
xdotool key Down Down Down Down Down Down Down Return
check "[export] the save panel shows" within program_window_shown
sleep 1  # the panel takes the keyboard, its name field the focus
xdotool key ctrl+a
xdotool type --delay 20 "$existing"
xdotool key Return
two_windows() { [ "$(program_windows)" -ge 2 ]; }
check "[export] the question whether to replace it shows" within two_windows
kill -TERM $program
check "[export] the process ends" within ended $program
check "[export] with 0" ended_with_0 $program
check "[export] the earlier export is untouched" test "$(cat "$existing")" = "an earlier export"
check "[export] the quit saved and made its backup" test "$(backups)" -eq 1
kill $watcher 2>/dev/null

echo "== a second start without a session bus"
export HOME=$root/nobus XDG_CONFIG_HOME=$root/nobus/.config XDG_DATA_HOME=$root/nobus/.local/share
settings=$XDG_CONFIG_HOME/frelt/org.frelt.Frelt.plist
documents=$XDG_DATA_HOME/frelt/Documents
"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }
no_bus=unix:path=$root/no-bus-here
DBUS_SESSION_BUS_ADDRESS=$no_bus FRELT_REPORT_READY=1 "$frelt" >"$root/frelt-nobus.log" 2>&1 &
program=$!
check "[no bus] the first start is ready" within logged "frelt: ready" "$root/frelt-nobus.log"
snapshot() { (cd "$root/nobus" && find . -printf '%p %s %T@\n' | sort); }
before=$(snapshot)
second=$(DBUS_SESSION_BUS_ADDRESS=$no_bus "$frelt" 2>&1)
code=$?
check "[no bus] a second start ends with 1" test $code -eq 1
says_so_in_one_line() {
    if [ "$(printf '%s\n' "$second" | wc -l)" -eq 1 ] &&
        [ "${second#frelt: another instance is running with the settings in }" != "$second" ]; then
        return 0
    fi
    echo "    said: $second"
    return 1
}
check "[no bus] saying so in one line" says_so_in_one_line
check "[no bus] and changes nothing on disk" test "$(snapshot)" = "$before"
check "[no bus] the first one still runs" kill -0 $program
kill $program
check "[no bus] the first one ends with 0" ended_with_0 $program

echo "quit: $passed passed, $failed failed"
[ $failed -eq 0 ]
