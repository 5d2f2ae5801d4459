#!/usr/bin/env bash
# CI: the window's sessions under valgrind's memcheck. Each test under tests/app drives the real
# window with the real database: start, refresh, search, read, copy, the failure paths and close.
# Fails on any memory error and on any definite or indirect leak; what third-party libraries keep
# for the life of the process is suppressed by dist/valgrind.supp, which says why for each entry.
#
#   scripts/ci-leaks.sh [test executable ...]   (default: every test executable in tests/app)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)"
if [ $# -eq 0 ]; then
    mapfile -t tests < <(find build/debug/tests/app -maxdepth 1 -name '*_test' -type f -perm -u+x | sort)
else
    tests=("$@")
fi
[ ${#tests[@]} -gt 0 ] || { echo "ci-leaks: no window test to run" >&2; exit 1; }

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
failed=()
for test in "${tests[@]}"; do
    echo "ci-leaks: $test"
    start=$SECONDS
    # Under valgrind the window takes its time; the test's own per-function limit is lifted.
    if ! env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" QTEST_FUNCTION_TIMEOUT=1800000 \
        valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
        --num-callers=40 --suppressions=dist/valgrind.supp --gen-suppressions=all "$test"; then
        failed+=("$test")
    fi
    echo "ci-leaks: $test took $((SECONDS - start)) s"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "ci-leaks: failed: ${failed[*]}" >&2
    exit 1
fi
echo "ci-leaks: ${#tests[@]} window tests clean"
