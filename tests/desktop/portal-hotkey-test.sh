#!/usr/bin/env bash
# The whole program in a session that says it is Wayland, with the hotkeys
# through the desktop portal's global shortcuts: a stand-in portal on the
# private session bus plays the desktop (the desktop's own portal needs a
# running desktop session, which a test machine does not have), on a private
# X server as XWayland would be:
#   - the program asks the portal for its global hotkey (Ctrl+Alt+Space),
#     under its own name, and grabs no key of the X server beside it;
#   - the desktop's press of the shortcut (Activated) shows the main window
#     with the focus, the next one hides it;
#   - a shortcut the user takes back in the desktop's settings
#     (ShortcutsChanged without it) is told in an alert and in the log.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   portal-hotkey-test.sh FRELT TOOLS_DIR OUT_DIR PORTAL_STANDIN
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"
standin=$4
if ! command -v gdbus >/dev/null 2>&1; then
    echo "skipped: gdbus is not installed (libglib2.0-bin); it plays the user at the stand-in portal"
    exit 77
fi

"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }

"$standin" >"$root/portal.log" 2>&1 &
check "the stand-in portal is up" within logged "standin ready" "$root/portal.log"
portal() {  # portal METHOD [ARGS...]: the stand-in's control object
    local method=$1
    shift
    gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/frelt/test/control \
        --method "org.frelt.test.PortalControl.$method" "$@"
}
bound_global() { portal Bound | grep -q "'globalHotKey', 'Show or hide the Frelt window', 'CTRL+ALT+space'"; }

XDG_SESSION_TYPE=wayland FRELT_REPORT_READY=1 "$frelt" >"$root/frelt.log" 2>&1 &
program=$!
check "the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"
check "it asks the portal for the global hotkey" within bound_global
check "under its own name" eval 'portal Calls | grep -q "Register org.frelt.Frelt"'
check "the log says which road the hotkeys take" logged "Global hotkeys through the desktop portal" "$root/frelt.log"

# No X grab beside the portal: the keys on the X server do nothing.
xdotool key ctrl+alt+space
sleep 1
check "the X server's keys are not grabbed" main_window_hidden

portal Activate globalHotKey >/dev/null
check "the desktop's press shows the main window" within main_window_shown
check "with the focus" within main_window_focused
portal Activate globalHotKey >/dev/null
check "the next press hides it" within main_window_hidden

portal Withdraw globalHotKey >/dev/null
check "a shortcut taken back is told in an alert" within eval 'xdotool search --onlyvisible --classname "^frelt$" >/dev/null 2>&1'
check "and in the log" within logged "(globalHotKey) not registered: the desktop did not grant it" "$root/frelt.log"
check "the program runs on" kill -0 $program

kill $program
wait $program 2>/dev/null
check "a termination signal ends it with 0" test $? -eq 0

echo "portal hotkey: $passed passed, $failed failed"
[ $failed -eq 0 ]
