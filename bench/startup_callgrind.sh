#!/usr/bin/env bash
# Instructions to the first frame of a start on a fresh program folder, under
# valgrind's callgrind on Xvfb: unlike processor time, the count is the same
# from run to run on a busy machine. Prints the total and leaves the profile
# (up to the first frame) as OUT, for callgrind_annotate.
#
#   bench/startup_callgrind.sh [BUILD_DIR [OUT]]   (NOTEBOOK=DIR: start on a copy of DIR instead)
#
# Needs the targets kuvano and startup_probe.
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-callgrind.startup.out}")
if [ -z "${KUVANO_STARTUP_BUS:-}" ] && command -v dbus-run-session >/dev/null; then
    KUVANO_STARTUP_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1600x1000x24 -br -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
if [ -n "${NOTEBOOK:-}" ]; then
    cp -a "$NOTEBOOK" "$work/folder"
else
    cp -a "$build/kuvano" "$work/folder"
    rm -f "$work/folder/DB3/CalendarD.mdb"*
fi
# The dump at the first frame is the profile; the one at the end is dropped.
STARTUP_PROBE_TIMEOUT_S=300 STARTUP_PROBE_AT_FRAME='callgrind_control -d "$1" >/dev/null' \
    "$build/bench/startup_probe" /usr/bin/valgrind --tool=callgrind \
    --callgrind-out-file="$work/cg.%p" "$work/folder/kuvano" >/dev/null
first=$(ls "$work"/cg.*.1 | head -n 1)
cp "$first" "$out"
awk '/^summary:|^totals:/ { print "instructions to the first frame: " $2; exit }' "$out"
