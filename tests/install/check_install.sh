#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop reads
# (desktop entry, AppStream metadata, icons), then starts the installed
# program with a temporary HOME: the notes database must appear in that
# home's data folder, owner-only, and nothing may change under the prefix.
# Usage: check_install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
work=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/kuvano share/kuvano/supplied/DB3/loginstr.db share/kuvano/supplied/source/Navigate/default.htm \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/man/man1/kuvano.1.gz \
    share/doc/kuvano/copyright; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "no ${size}px icon"
    # Width and height: big-endian 32-bit words at bytes 16 and 20 of a PNG.
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    [ $(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4)) = "$size" ] &&
        [ $(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4)) = "$size" ] ||
        fail "${size}px icon has another size"
done
[ -n "$(ls -A "$prefix/share/kuvano/supplied/source/UI")" ] || fail "no window pictures installed"
# Every value put into the installed texts at configure time is there.
for f in share/doc/kuvano/copyright share/metainfo/$id.metainfo.xml share/applications/$id.desktop; do
    ! grep -n '@[A-Z_]*@' "$prefix/$f" || fail "$f keeps a placeholder"
done
zcat "$prefix/share/doc/kuvano/changelog.gz" | { ! grep -n '@[A-Z_]*@'; } || fail "the changelog keeps a placeholder"
grep -q 'holiday-cn' "$prefix/share/doc/kuvano/copyright" || fail "the holiday table's licence is not named"

desktop=$prefix/share/applications/$id.desktop
# desktop-file-utils before 0.27 does not know SingleMainWindow (desktop
# entry 1.5); that complaint alone is let through.
said=$(desktop-file-validate "$desktop" 2>&1 || true)
errors=$(printf '%s\n' "$said" | grep 'error:' | grep -v 'key "SingleMainWindow"' || true)
[ -z "$errors" ] || { echo "$said" >&2; fail "the desktop entry does not validate"; }
grep -qx "SingleMainWindow=true" "$desktop" || fail "desktop entry lets a second start open a window"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
grep -qx "Exec=kuvano" "$desktop" || fail "desktop entry starts something else"
grep -qx "StartupWMClass=kuvano" "$desktop" || fail "desktop entry names another window class"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
grep -q "<id>$id</id>" "$prefix/share/metainfo/$id.metainfo.xml" || fail "metadata has another id"

# Start the installed program as a new user would, in its own runtime folder
# so that no other instance of this user answers for it.
home=$work/home
runtime=$work/run
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
listing() { (cd "$prefix" && find . -printf '%p %s %m %T@\n' | sort); }
before=$(listing)

# Starts $exe (with the environment given), waits for start-up and ends it;
# its folder is expected at $data/kuvano.
start() {
    env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen \
        LC_ALL=C.UTF-8 "$@" "$exe" >"$work/log" 2>&1 &
    pid=$!
    # The window size file is written after the database is made: both there
    # means start-up went through; the first day's snapshot, taken once the
    # window is drawn, means the work held back until then ran. The program
    # never ends by itself.
    for _ in $(seq 1 300); do
        [ -f "$data/kuvano/DB3/CalendarD.mdb" ] && [ -f "$data/kuvano/DB3/form.ini" ] &&
            compgen -G "$data/kuvano/DB3/backup/CalendarD-*.mdb" >/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null || { cat "$work/log" >&2; fail "the program ended by itself"; }
    kill "$pid"
    wait "$pid" || true
    pid=""
    [ -f "$data/kuvano/DB3/CalendarD.mdb" ] || { cat "$work/log" >&2; fail "no notes database in $data"; }
    compgen -G "$data/kuvano/DB3/backup/CalendarD-*.mdb" >/dev/null ||
        fail "no snapshot taken after start-up"
    # The data folder holds only what the user may change: the program reads
    # its own pictures and pages from the supplied folder.
    [ -d "$data/kuvano/source/DeskTopBG" ] || fail "no folder for the background pictures in $data"
    for f in source/UI source/Navigate/default.htm source/DeskTopBG/A1.bmp; do
        [ ! -e "$data/kuvano/$f" ] || fail "the program's own $f copied to $data"
    done
    # Folders 0700, files 0600, all the way down (snapshots live in DB3/backup).
    while read -r mode type f; do
        want=600
        [ "$type" = d ] && want=700
        [ "$mode" = "$want" ] || fail "$f is $mode, not owner-only"
    done < <(find "$data/kuvano/DB3" -printf '%m %y %p\n')
}

exe=$prefix/bin/kuvano
data=$home/.local/share
start
data=$work/elsewhere
start env XDG_DATA_HOME="$data"
# An older release copied every supplied file into the data folder: the
# copies still equal to this release's go, a page the user changed stays.
data=$work/older
mkdir -p "$data/kuvano"
cp -r "$prefix/share/kuvano/supplied/source" "$data/kuvano/"
printf '<p>mine</p>' >"$data/kuvano/source/Navigate/help.htm"
start env XDG_DATA_HOME="$data"
[ "$(cat "$data/kuvano/source/Navigate/help.htm")" = '<p>mine</p>' ] || fail "a page the user changed was removed"
[ "$before" = "$(listing)" ] || fail "the program wrote under the prefix"

# Installed into the user's own ~/.local, where share/kuvano is the data
# folder too: a reinstall must leave the user's files alone.
home=$work/home2
mkdir -p "$home"
cmake --install "$build" --prefix "$home/.local" >/dev/null
exe=$home/.local/bin/kuvano
data=$home/.local/share
start
printf 'x\r\nx\r\n-1\r\n' >"$data/kuvano/DB3/loginstr.db"
cmake --install "$build" --prefix "$home/.local" >/dev/null
[ "$(cat "$data/kuvano/DB3/loginstr.db")" = "$(printf 'x\r\nx\r\n-1\r\n')" ] ||
    fail "a reinstall into ~/.local overwrote the password file"
[ -f "$data/kuvano/DB3/CalendarD.mdb" ] || fail "a reinstall into ~/.local lost the notes"

echo "installed program: 4 passed, 0 failed"
