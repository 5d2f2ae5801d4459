#!/bin/sh
# Starts the program under a Wayland compositor (weston's headless backend) as a Wayland desktop
# starts it: with an X server there (Xwayland), it is an X client, unless the user chose a
# platform with QT_QPA_PLATFORM; without one, it is a Wayland client. What the program speaks
# is read from both sides: the X server's window tree, and libwayland's trace of its requests.
# Exits 77 (skipped) when weston, Xwayland or Qt's Wayland plugin is missing.
#   wayland_test.sh PROGRAM
program=$1
plugins=$(find /usr/lib/*/qt6/plugins/platforms -name 'libqwayland-generic.so' 2>/dev/null)
if ! command -v weston >/dev/null || ! command -v Xwayland >/dev/null ||
    ! command -v xwininfo >/dev/null || [ -z "$plugins" ]; then
    echo "skipped: needs weston, xwayland, x11-utils and qt6-wayland"
    exit 77
fi
caption="Vorlanta 1.4.20160122"
work=$(mktemp -d)
compositor=
cleanup() {
    [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# start_weston NAME [--xwayland]: a compositor of its own; sets $display to the X server's name.
start_weston() {
    [ -n "$compositor" ] && kill "$compositor" && wait "$compositor" 2>/dev/null
    runtime="$work/$1"
    mkdir -m 700 "$runtime"
    XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=vorlantix-test \
        --idle-time=0 $2 >"$runtime/weston.log" 2>&1 &
    compositor=$!
    display=
    for _ in $(seq 100); do
        if [ -S "$runtime/vorlantix-test" ] &&
            { [ -z "$2" ] || grep -q "xserver listening" "$runtime/weston.log"; }; then
            display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' \
                "$runtime/weston.log")
            return 0
        fi
        sleep 0.1
    done
    echo "FAIL: weston did not start"
    cat "$runtime/weston.log"
    exit 1
}

# run CASE EXPECTED [VARIABLE=VALUE...]: starts the program on a Wayland desktop with these
# variables, and checks that its window comes up on EXPECTED (x11 or wayland), and only there.
status=0
run() {
    name=$1
    expected=$2
    shift 2
    mkdir -m 700 "$work/$name"
    # The compositor's socket by its full path: the program's runtime directory is its own.
    env -u DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/$name" \
        WAYLAND_DISPLAY="$runtime/vorlantix-test" XDG_SESSION_TYPE=wayland WAYLAND_DEBUG=1 "$@" \
        "$program" >/dev/null 2>"$work/$name.trace" &
    pid=$!
    seen=
    for _ in $(seq 200); do
        if grep -q "set_title(\"$caption\")" "$work/$name.trace"; then
            seen=wayland
            break
        fi
        if [ -n "$display" ] &&
            DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\""; then
            seen=x11
            break
        fi
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    if grep -q "wl_display@1.get_registry" "$work/$name.trace"; then
        spoke=wayland
    else
        spoke=x11
    fi
    if [ "$seen" != "$expected" ] || [ "$spoke" != "$expected" ]; then
        echo "FAIL: $name: window on '${seen:-nothing}', spoke $spoke; expected $expected"
        grep -v "^\[" "$work/$name.trace" | tail -n 5
        status=1
    else
        echo "PASS: $name: $expected"
    fi
}

start_weston with-xwayland --xwayland
run "x server there" x11 DISPLAY="$display"
run "user chose wayland" wayland DISPLAY="$display" QT_QPA_PLATFORM=wayland
start_weston without-xwayland
run "no x server" wayland
exit $status
