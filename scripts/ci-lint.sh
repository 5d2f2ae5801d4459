#!/usr/bin/env bash
# CI: clang-format and clang-tidy over the program's own C++ code; any finding fails.
# clang-tidy reads the compile commands of the debug build, which it builds first, so that the
# generated headers (moc, configured files) that the sources include are there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

mapfile -t cpp_files < <(git ls-files -- '*.cpp' '*.h')
echo "ci-lint: clang-format on ${#cpp_files[@]} files"
clang-format-14 --dry-run -Werror "${cpp_files[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"

# Every translation unit of ours in the compile database, none from the build tree (moc, qrc).
mapfile -t units < <(grep -o '"file": "[^"]*"' build/debug/compile_commands.json |
    sed 's/^"file": "\(.*\)"$/\1/' | grep "^$root/" | grep -v "^$root/build/" | sort -u)
echo "ci-lint: clang-tidy on ${#units[@]} translation units"
# The compile commands are GCC's; clang does not know every GCC warning flag.
printf '%s\n' "${units[@]}" | xargs -P "$jobs" -n 1 \
    clang-tidy-14 -p build/debug --quiet --warnings-as-errors='*' \
    --extra-arg=-Wno-unknown-warning-option
echo "ci-lint: clean"
