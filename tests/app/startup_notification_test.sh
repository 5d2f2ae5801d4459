#!/bin/sh
# Starts the program as a launcher with startup notification does (DESKTOP_STARTUP_ID in its
# environment) and finds the "remove" message for that id sent on the X root window, which ends
# the launcher's notification, once the window is up. Runs on an X server with a window manager
# (with_window_manager.sh).
#   startup_notification_test.sh PROGRAM LISTENER
program=$1
listener=$2
for tool in xdotool timeout; do
    if ! command -v $tool >/dev/null; then
        echo "skipped: needs $tool"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
id="vorlantix-test-$$_TIME0"
timeout 30 "$listener" "remove: ID=$id" >"$work/messages" &
heard=$!
for _ in $(seq 50); do
    grep -q listening "$work/messages" && break
    sleep 0.1
done
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" DESKTOP_STARTUP_ID=$id "$program" >"$work/log" 2>&1 &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid | head -n 1)
wait $heard
status=$?
kill $pid 2>/dev/null
wait $pid 2>/dev/null
if [ -z "$window" ]; then
    echo "FAIL: no window of the program came up"
    cat "$work/log"
    exit 1
fi
if [ $status -ne 0 ]; then
    echo "FAIL: no \"remove: ID=$id\" on the root window; heard:"
    cat "$work/messages"
    exit 1
fi
echo "PASS: the startup notification $id was ended"
