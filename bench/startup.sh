#!/usr/bin/env bash
# Start-up under Xvfb, in one run: a fresh program folder (the first start
# creates the database), a notebook of YEARS years with notes of NOTE_BYTES
# on every page, and an empty frameless Qt window built with the same Qt.
# RUNS starts of each, interleaved, after one unmeasured warm-up start of
# each. Prints the medians of start to mapped window, of start to first
# frame and of the CPU time used up to then, with their ratios to the empty
# window. Given a second build folder,
# its program is measured in the same run too, on the same notebook ("before").
#
#   bench/startup.sh [BUILD_DIR [BEFORE_BUILD_DIR]]   (RUNS=7 YEARS=11 NOTE_BYTES=4096)
#
# The CPU time is that of all its threads at the first frame.
# Needs the targets kuvano, make_notebook, startup_probe and empty_window
# (only kuvano in BEFORE_BUILD_DIR).
set -euo pipefail
build=$(realpath "${1:-build}")
before=${2:+$(realpath "$2")}
runs=${RUNS:-7}
years=${YEARS:-11}
note_bytes=${NOTE_BYTES:-4096}

# A session bus of our own, as a desktop session has: without one, the first
# Qt program on a new X server starts a bus through D-Bus autolaunch, which
# can hang on a stale address left by an earlier server of the same number.
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
# Our own X server, on a display number it picks itself, with a black root:
# the probe sees the first frame as the window's centre leaving black.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -br -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
# On that server, whatever platform a developer's shell asked for (offscreen
# for the tests), and with no window manager.
export QT_QPA_PLATFORM=xcb
# Program folders without a database: the fresh start's template, and the
# notebook (the same database file under each program measured).
cp -a "$build/kuvano" "$work/template"
rm -f "$work/template/DB3/CalendarD.mdb"*
cp -a "$work/template" "$work/notebook"
"$build/tools/make_notebook" "$years" "$note_bytes" "$work/notebook" 2>/dev/null
notebook_mb=$(($(stat -c %s "$work/notebook/DB3/CalendarD.mdb") / 1000000))
if [ -n "$before" ]; then
    cp -a "$before/kuvano" "$work/template-before"
    rm -f "$work/template-before/DB3/CalendarD.mdb"*
    cp -a "$work/template-before" "$work/notebook-before"
    cp "$work/notebook/DB3/CalendarD.mdb" "$work/notebook-before/DB3/"
fi

# One start of a kind; prints "mapped_ms first_frame_ms cpu_ms". A start that
# shows no window is tried once more (and said so), so one stray failure
# does not end the run.
start() { once "$@" || { echo "retrying a $1 start" >&2 && once "$@"; }; }
once() {
    local kind=$1 n=$2
    # Each start has its own runtime folder: no instance socket is left over.
    export XDG_RUNTIME_DIR="$work/run-$kind-$n"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    local probe="$build/bench/startup_probe"
    case $kind in
    empty) "$probe" "$build/bench/empty_window" ;;
    fresh | fresh-before)
        local template=$work/template${kind#fresh}
        rm -rf "$work/fresh"
        cp -a "$template" "$work/fresh"
        "$probe" "$work/fresh/kuvano"
        ;;
    notebook | notebook-before) "$probe" "$work/$kind/kuvano" ;;
    esac
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A notebook's first start builds its search index in the background, for
# many seconds with megabytes of notes; measured starts are ended soon after
# their first frame, so each would take up that build where the last left
# it. Each program first runs on its notebook until it is idle (its processor
# time stops growing), then is ended as a logout ends it.
settle() {
    export XDG_RUNTIME_DIR="$work/run-settle-$1"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    "$work/$1/kuvano" >/dev/null 2>&1 &
    local pid=$! last=-1 now
    for _ in $(seq 600); do
        sleep 1
        now=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null) || break
        [ "$now" = "$last" ] && break
        last=$now
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

kinds=(empty fresh notebook)
[ -z "$before" ] || kinds+=(fresh-before notebook-before)
for kind in "${kinds[@]}"; do
    case $kind in notebook*) settle "$kind" ;; esac
done
for kind in "${kinds[@]}"; do start "$kind" 0 >/dev/null; done
declare -A mapped painted cpu
for ((i = 1; i <= runs; i++)); do
    for kind in "${kinds[@]}"; do
        read -r m p c < <(start "$kind" "$i")
        mapped[$kind]+="$m "
        painted[$kind]+="$p "
        cpu[$kind]+="$c "
    done
done

med() { tr ' ' '\n' <<<"$1" | grep . | median; }
empty_m=$(med "${mapped[empty]}")
empty_p=$(med "${painted[empty]}")
empty_c=$(med "${cpu[empty]}")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "medians of $runs starts (ms); ratio to the empty window in brackets"
printf '%-48s %16s %16s %16s\n' "" "mapped window" "first frame" "CPU time"
for kind in "${kinds[@]}"; do
    case $kind in
    empty) label="empty frameless Qt window" ;;
    fresh*) label="fresh program folder" ;;
    notebook*) label="${years}-year notebook, ${note_bytes} B notes (${notebook_mb} MB)" ;;
    esac
    [ "${kind%-before}" = "$kind" ] || label="$label, before"
    m=$(med "${mapped[$kind]}")
    p=$(med "${painted[$kind]}")
    c=$(med "${cpu[$kind]}")
    printf '%-48s %8.1f (%5s) %8.1f (%5s) %8.1f (%5s)\n' "$label" "$m" "$(ratio "$m" "$empty_m")" \
        "$p" "$(ratio "$p" "$empty_p")" "$c" "$(ratio "$c" "$empty_c")"
done
echo "all starts, mapped window:"
for kind in "${kinds[@]}"; do echo "  $kind: ${mapped[$kind]}"; done
echo "all starts, first frame:"
for kind in "${kinds[@]}"; do echo "  $kind: ${painted[$kind]}"; done
echo "all starts, CPU time:"
for kind in "${kinds[@]}"; do echo "  $kind: ${cpu[$kind]}"; done
