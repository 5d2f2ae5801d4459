#!/usr/bin/env bash
# CI: the whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (the asan
# preset). Any memory error, undefined behaviour or leak fails the run; leaks inside third-party
# libraries are suppressed by dist/lsan.supp, which says why for each.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/dist/lsan.supp:print_suppressions=0

npm ci --prefix tests/readers --no-audit --no-fund --loglevel=error
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
