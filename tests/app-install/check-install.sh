#!/usr/bin/env bash
# Installs the build into a scratch root and checks what a desktop and a packager look at: every
# file in its standard place, the launcher entry and the software-centre description valid, and
# the viewer reachable from bin/ with its map page and filter installer beside its real path.
set -euo pipefail
build=$1
root=$(mktemp -d "${QUORVIL_TEST_TMP:-/tmp}/install-XXXXXX")
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
id=org.quorvil.Quorvil

expected=(
    bin/Quorvil bin/quorvil-make-card bin/quorvil-export bin/quorvil-recover
    lib/quorvil/Quorvil lib/quorvil/TarnFilter
    lib/quorvil/MapView.htm lib/quorvil/MapView.js lib/quorvil/MapView.css
    lib/quorvil/vendor/leaflet/leaflet.js lib/quorvil/vendor/leaflet/images/marker-icon.png
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml
    share/icons/hicolor/scalable/apps/$id.svg
)
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for f in "${expected[@]}"; do
    [ -e "$usr/$f" ] || fail "$f not installed"
done
for size in 16 24 32 48 64 128 256; do
    identify -format '%wx%h' "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" |
        grep -qx "${size}x${size}" || fail "the ${size}x${size} icon has another size"
done
for exe in bin/quorvil-make-card bin/quorvil-export bin/quorvil-recover lib/quorvil/Quorvil \
    lib/quorvil/TarnFilter; do
    [ -x "$usr/$exe" ] || fail "$exe not executable"
done

# A relative link, so the package's tree works wherever it is unpacked.
link=$(readlink "$usr/bin/Quorvil")
[ "${link#/}" = "$link" ] || fail "bin/Quorvil links to an absolute path: $link"
[ "$(readlink -f "$usr/bin/Quorvil")" = "$(readlink -f "$usr/lib/quorvil/Quorvil")" ] ||
    fail "bin/Quorvil does not reach the viewer"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "metainfo invalid"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$usr/share/applications/$id.desktop")
[ -e "$usr/bin/$exec_name" ] || fail "the desktop entry starts $exec_name, which is not in bin/"

# The installed viewer starts through the link.
QT_QPA_PLATFORM=offscreen "$usr/bin/Quorvil" --help >/dev/null || fail "Quorvil --help failed"
"$usr/bin/quorvil-make-card" --help >/dev/null || fail "quorvil-make-card --help failed"
echo "installed tree OK"
