# What the desktop tests share, sourced by each at its start: the tools they
# need (exit 77, saying why, when one is missing), a private session bus, the
# arguments FRELT TOOLS_DIR OUT_DIR, checks that count, polling with a
# deadline, a scratch home and openbox as the window manager.

for tool in openbox xdotool dbus-run-session xwininfo xprop xmessage; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/install-deps installs it)"
        exit 77
    fi
done
if [ -z "${FRELT_DESKTOP_TEST_BUS:-}" ]; then
    FRELT_DESKTOP_TEST_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
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
# Polls COMMAND until it succeeds or 10 seconds pass ($within_seconds, when
# set, gives another limit).
within() {
    local deadline=$((SECONDS + ${within_seconds:-10}))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}
# The program's windows carry their title as their role, also those whose
# decoration shows no title (the main window).
has_role() { [ "$(xprop -id "$1" WM_WINDOW_ROLE 2>/dev/null)" = "WM_WINDOW_ROLE(STRING) = \"$2\"" ]; }
# The program's visible window of role $1.
window_with_role() {
    local id
    for id in $(xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null); do
        if has_role "$id" "$1"; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
main_window() { window_with_role Frelt; }
main_window_shown() { main_window >/dev/null; }
main_window_hidden() { ! main_window_shown; }
main_window_focused() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) && has_role "$id" Frelt
}
logged() { grep -q "$1" "$2"; }

root=$(mktemp -d)
# A failed run shows the ends of the program's and the window manager's logs
# (the window manager's says why it gave or refused the focus), which go
# with the scratch folder.
show_logs_on_failure() {
    [ "$failed" -eq 0 ] && return
    local log
    for log in "$root"/*.log; do
        [ -f "$log" ] || continue
        echo "---- last lines of $(basename "$log")"
        tail -n 60 "$log"
    done
}
trap 'show_logs_on_failure; kill $(jobs -p) 2>/dev/null; rm -rf "$root"' EXIT
export HOME=$root/home XDG_CONFIG_HOME=$root/home/.config XDG_DATA_HOME=$root/home/.local/share
export XDG_CACHE_HOME=$root/home/.cache XDG_DATA_DIRS=$root/usr/share:/usr/share
mkdir -p "$HOME"
export QT_QPA_PLATFORM=xcb

# Openbox, up once it answers as an EWMH window manager does. Without it
# nothing would take the focus: the run stops, saying so, rather than fail
# every check that follows.
# Its own settings, but without the desktop-switch popup, which would
# otherwise stand in the pictures taken just after a test turns desktops.
openbox_config=()
if [ -f /etc/xdg/openbox/rc.xml ]; then
    sed 's|<popupTime>[0-9]*</popupTime>|<popupTime>0</popupTime>|' /etc/xdg/openbox/rc.xml >"$root/openbox-rc.xml"
    openbox_config=(--config-file "$root/openbox-rc.xml")
fi
openbox --sm-disable --debug-focus "${openbox_config[@]}" >"$root/openbox.log" 2>&1 &
window_manager=$!
window_manager_answers() {
    until xdotool get_desktop >/dev/null 2>&1; do
        kill -0 "$window_manager" 2>/dev/null || return 1
        [ $SECONDS -ge $window_manager_deadline ] && return 1
        sleep 0.05
    done
}
window_manager_deadline=$((SECONDS + 10))
if ! window_manager_answers; then
    failed=1
    echo "FAILED: the window manager does not start"
    exit 1
fi

# Starts the tray host, then the program PROGRAM (by default the one under
# test) with its output in frelt.log, and checks that both are up and that
# the tray item registered; $watcher and $program hold their processes.
start_with_tray() {
    "$tools/frelt_sni_watcher" >"$root/watcher.log" 2>&1 &
    watcher=$!
    check "the tray host is up" within logged "watcher ready" "$root/watcher.log"
    FRELT_REPORT_READY=1 "${1:-$frelt}" >"$root/frelt.log" 2>&1 &
    program=$!
    check "the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"
    check "the tray item registered" within logged "registered" "$root/watcher.log"
}
# Right-clicks the tray item through the tray host and waits for its menu.
open_tray_menu() {
    kill -USR2 $watcher
    check "the tray's menu opens" within logged "statusBarButtonAction -> right click" "$root/frelt.log"
    sleep 0.5  # the menu maps and takes the keyboard
}
