#!/usr/bin/env bash
# Extended mode's panels in the real window under a bare X server (no window manager): the
# pointer zones show and hide the bars, the bars and the file list panel are painted with the
# skin, a double click in the panel's list plays, and PageDown on a focused top bar button
# plays the next recording while Space there does not pause.
# Usage: check-panels.sh <Quorvil> <quorvil-make-card> <source dir>
set -euo pipefail
viewer=$1 makecard=$2 source=$3
work=$(mktemp -d "${QUORVIL_TEST_TMP:-/tmp}/panels-xvfb-XXXXXX")
trap 'kill "${pid:-}" 2>/dev/null || true; wait "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/viewer-session.sh"
"$makecard" --count 3 --duration 20 --size 320x180 --fps 10 --no-audio "$work/card" >/dev/null
start_viewer "$work" "$viewer" --library "$work/card/Recordings"
eval "$(xdotool getwindowgeometry --shell "$window")"

shot() { import -window root "$work/$1.png"; }
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info: | sed 's/srgba\?(\([0-9]*,[0-9]*,[0-9]*\).*/\1/;s/srgb(//;s/)//'; }
crop() { convert "$work/$1.png" -crop "$2" +repage "$work/$3.png"; }
same() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true)" = 0 ]; }
keep() { if [ -n "${QUORVIL_SHOT_DIR:-}" ]; then cp "$work/$1.png" "$QUORVIL_SHOT_DIR/$2.png"; fi; }
expect_pixel() { # name x y reference-png rx ry what
    local got want
    got=$(pixel "$work/$1.png" "$2" "$3")
    want=$(pixel "$4" "$5" "$6")
    echo "$7: $got (skin $want)"
    [ "$got" = "$want" ] || { echo "FAIL: $7"; exit 1; }
}

# Extend; the screen is 1280 x 800.
xdotool mousemove $((X + 665)) $((Y + 64)) click 1
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "extended: ${WIDTH}x$HEIGHT"
W=$WIDTH H=$HEIGHT

# The top band shows both bars, painted with their strips.
for x in 100 300 500; do xdotool mousemove $x 20; sleep 0.1; done
sleep 0.5
shot bands
expect_pixel bands 5 5 "$source/resources/skin/270.png" 0 5 "top bar background"
expect_pixel bands 5 $((H - 44 + 5)) "$source/resources/skin/269.png" 0 5 "control bar background"
keep bands panels-real-bars

# The File list button opens the panel above the bar's right end.
xdotool mousemove $((W - 57 + 18)) $((H - 36 + 14)) click 1
sleep 0.5
shot filelist
px=$((W - 326)) py=$((H - 631))
expect_pixel filelist $((px + 1)) $((py + 1)) "$source/resources/skin/129.png" 694 48 "file list panel background"
# A pixel of the lettering of the column's title.
expect_pixel filelist $((px + 17)) $((py + 15)) "$source/resources/skin/129.png" 710 62 "file list panel title"

# A double click on its first row plays that recording: the top bar shows its name.
crop filelist "300x15+28+11" name-empty
xdotool mousemove $((px + 60)) $((py + 79 + 10)) click --repeat 2 --delay 80 1
sleep 2
xdotool mousemove 700 20
sleep 0.5
shot playing
keep playing panels-real-playing
crop playing "300x15+28+11" name-first
if same name-empty name-first; then echo "FAIL: no file name after the double click"; exit 1; fi

# PageDown with a top bar button focused plays the next recording.
xdotool mousemove $((W - 268 + 20)) 21 click 1
sleep 0.5
xdotool key Next
sleep 2
shot next
crop next "300x15+28+11" name-next
if same name-first name-next; then echo "FAIL: PageDown on the top bar did not play the next recording"; exit 1; fi
echo "PageDown: the next recording plays"

# Space there presses the focused button and does not pause: the bar keeps its Pause look.
crop next "37x28+$((W - 465))+$((H - 36))" play-before
xdotool key space
sleep 0.7
shot space
crop space "37x28+$((W - 465))+$((H - 36))" play-after
same play-before play-after || { echo "FAIL: Space on the top bar changed the Play look"; exit 1; }
echo "Space: still playing"

# The middle hides all three panels; the top band is black again.
xdotool mousemove 640 400
sleep 0.5
shot middle
got=$(pixel "$work/middle.png" 5 5)
echo "middle: top left $got"
[ "$got" = "0,0,0" ] || { echo "FAIL: the bars did not go"; exit 1; }
got=$(pixel "$work/middle.png" $((px + 1)) $((py + 1)))
[ "$got" != "$(pixel "$source/resources/skin/129.png" 694 48)" ] || {
    echo "FAIL: the file list panel did not go"; exit 1; }

kill -0 "$pid" || { echo "FAIL: the viewer ended"; cat "$work/viewer.log"; exit 1; }
echo "PASS"
