#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release -DVORLANTIX_BUILD_TESTS=OFF
cmake --build --preset release -j "$(nproc)"
exec build/release/app/vorlantix
