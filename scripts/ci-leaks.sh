#!/usr/bin/env bash
# CI: the window's sessions under valgrind's memcheck. Each test under tests/app drives the real
# window with the real database: start, refresh, search, read, copy, the failure paths and close.
# Fails on any memory error and on any definite or indirect leak; what third-party libraries keep
# for the life of the process is suppressed by dist/valgrind.supp, which says why for each entry.
#
#   scripts/ci-leaks.sh [test executable ...]   (default: every test executable in tests/app)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
if [ $# -eq 0 ]; then
    mapfile -t tests < <(find build/debug/tests/app -maxdepth 1 -name '*_test' -type f -perm -u+x | sort)
else
    tests=("$@")
fi
[ ${#tests[@]} -gt 0 ] || { echo "ci-leaks: no window test to run" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One test under valgrind, with a working-copy directory of its own so that tests running side by
# side do not share the working copy. Leaves its output and exit status in $work.
check() {
    local test=$1 name
    name=$(basename "$test")
    mkdir -m 700 "$work/$name.runtime"
    local start=$SECONDS status=0
    # Under valgrind the window takes its time; the test's own per-function limit is lifted.
    env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/$name.runtime" \
        QTEST_FUNCTION_TIMEOUT=1800000 \
        valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
        --num-callers=40 --suppressions=dist/valgrind.supp --gen-suppressions=all \
        "$test" >"$work/$name.log" 2>&1 || status=$?
    echo "$status" >"$work/$name.status"
    echo "ci-leaks: $name: status $status after $((SECONDS - start)) s"
}

for test in "${tests[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n
    done
    check "$test" &
done
wait

failed=0
for test in "${tests[@]}"; do
    name=$(basename "$test")
    if [ "$(cat "$work/$name.status")" != 0 ]; then
        echo "--- ci-leaks: $name failed:" >&2
        cat "$work/$name.log" >&2
        failed=$((failed + 1))
    fi
done
if [ "$failed" -gt 0 ]; then
    echo "ci-leaks: $failed of ${#tests[@]} window tests failed" >&2
    exit 1
fi
echo "ci-leaks: ${#tests[@]} window tests clean"
