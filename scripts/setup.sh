#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds into build/ (or $KUVANO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libsqlite3-dev libjpeg62-turbo-dev libgif-dev libssl-dev mdbtools-dev libmdb3
    # calendar sync: iCalendar, the desktop keyring, and a CalDAV server for the tests
    libical-dev qtkeychain-qt6-dev radicale
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-arphic-uming fonts-wqy-microhei fonts-dejavu-core
    xvfb xauth clang-format
    # the wallpaper tests check real desktop settings stores when present
    libglib2.0-bin gsettings-desktop-schemas mate-desktop-common cinnamon-desktop-data
    xfconf libxfconf-0-3 dbus-daemon
    desktop-file-utils appstream lintian file
)
if [ "${KUVANO_EXTRA_PACKAGES:-}" != "" ]; then
    read -r -a extra <<<"$KUVANO_EXTRA_PACKAGES"
    packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build_dir="${KUVANO_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja ${KUVANO_CMAKE_ARGS:-}
targets=()
if [ "${KUVANO_BUILD_TARGETS:-}" != "" ]; then
    read -r -a names <<<"$KUVANO_BUILD_TARGETS"
    for t in "${names[@]}"; do targets+=(--target "$t"); done
fi
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
