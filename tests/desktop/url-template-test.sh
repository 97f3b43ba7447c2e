#!/usr/bin/env bash
# A URL template made in the settings and used, by mouse and keyboard, on a
# private X server with a real window manager: the settings window opens
# from the tray's menu, the URL Templates pane's "+" adds a row, a click on
# the new row's title starts editing it, the title is typed, Tab moves to
# the URL, the URL is typed and Return commits it; closing the window keeps
# the template. From the main window's menu the link dialog's "Use
# Template" offers it, a title is typed and OK adds the link; typing its
# name in the main window finds it, Return opens it, the template's
# question is answered and the URL goes to a small program registered as
# the handler of its scheme, which writes down what it got. Pictures of the
# pane and the dialog go to OUT_DIR.
#
# ctest runs it on a private X server (scripts/run-under-xvfb); it takes a
# private session bus of its own:
#   url-template-test.sh FRELT TOOLS_DIR OUT_DIR
# Exits 77 (skipped), saying why, when a tool it needs is missing.

set -u
. "$(dirname "$0")/desktop-common.sh"

mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
# The handler of the template's URL: it writes down the URL it was given.
got=$root/handler-got
cat >"$root/handler" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$got"
SCRIPT
chmod +x "$root/handler"
cat >"$XDG_DATA_HOME/applications/frelt-test-template.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Template Handler
Exec=$root/handler %u
MimeType=x-scheme-handler/x-frelt-template;
NoDisplay=true
Terminal=false
ENTRY
cat >"$XDG_CONFIG_HOME/mimeapps.list" <<LIST
[Default Applications]
x-scheme-handler/x-frelt-template=frelt-test-template.desktop
LIST

picture() { "$tools/frelt_screenshot" "$1" ${2:+"$2"}; }
settings_window() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
settings_shown() { [ -n "$(settings_window)" ]; }
settings_hidden() { ! settings_shown; }
active_is() { [ -n "$1" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
settings_focused() { active_is "$(settings_window)"; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

"$tools/frelt_make_configuration" 20 window debug >/dev/null || { echo "FAILED: configuration"; exit 1; }

start_with_tray
open_tray_menu
xdotool key Down Down Return
check "the menu's settings item opens the settings window" within settings_shown
check "the settings window has the focus" within settings_focused
settings=$(settings_window)

# The tab bar: six equal segments across the window less 16 points each
# side; URL Templates is the fourth.
click_in "$settings" $((16 + (768 * 3) / 6 + 64)) 20
sleep 0.5
picture "$out/url-templates.png" "$settings"

# The pane's list starts 60 points down (the tab bar, the pane's margin);
# the ten built-in templates take a row of 28 points each; the new one is
# the eleventh. Its title field spans x 24 to 174, its URL field follows.
new_row_y=$((60 + 28 * 10 + 13))
click_in "$settings" 36 608
sleep 0.5
picture "$out/url-templates-added.png" "$settings"
# The first click selects the row, the next one on its title edits it.
click_in "$settings" 90 $new_row_y
sleep 0.8
click_in "$settings" 90 $new_row_y
sleep 0.5
xdotool type --delay 60 "Find an animal"
xdotool key Tab
sleep 0.3
xdotool type --delay 40 "x-frelt-template://find?q=%%userInput:Which animal%%"
sleep 0.3
picture "$out/url-templates-typing.png" "$settings"
xdotool key Return
sleep 0.5
picture "$out/url-templates-typed.png" "$settings"

# Through the window manager, as a person closes it.
xdotool key alt+F4
check "the settings window closes" within settings_hidden
check "closing saves the settings" within logged "saveURLTemplateDataArray" "$root/frelt.log"

xdotool key ctrl+alt+space
check "the hotkey shows the main window" within main_window_shown
check "the shown window has the focus" within main_window_focused
main=$(main_window)
sleep 0.5
# The main window's menu: About, Preferences, Add File or Folder, Add URL.
click_in "$main" 670 25
sleep 0.8
picture "$out/url-template-main-menu.png"
xdotool key Down Down Down Down Return
# The link dialog: a window of the program that has the focus and is not
# the main window.
other_focused() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) || return 1
    [ "$(xprop -id "$id" WM_CLASS 2>/dev/null)" = 'WM_CLASS(STRING) = "frelt", "frelt"' ] || return 1
    has_role "$id" Frelt && return 1
    echo "$id"
}
check "the menu's Add URL opens the link dialog, focused" within other_focused
link=$(other_focused)
sleep 0.3
picture "$out/url-template-link-opened.png" "$link"
# The dialog opens with its title field ready for typing.
xdotool type --delay 60 "Animal Finder"
# The link dialog, 750 points wide: the URL's "Use Template" button at x
# 418 to 568, y 126; OK in the bottom right corner.
click_in "$link" 493 138
sleep 0.8
picture "$out/url-template-menu.png"
# The new template is the menu's last item: Up from the top reaches it.
xdotool key Up
sleep 0.3
xdotool key Return
sleep 0.5
picture "$out/url-template-link.png" "$link"
link_gone() { ! xdotool search --onlyvisible --classname '^frelt$' 2>/dev/null | grep -qx "$link"; }
click_in "$link" 676 286
check "OK adds the link and closes the dialog" within link_gone
check "the link is stored with the template's URL" within logged "x-frelt-template://find?q=%%userInput:Which animal%%" "$root/frelt.log"

# Back in the main window (the hotkey brings it when the dialog's closing
# left it hidden or without the focus).
main_window_focused || xdotool key ctrl+alt+space
check "the main window has the focus" within main_window_focused
xdotool type --delay 60 "animal finder"
sleep 0.5
picture "$out/url-template-found.png" "$(main_window)"
xdotool key Return
question_focused() { other_focused >/dev/null; }
check "Return on the link asks the template's question" within question_focused
sleep 0.3
xdotool type --delay 60 "wombat"
xdotool key Return
check "the answer opens the URL: the handler gets it" within logged "x-frelt-template://find?q=wombat" "$got"
check "the program still runs" kill -0 $program

kill $program
wait $program 2>/dev/null
kill $watcher 2>/dev/null
echo "url template: $passed passed, $failed failed"
[ $failed -eq 0 ]
