#!/bin/sh
# Starts the program with a library preloaded that reports every change of what all threads of
# the process share (environment, locale, signal dispositions, current directory, file mode mask)
# made while it has more than one thread, and finds none: from the start until the window is up
# and closed again on X, and through the start on Qt's offscreen platform, with a locale that is
# not UTF-8 and one that is, and a launcher's startup notification id in the environment; and, where
# a session bus can be started, with the accessibility bridge on, so that Qt's bus thread runs too.
# Runs on an X server with a window manager (with_window_manager.sh).
#   shared_state_test.sh PROGRAM PROBE
program=$1
probe=$2
for tool in xdotool wmctrl timeout; do
    if ! command -v $tool >/dev/null; then
        echo "skipped: needs $tool"
        exit 77
    fi
done
# A program built with the address sanitizer wants its runtime loaded first.
runtime=$(ldd "$program" | awk '/libasan/ { print $3 }')
preload=$(echo $runtime "$probe")
work=$(mktemp -d)
bus=
trap '[ -n "$bus" ] && kill $bus; rm -rf "$work"' EXIT

# run NAME PLATFORM LANG [VARIABLE=VALUE...]: one start; the probe's reports go to NAME.changes.
run() {
    name=$1
    platform=$2
    locale=$3
    shift 3
    mkdir -m 700 "$work/$name"
    env "$@" QT_QPA_PLATFORM=$platform LANG=$locale DESKTOP_STARTUP_ID="vorlantix-test-$$_TIME0" \
        XDG_RUNTIME_DIR="$work/$name" VORLANTIX_PROBE_LOG="$work/$name.changes" \
        LD_PRELOAD="$preload" "$program" >"$work/$name.log" 2>&1 &
    pid=$!
    if [ "$platform" = xcb ]; then
        window=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid | head -n 1)
        if [ -z "$window" ]; then
            echo "FAIL: $name: no window of the program came up"
            cat "$work/$name.log"
            kill $pid 2>/dev/null
            return 1
        fi
        # Let it read the list and draw, then close it as the user does.
        sleep 1
        wmctrl -i -c "$window"
        for _ in $(seq 100); do
            kill -0 $pid 2>/dev/null || break
            sleep 0.1
        done
    else
        sleep 2
    fi
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    if [ -s "$work/$name.changes" ]; then
        echo "FAIL: $name: changed while other threads ran:"
        cat "$work/$name.changes"
        return 1
    fi
    echo "PASS: $name"
}

status=0
for platform in xcb offscreen; do
    for locale in C C.UTF-8; do
        run "$platform-$locale" $platform $locale || status=1
    done
done
if command -v dbus-daemon >/dev/null; then
    mkdir -m 700 "$work/bus"
    address=$(dbus-daemon --session --fork --address="unix:dir=$work/bus" --print-address=1 \
        --print-pid=3 3>"$work/bus.pid")
    bus=$(cat "$work/bus.pid")
    run "bus-thread" xcb C.UTF-8 DBUS_SESSION_BUS_ADDRESS="$address" \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 || status=1
fi
exit $status
