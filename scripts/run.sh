#!/usr/bin/env bash
# Set-up, build, then start the program from its program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/kuvano/kuvano
