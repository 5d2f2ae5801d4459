#!/usr/bin/env bash
# CI: the Debian package. Builds the program with Debian's hardening flags, packages it with CPack,
# validates the desktop entry, the AppStream metadata and the package (lintian), installs it with
# apt-get, then starts the installed program as an unprivileged user on a virtual display, waits
# for its working copy and its window, closes the window through the window manager as a user
# would, and checks that the program ended cleanly and removed its working copy. The package is
# purged again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/package
app_id=example.dravena.Vorlantix

for tool in dpkg-buildflags cpack desktop-file-validate appstreamcli lintian Xvfb openbox wmctrl; do
    if ! command -v "$tool" >/dev/null; then
        echo "ci-package: $tool is missing; scripts/install-deps.sh installs it" >&2
        exit 1
    fi
done
sudo=()
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    # The program must not need root: CI runs it as nobody.
    as_user=(runuser -u nobody --)
else
    sudo=(sudo)
fi

step_start=$SECONDS
step() {
    echo "ci-package: $* (previous step $((SECONDS - step_start)) s)"
    step_start=$SECONDS
}

step "release build with Debian's hardening flags"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
# CMake takes CFLAGS, CXXFLAGS and LDFLAGS from the environment, but not CPPFLAGS.
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake --preset release -B "$build" -DVORLANTIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

step "Debian package"
rm -f "$build"/vorlantix_*.deb
(cd "$build" && cpack -G DEB)
deb=$(find "$build" -maxdepth 1 -name 'vorlantix_*.deb')
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    "${sudo[@]}" apt-get purge -y -q vorlantix >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

step "desktop entry, AppStream metadata and icon as packaged"
dpkg-deb -x "$deb" "$work/unpacked"
desktop_file=$work/unpacked/usr/share/applications/$app_id.desktop
findings=$(desktop-file-validate "$desktop_file")
if [ -n "$findings" ]; then
    echo "$findings" >&2
    exit 1
fi
appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/$app_id.metainfo.xml"
icon=$(sed -n 's/^Icon=//p' "$desktop_file")
if ! compgen -G "$work/unpacked/usr/share/icons/hicolor/*/apps/$icon.png" >/dev/null; then
    echo "ci-package: the package has no icon $icon in the hicolor theme" >&2
    exit 1
fi

step "lintian"
lintian --fail-on error,warning --info --display-info "$deb"

step "install with apt-get"
"${sudo[@]}" apt-get install -y -q --reinstall "$deb"

step "start the installed program and close its window"
runtime=$work/runtime
home=$work/home
mkdir -m 700 "$runtime" "$home"
chmod 755 "$work"
if [ "$(id -u)" -eq 0 ]; then
    chown nobody: "$runtime" "$home"
fi
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable 2>"$work/openbox.log" &
pids+=($!)
for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done

"${as_user[@]}" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb /usr/bin/vorlantix >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
fail() {
    echo "ci-package: $*" >&2
    echo "--- program output" >&2
    cat "$work/program.log" >&2
    exit 1
}
wait_for() {
    local what=$1
    shift
    for _ in $(seq 600); do
        "$@" && return 0
        kill -0 "$program" 2>/dev/null || fail "the program ended while waiting for $what"
        sleep 0.1
    done
    fail "no $what after 60 s"
}

working_copy=$runtime/ResBuild.dll
wait_for "working copy $working_copy" test -f "$working_copy"
mode=$(stat -c %a "$working_copy")
[ "$mode" = 600 ] || fail "the working copy has mode $mode instead of 600"

# The window must carry the class that the desktop entry's StartupWMClass names, or the desktop
# cannot tie the window to the entry and its icon.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_file")
main_window() {
    window=$(wmctrl -lx | awk -v cls="$wm_class" -v title="Vorlanta $version" '{
        split($3, names, "."); caption = $0
        for (i = 1; i <= 4; i++) sub(/^[^ ]+ +/, "", caption)
        if (names[2] == cls && caption == title) print $1 }')
    [ -n "$window" ]
}
wait_for "window of class $wm_class captioned \"Vorlanta $version\"" main_window
wmctrl -i -c "$window"
for _ in $(seq 300); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "the program did not end within 30 s of the close request"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
[ ! -e "$working_copy" ] || fail "the working copy was left behind at close"

step "done"
