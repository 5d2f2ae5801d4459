#!/bin/sh
# Builds the fuzz targets with clang and runs each for a while (default 300 s each):
#   fuzz/run.sh [seconds]
# Corpora and any crash files go to build/fuzz/; the seeds are the statements in
# fuzz/seeds/ and the Access-made databases of the engine's tests.
set -eu
seconds=${1:-300}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${FUZZ_BUILD_DIR:-$source_dir/build/fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g"

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORLANTIX_BUILD_FUZZERS=ON -DVORLANTIX_BUILD_TESTS=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build_dir" --target statement_fuzz database_fuzz format_fuzz -j2

mkdir -p "$build_dir/corpus/statement" "$build_dir/corpus/database" "$build_dir/corpus/format" \
    "$build_dir/crashes"
cp "$source_dir"/fuzz/seeds/* "$build_dir/corpus/statement/"
cp "$source_dir"/tests/db/fixtures/*.mdb "$build_dir/corpus/database/"

cd "$build_dir/crashes"
"$build_dir/fuzz/statement_fuzz" -max_total_time="$seconds" -max_len=4096 \
    "$build_dir/corpus/statement"
"$build_dir/fuzz/database_fuzz" -max_total_time="$seconds" -max_len=300000 -rss_limit_mb=4096 \
    "$build_dir/corpus/database"
"$build_dir/fuzz/format_fuzz" -max_total_time="$seconds" -max_len=8192 "$build_dir/corpus/format"
