#!/usr/bin/env bash
# The journey with the viewer as the Debian package installs it: the package is built from the
# build folder with CPack, checked (its declared dependencies, its launcher entry and
# software-centre description), unpacked with dpkg -x into a scratch root instead of the
# system, and the journey runs the unpacked /usr/bin/Quorvil and quorvil-make-card.
# Usage: journey-package.sh <build dir> <source dir>
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d "${QUORVIL_TEST_TMP:-/tmp}/journey-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { tail -n 20 "$work/cpack.log"; fail "cpack"; }
deb=$(find "$work/pkg" -maxdepth 1 -name 'quorvil_*_amd64.deb' | head -n1)
[ -n "$deb" ] || fail "no package built"
echo "package: $(basename "$deb")"

# What it needs at run time is declared: the libraries it links and what it loads.
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libgstreamer1.0-0 libavformat gstreamer1.0-plugins-good \
    gstreamer1.0-libav qt6-qpa-plugins libqt6webenginecore6-bin fonts-noto-cjk; do
    grep -q "$need" <<<"$depends" || fail "Depends lacks $need: $depends"
done
echo "Depends declares the linked libraries, the GStreamer plugins, the web engine and the fonts"

dpkg -x "$deb" "$work/root"
usr=$work/root/usr
desktop-file-validate "$usr/share/applications/org.quorvil.Quorvil.desktop" ||
    fail "desktop entry invalid"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/org.quorvil.Quorvil.metainfo.xml" ||
    fail "metainfo invalid"

xvfb-run -a -s "-screen 0 1280x800x24" "$(dirname "$0")/journey.sh" "$usr/bin/Quorvil" \
    "$usr/bin/quorvil-make-card" "$source" en
