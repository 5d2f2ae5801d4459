#!/bin/sh
# Runs a window test on a virtual X server with a window manager, for what only a real X desktop
# has: window frames and the X selection. Exits 77 (skipped) when Xvfb or openbox is missing.
#   with_window_manager.sh TEST [TEST ARGUMENTS...]
if ! command -v xvfb-run >/dev/null || ! command -v openbox >/dev/null; then
    echo "skipped: needs xvfb-run and openbox"
    exit 77
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    # Wait until the window manager has announced itself on the root window.
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    QT_QPA_PLATFORM=xcb "$@"
    status=$?
    kill $wm
    exit $status' sh "$@"
