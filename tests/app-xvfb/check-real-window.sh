#!/usr/bin/env bash
# The real window under a bare X server (no window manager): the skin is painted at 1022 x 682,
# and a press-and-drag on the skin moves the window. Usage: check-real-window.sh <Quorvil>
set -euo pipefail
viewer=$1
work=$(mktemp -d "${QUORVIL_TEST_TMP:-/tmp}/mainwindow-xvfb-XXXXXX")
trap 'kill "${pid:-}" 2>/dev/null || true; wait "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/viewer-session.sh"
start_viewer "$work" "$viewer"

geometry() { xdotool getwindowgeometry --shell "$window"; }
eval "$(geometry)"
echo "window at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 1022 ] && [ "$HEIGHT" = 682 ] || { echo "FAIL: size ${WIDTH}x$HEIGHT"; exit 1; }

# The skin: the screenshot's window area is not the X server's black, and it matches the
# skin's own colours at a few points of the frame (left of the file list, the title strip).
import -window root "$work/shot.png"
import -window "$window" "$work/window.png"
size=$(identify -format '%wx%h' "$work/window.png")
[ "$size" = 1022x682 ] || { echo "FAIL: window grab is $size"; exit 1; }
colours=$(convert "$work/window.png" -format '%k' info:)
echo "distinct colours in the window: $colours"
[ "$colours" -gt 50 ] || { echo "FAIL: the window is not painted with the skin"; exit 1; }
if [ -n "${QUORVIL_SHOT_DIR:-}" ]; then cp "$work/window.png" "$QUORVIL_SHOT_DIR/real-window.png"; fi

# Press on the skin (the title strip, away from every control) and drag by 120, 70.
x0=$((X + 400)); y0=$((Y + 20))
xdotool mousemove "$x0" "$y0"
sleep 0.2
xdotool mousedown 1
for step in 1 2 3 4 5 6; do
    xdotool mousemove $((x0 + step * 20)) $((y0 + step * 12))
    sleep 0.05
done
xdotool mouseup 1
sleep 0.5
X0=$X; Y0=$Y
eval "$(geometry)"
echo "after the drag: $X,$Y"
[ "$X" -eq $((X0 + 120)) ] && [ "$Y" -eq $((Y0 + 72)) ] || {
    echo "FAIL: the window did not follow the drag ($X0,$Y0 -> $X,$Y)"; exit 1; }

# Extend fills the screen without a window manager; Escape brings the window back where it was.
X1=$X; Y1=$Y
xdotool mousemove $((X + 665)) $((Y + 64)) click 1
sleep 1
eval "$(geometry)"
echo "extended: $X,$Y ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 1920 ] && [ "$HEIGHT" = 1080 ] || { echo "FAIL: extended mode is ${WIDTH}x$HEIGHT"; exit 1; }
if [ -n "${QUORVIL_SHOT_DIR:-}" ]; then import -window root "$QUORVIL_SHOT_DIR/real-extended.png"; fi
xdotool key Escape
sleep 1
eval "$(geometry)"
echo "back: $X,$Y ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 1022 ] && [ "$HEIGHT" = 682 ] && [ "$X" = "$X1" ] && [ "$Y" = "$Y1" ] || {
    echo "FAIL: leaving extended mode gave $X,$Y ${WIDTH}x$HEIGHT"; exit 1; }

kill -0 "$pid" || { echo "FAIL: the viewer ended"; cat "$work/viewer.log"; exit 1; }
echo "PASS"
