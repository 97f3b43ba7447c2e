#!/usr/bin/env bash
# A URL that asks a question, answered with the keyboard alone, on a private
# X server with a real window manager: the hotkey shows the main window, the
# typed query finds the entry whose URL holds "%%userInput:Question%%",
# Return opens it, the question dialog comes up with its field ready for
# typing, the answer is typed and Return sends it. The URL goes to a small
# program registered as the handler of its scheme, which writes down what it
# got. Pictures of the dialog before and after typing go to OUT_DIR.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   url-question-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"

# The handler of the question's URL: it writes down the URL it was given.
got=$root/handler-got
cat >"$root/handler" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$got"
SCRIPT
chmod +x "$root/handler"
cat >"$XDG_DATA_HOME/applications/frelt-test-question.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Question Handler
Exec=$root/handler %u
MimeType=x-scheme-handler/x-frelt-question;
NoDisplay=true
Terminal=false
ENTRY
cat >"$XDG_CONFIG_HOME/mimeapps.list" <<LIST
[Default Applications]
x-scheme-handler/x-frelt-question=frelt-test-question.desktop
LIST

"$tools/frelt_make_configuration" 20 window question >/dev/null || { echo "FAILED: configuration"; exit 1; }

FRELT_REPORT_READY=1 "$frelt" >"$root/frelt.log" 2>&1 &
program=$!
check "the program starts and is ready" within logged "frelt: ready" "$root/frelt.log"

xdotool key ctrl+alt+space
check "the hotkey shows the main window" within main_window_shown
check "the shown window has the focus" within main_window_focused

xdotool type --delay 60 "quokka"
sleep 0.5
xdotool key Return

# The question: a window of the program that has the focus and is not the
# main window.
question_window() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) || return 1
    [ "$(xprop -id "$id" WM_CLASS 2>/dev/null)" = 'WM_CLASS(STRING) = "frelt", "frelt"' ] || return 1
    has_role "$id" Frelt && return 1
    echo "$id"
}
check "Return on the entry brings up the question, focused" within question_window
dialog=$(question_window)
sleep 0.3
"$tools/frelt_screenshot" "$out/url-question.png" ${dialog:+"$dialog"}

# Nothing but keys: the field has them at once.
xdotool type --delay 60 "two words"
sleep 0.3
"$tools/frelt_screenshot" "$out/url-question-typed.png" ${dialog:+"$dialog"}
xdotool key Return
check "Return answers: the handler gets the URL with the answer" within logged "x-frelt-question://find?q=two%20words" "$got"
question_gone() { ! xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null | grep -qx "$dialog"; }
check "the question goes" within question_gone
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
echo "url question: $passed passed, $failed failed"
[ $failed -eq 0 ]
