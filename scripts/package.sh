#!/usr/bin/env bash
# Makes the Debian package from an existing build (build/ or $KUVANO_BUILD_DIR)
# and checks it: control fields, the files a desktop needs, then lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${KUVANO_BUILD_DIR:-build}"

cmake --build "$build_dir"
rm -f "$build_dir"/kuvano_*.deb
(cd "$build_dir" && cpack -G DEB)
deb=$(ls "$build_dir"/kuvano_*_*.deb)
desktop=$(basename "$(ls "$build_dir"/share/applications/*.desktop)")
id=${desktop%.desktop}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
for f in usr/bin/kuvano usr/libexec/kuvano/kuvano-mdb-reader usr/share/kuvano/supplied/DB3/loginstr.db \
    usr/share/kuvano/supplied/source/DeskTopBG/A1.bmp \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/16x16/apps/$id.png" \
    "usr/share/icons/hicolor/256x256/apps/$id.png" usr/share/doc/kuvano/copyright \
    usr/share/man/man1/kuvano.1.gz; do
    grep -q " \./$f\$" <<<"$contents" || fail "not in the package: $f"
done
depends=$(dpkg-deb --field "$deb" Depends)
grep -qF 'fonts-wqy-microhei | fonts-arphic-uming | fonts-noto-cjk' <<<"$depends" ||
    fail "no CJK font dependency"
grep -q 'libqt6widgets6' <<<"$depends" || fail "library dependencies not found (shlibdeps)"
[ "$(dpkg-deb --field "$deb" Section)" = utils ] || fail "wrong section"
dpkg-deb --field "$deb" Recommends | grep -qw qt6-translations-l10n ||
    fail "Qt's Chinese translations not recommended"

# Errors and warnings fail; the informational tags are shown.
lintian --display-info --fail-on error,warning "$deb"
echo "package $(basename "$deb"): checked"
