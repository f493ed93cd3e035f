#!/usr/bin/env bash
# Set-up, build, then run every test and the format check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build_dir="${KUVANO_BUILD_DIR:-build}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600
if [ "${KUVANO_SKIP_FORMAT:-}" = "" ]; then
    cmake --build "$build_dir" --target format-check
fi
