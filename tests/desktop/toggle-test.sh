#!/usr/bin/env bash
# frelt --toggle, as a desktop's own keyboard shortcut runs it (the way to a
# hotkey where the desktop grants programs none), with the whole program on
# a private X server and a private session bus:
#   - with no instance running it starts one, which shows its main window;
#   - run again, it hands the toggle to that instance over the session bus
#     and ends with 0 at once: the window hides, the next one shows it, and
#     so on, the instance running on throughout;
#   - a plain start while one runs starts no second instance: it ends with 0
#     and the running one shows its window.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   toggle-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }

# The main window as the X server has it: mapped and viewable, or not.
main_window_viewable() {
    local id
    id=$(main_window) || return 1
    xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"
}
# Runs frelt --toggle as a shortcut would, and checks that it ends with 0
# within 10 seconds.
toggle_ends_with_0() {
    timeout 10 "$frelt" --toggle >>"$root/toggle.log" 2>&1
    local code=$?
    [ $code -eq 0 ] || echo "    ended with $code"
    [ $code -eq 0 ]
}
still_running() { kill -0 "$program" 2>/dev/null; }

echo "== with no instance running"
FRELT_REPORT_READY=1 "$frelt" --toggle >"$root/frelt.log" 2>&1 &
program=$!
check "the toggle starts the program, which is ready" within logged "frelt: ready" "$root/frelt.log"
check "and shows its main window" within main_window_viewable
check "with the focus" within main_window_focused

echo "== with the instance running"
for round in 1 2; do
    check "[$round] a toggle ends with 0" toggle_ends_with_0
    check "[$round] the running instance hides its window" within main_window_hidden
    check "[$round] a toggle ends with 0" toggle_ends_with_0
    check "[$round] the running instance shows its window" within main_window_viewable
    check "[$round] with the focus" within main_window_focused
done
check "the instance is the one started first, still running" still_running
check "the toggles started no window of their own" test "$(xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null | wc -l)" -eq 1

echo "== a plain start while one runs"
check "a toggle hides the window" toggle_ends_with_0
within main_window_hidden
timeout 10 "$frelt" >"$root/plain.log" 2>&1
check "a plain start ends with 0" test $? -eq 0
check "and the running one shows its window" within main_window_viewable
check "the first instance is still running" still_running

kill $program
wait $program 2>/dev/null
check "a termination signal ends it with 0" test $? -eq 0

echo "toggle: $passed passed, $failed failed"
[ $failed -eq 0 ]
