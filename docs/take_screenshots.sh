#!/bin/sh
# Takes the screenshots in this folder: the list page, the About page, a search with its keyword
# marked (part of the remedy selected), and the box that a failed start shows. Runs the program
# under Xvfb with openbox as window manager, so that the shots show the title bar. Needs xvfb,
# openbox, xdotool and imagemagick.
#   docs/take_screenshots.sh build/debug/app/vorlantix
set -eu
program=$(realpath "$1")
out=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

shot() { # the window whose name matches $1, with its frame, into $2
    window=$(xdotool search --sync --onlyvisible --name "$1" | head -n 1)
    sleep 1
    import -frame -window "$window" "$out/$2"
}

XDG_RUNTIME_DIR=$runtime "$program" &
app=$!
shot "^Vorlanta " list-page.png
window=$(xdotool search --onlyvisible --name "^Vorlanta ")
# The About page's tab, right of the list page's tab.
xdotool mousemove --window "$window" 90 142 click 1
shot "^Vorlanta " about-page.png
# Back on the list page: the category box's first entry (Down in its text field), then a row.
xdotool mousemove --window "$window" 40 142 click 1
sleep 0.5
xdotool mousemove --window "$window" 30 207 click 1
sleep 0.5
xdotool key Down
sleep 1
xdotool mousemove --window "$window" 100 300 click 1
shot "^Vorlanta " category-and-remedy.png
# A keyword typed into the search box (a click empties it), the search button, then a row.
xdotool mousemove --window "$window" 140 183 click 1
sleep 0.5
xdotool type --delay 200 "丸"
sleep 0.5
xdotool mousemove --window "$window" 324 183 click 1
sleep 1
xdotool mousemove --window "$window" 100 262 click 1
sleep 0.5
# The remedy's first line and a half selected with the mouse: the marks under it stay marked.
xdotool mousemove --window "$window" 12 452 mousedown 1
sleep 0.3
xdotool mousemove --window "$window" 120 462
sleep 0.3
xdotool mousemove --window "$window" 200 470 mouseup 1
shot "^Vorlanta " search-with-marks.png
wmctrl -c "Vorlanta "
wait $app

# A directory where the working copy should go: the start fails.
mkdir "$runtime/ResBuild.dll"
XDG_RUNTIME_DIR=$runtime "$program" &
app=$!
shot "^Vorlantix$" creation-failure.png
wmctrl -c "Vorlantix"
sleep 2
wmctrl -c "Vorlanta "
wait $app
kill $wm
