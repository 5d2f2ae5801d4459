#!/bin/sh
# Starts the program with Qt's own command-line options, one at a time, and finds its window as
# it is without them: the same caption, and the same picture pixel for pixel. Runs on an X server
# with a window manager (with_window_manager.sh).
#   command_line_test.sh PROGRAM
program=$1
for tool in xdotool xprop import compare; do
    if ! command -v $tool >/dev/null; then
        echo "skipped: needs $tool"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '* { background-color: red; color: blue; }\n' >"$work/red.qss"
# Nothing under the pointer may light up differently from one start to the next.
xdotool mousemove 0 0

# shot NAME [ARGUMENTS...]: starts the program, writes its caption to NAME.caption and its window
# to NAME.png, and ends it.
shot() {
    name=$1
    shift
    mkdir -m 700 "$work/$name"
    XDG_RUNTIME_DIR="$work/$name" "$program" "$@" >"$work/$name.log" 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid | head -n 1)
    if [ -z "$window" ]; then
        echo "FAIL: $name: no window of the program came up"
        cat "$work/$name.log"
        kill $pid 2>/dev/null
        return 1
    fi
    # Let it draw the list and settle where the window manager put it.
    sleep 1
    xprop -id "$window" -notype _NET_WM_NAME >"$work/$name.caption"
    import -window "$window" "$work/$name.png"
    kill $pid
    wait $pid 2>/dev/null
    return 0
}

shot plain || exit 1
status=0
for case in "reverse:-reverse" "caption:-qwindowtitle Hello" "style:-style windows" \
    "stylesheet:-stylesheet $work/red.qss" "platform:-platform offscreen"; do
    name=${case%%:*}
    # shellcheck disable=SC2086 # the options are split on purpose
    if ! shot "$name" ${case#*:}; then
        status=1
        continue
    fi
    differing=$(compare -metric AE "$work/plain.png" "$work/$name.png" null: 2>&1)
    if ! cmp -s "$work/plain.caption" "$work/$name.caption"; then
        echo "FAIL: $name: caption $(cat "$work/$name.caption"), not $(cat "$work/plain.caption")"
        status=1
    elif [ "$differing" != 0 ]; then
        echo "FAIL: $name: the window differs in $differing pixels"
        status=1
    else
        echo "PASS: $name"
    fi
done
exit $status
