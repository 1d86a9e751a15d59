#!/usr/bin/env bash
# A user's whole journey through the real viewer under a bare X server, driven with real input
# at the window's own coordinates and checked by reading screenshots: a memory card arrives
# (a fake removable drive over a generated card), the drive dialog is confirmed, a two-channel
# recording plays with its G-sensor graph, speed readout and map (tiles from a local server),
# the rear picture is flipped, a still is captured, two recordings are saved and one deleted,
# extended mode is entered and left, the card is pulled and the window is closed.
# Usage: journey.sh <Quorvil> <quorvil-make-card> <source dir> <en|ko|ja|ru>
# QUORVIL_SHOT_DIR=dir keeps the screenshots (journey-<language>-<step>.png).
set -euo pipefail
viewer=$1 makecard=$2 source=$3 lang=$4
case "$lang" in
en) locale=en_US.UTF-8 langid=1033 ;;
ko) locale=ko_KR.UTF-8 langid=1042 ;;
ja) locale=ja_JP.UTF-8 langid=1041 ;;
ru) locale=ru_RU.UTF-8 langid=1049 ;;
*) echo "unknown language $lang"; exit 2 ;;
esac
here=$(dirname "$(readlink -f "$0")")

# The work folder sits right under /tmp: the folder browser is walked to it by keyboard.
work=$(mktemp -d /tmp/qvjourney-XXXXXX)
pid="" tiles=""
cleanup() {
    for p in $pid $tiles; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    if [ -n "${QUORVIL_SHOT_DIR:-}" ] && [ -f "$work/last.png" ]; then
        cp "$work/last.png" "$QUORVIL_SHOT_DIR/journey-$lang-failed.png"
    fi
    echo "--- viewer log"; tail -n 40 "$work/viewer.log" || true
    exit 1
}
step() { echo "== $*"; }
# Polls `$@` every 0.2 s until it succeeds; fails after `deadline` seconds.
wait_for() {
    local deadline=$1 what=$2
    shift 2
    local end=$((SECONDS + deadline))
    until "$@"; do
        [ $SECONDS -lt $end ] || fail "$what (no change within ${deadline}s)"
        kill -0 "$pid" 2>/dev/null || fail "the viewer ended while waiting: $what"
        sleep 0.2
    done
}

# --- screenshots and pixels --------------------------------------------------------------
shot() { import -window root "$work/$1.png" && cp "$work/$1.png" "$work/last.png"; }
keep() {
    [ -z "${QUORVIL_SHOT_DIR:-}" ] && return 0
    if [ $# -gt 2 ]; then
        convert "$work/$1.png" -crop "$3" +repage "$QUORVIL_SHOT_DIR/journey-$lang-$2.png"
    else
        cp "$work/$1.png" "$QUORVIL_SHOT_DIR/journey-$lang-$2.png"
    fi
}
# "r g b" of pixel x,y (screen coordinates) of a screenshot.
rgb() { convert "$work/$1.png" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
# Whether pixel x,y of a screenshot is within `tolerance` of r g b on every channel.
near() { # shot x y r g b tolerance
    local got
    read -r -a got <<<"$(rgb "$1" "$2" "$3")"
    local d0=$((got[0] - $4)) d1=$((got[1] - $5)) d2=$((got[2] - $6))
    [ ${d0#-} -le "$7" ] && [ ${d1#-} -le "$7" ] && [ ${d2#-} -le "$7" ]
}
expect_near() { # shot x y r g b tolerance what
    near "$@" || fail "$8: pixel $2,$3 is $(rgb "$1" "$2" "$3"), expected about $4 $5 $6"
    echo "$8: $(rgb "$1" "$2" "$3")"
}
crop() { convert "$work/$1.png" -crop "$2" +repage "$work/$3.png"; }
# Number of pixels that differ between two equally sized pictures.
differ() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
same() { [ "$(differ "$work/$1.png" "$work/$2.png")" = 0 ]; }
# The window's client rectangle x,y,w,h at window coordinates → a crop geometry on the screen.
at() { echo "$3x$4+$((X + $1))+$((Y + $2))"; }

# --- real input at the window's own coordinates -------------------------------------------
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }
double_click() { xdotool mousemove $((X + $1)) $((Y + $2)) click --repeat 2 --delay 80 1; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# Showing the map the first time gives the main window a new X window (an OpenGL surface for
# the web view): find it again by its name when the old one is gone.
main_geometry() {
    local g
    if ! g=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || [ -z "$g" ]; then
        main_appears || fail "the main window is gone"
        g=$(xdotool getwindowgeometry --shell "$window")
    fi
    eval "$g"
}
# The viewer's visible top-level windows. A dialog is one that was not there before the
# click that opens it (the map's windows stay around once made).
visible_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort || true; }
dialog="" before=""
expect_dialog() { before=$(visible_windows); }
dialog_appears() {
    dialog=$(comm -13 <(echo "$before") <(visible_windows) | grep -vx "$window" | tail -n 1 || true)
    [ -n "$dialog" ]
}
dialog_gone() { ! xwininfo -id "$dialog" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# Keyboard input goes to the window under the pointer (no window manager): point at the dialog.
point_at_dialog() {
    local X Y WIDTH HEIGHT
    geometry "$dialog"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 8))
    sleep 0.3
}

# --- a memory card in a reader ------------------------------------------------------------
step "generate the card and its drive"
card=$work/media/CAMERA
mkdir -p "$card"
# A front-only recording first, then three two-channel ones of each category.
# Long enough that the playing one does not end (and the next start) during the journey.
"$makecard" --count 3 --category NOR,EVT,MOT --start 2024-05-01T09:00:00 --duration 240 \
    --size 320x180 --fps 5 --no-audio "$card" >/dev/null
"$makecard" --file "$card/Recordings/20240501_085500_NOR_C1.AVI" --start 2024-05-01T08:55:00 \
    --duration 20 --size 320x180 --fps 5 --channels 1 --no-audio >/dev/null
touch -d "2024-05-01 08:55:20" "$card/Recordings/20240501_085500_NOR_C1.AVI"
rows=$(find "$card/Recordings" -type f | wc -l)
[ "$rows" = 4 ] || fail "the card holds $rows recordings"
# sysfs: sdz is a removable disk with partition sdz1 (8:241); udev names it CAMERA.
mkdir -p "$work/sys/block/sdz/sdz1" "$work/sys/dev/block" "$work/dev/udev" "$work/user" \
    "$work/machine" "$work/home"
echo 1 >"$work/sys/block/sdz/removable"
echo 1 >"$work/sys/block/sdz/sdz1/partition"
ln -s ../../block/sdz/sdz1 "$work/sys/dev/block/8:241"
printf 'E:ID_FS_TYPE=exfat\nE:ID_FS_LABEL_ENC=CAMERA\n' >"$work/dev/udev/b8:241"
base_mounts() {
    printf '22 28 0:21 / /proc rw,relatime - proc proc rw\n'
    printf '28 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n'
}
write_mounts() { # [card]
    { base_mounts; [ $# = 0 ] || printf '40 28 8:241 / %s rw,nosuid,nodev,relatime shared:300 - exfat /dev/sdz1 rw,uid=0\n' "$card"; } \
        >"$work/mountinfo.new"
    mv "$work/mountinfo.new" "$work/mountinfo"
}
write_mounts card

step "start a local tile server"
convert -size 256x256 xc:'rgb(120,200,120)' "$work/tile.png"
python3 "$here/tile-server.py" "$work/tile.png" "$work/tile-port" &
tiles=$!
end=$((SECONDS + 10))
until [ -s "$work/tile-port" ]; do
    [ $SECONDS -lt $end ] || fail "the tile server did not start"
    sleep 0.1
done

step "start the viewer ($lang)"
export QUORVIL_CONFIG_HOME=$work/user QUORVIL_SYSTEM_CONFIG=$work/machine HOME=$work/home
export QUORVIL_MOUNTINFO=$work/mountinfo QUORVIL_SYSFS=$work/sys QUORVIL_DEVDIR=$work/dev
export QUORVIL_ONLINE=1 QUORVIL_TILE_URL="http://127.0.0.1:$(cat "$work/tile-port")/{z}/{x}/{y}.png"
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-dev-shm-usage"
export QT_QPA_PLATFORM=xcb LANG=$locale LC_ALL= LC_MESSAGES=
"$viewer" >"$work/viewer.log" 2>&1 &
pid=$!
window=""
main_appears() {
    window=$(xdotool search --onlyvisible --name '^Quorvil$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ]
}
expect_dialog
wait_for 60 "the main window" main_appears
main_geometry
echo "main window at $X,$Y ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 1022 ] && [ "$HEIGHT" = 682 ] || fail "the window is ${WIDTH}x$HEIGHT"

step "the drive dialog follows the window; confirm it"
wait_for 60 "the drive dialog" dialog_appears
title=$(xdotool getwindowname "$dialog")
echo "drive dialog: \"$title\""
[ -n "$title" ] || fail "the drive dialog has no title"
sleep 0.5
shot drive
main_geometry
# The window is painted in this language's skin: the title above the list and the column
# heads are this language's word bitmap.
if [ "$lang" = en ]; then skin=$source/resources/skin/129.png; else skin=$source/resources/skin/$langid/129.png; fi
crop drive "$(at 702 48 150 28)" title-shown
convert "$skin" -crop 150x28+702+48 +repage "$work/title-skin.png"
same title-shown title-skin || fail "the title above the list is not the $lang skin's"
echo "the window wears the $lang word bitmaps"
(
    geometry "$dialog"
    keep drive drive-dialog "${WIDTH}x$HEIGHT+$X+$Y"
    xdotool mousemove $((X + 142)) $((Y + 94)) click 1
)
wait_for 30 "the drive dialog to close" dialog_gone

step "the list fills"
list_filled() { shot listed && ! near listed $((X + 760)) $((Y + 136)) 33 33 33 0; }
wait_for 45 "the first row" list_filled
# Four rows of text: each row's name cell holds lettering, the fifth row is empty.
for row in 0 1 2 3; do
    crop listed "$(at 700 $((126 + row * 21)) 150 20)" "row$row"
    colours=$(convert "$work/row$row.png" -format '%k' info:)
    [ "$colours" -gt 3 ] || fail "row $row is empty"
done
crop listed "$(at 700 $((126 + 4 * 21)) 150 20)" row4
[ "$(convert "$work/row4.png" -format '%k' info:)" -le 2 ] || fail "a fifth row is listed"
keep listed listed "$(at 0 0 1022 682)"

step "double-click the first two-channel row (row 1; row 0 is front-only)"
crop listed "$(at 41 531 370 114)" graph-empty
crop listed "$(at 830 643 30 15)" readout-empty
double_click 760 $((126 + 21 + 10))
playing_front() { shot playing && near playing $((X + 3 + 500)) $((Y + 78 + 58)) 200 30 30 70; }
wait_for 60 "the front picture" playing_front
# Both pictures side by side.
click 519 64
playing_both() {
    shot playing
    near playing $((X + 3 + 258)) $((Y + 175 + 29)) 200 30 30 70 &&
        near playing $((X + 347 + 34)) $((Y + 175 + 19)) 220 200 30 70
}
wait_for 60 "both pictures" playing_both
expect_near playing $((X + 3 + 258)) $((Y + 175 + 29)) 200 30 30 70 "front picture (red)"
expect_near playing $((X + 347 + 34)) $((Y + 175 + 19)) 220 200 30 70 "rear picture, top left (yellow)"
expect_near playing $((X + 347 + 310)) $((Y + 175 + 19)) 30 30 200 70 "rear picture, top right (blue)"
crop playing "$(at 121 57 290 15)" name-playing
[ "$(convert "$work/name-playing.png" -format '%k' info:)" -gt 3 ] || fail "no file name shown"
crop playing "$(at 40 494 50 13)" time-a
time_moves() { shot playing2 && crop playing2 "$(at 40 494 50 13)" time-b && ! same time-a time-b; }
wait_for 30 "the position time to advance" time_moves
echo "the position time advances"

step "the G-sensor graph and the speed readout"
graph_drawn() {
    shot sensors && crop sensors "$(at 41 531 370 114)" graph-now
    [ "$(differ "$work/graph-now.png" "$work/graph-empty.png")" -gt 200 ]
}
wait_for 45 "the G-sensor graph" graph_drawn
echo "graph: $(differ "$work/graph-now.png" "$work/graph-empty.png") pixels drawn"
# Each of the three readout cells shows one of the digit bitmaps 321 to 330.
readout() { # shot y → the digits shown, or "" when a cell is no digit
    local cell d text=""
    for cell in 0 1 2; do
        crop "$1" "$(at $((830 + 10 * cell)) "$2" 10 15)" cell
        for d in 0 1 2 3 4 5 6 7 8 9; do
            if [ "$(differ "$work/cell.png" "$source/resources/skin/$((321 + d)).png")" = 0 ]; then
                text=$text$d
                break
            fi
        done
    done
    [ ${#text} = 3 ] && echo "$text"
}
digits_shown() { shot sensors && speed=$(readout sensors 643) && [ -n "$speed" ]; }
wait_for 30 "the speed digits" digits_shown
echo "speed readout: $speed km/h"
keep sensors playing "$(at 0 0 1022 682)"

step "the small map: page loaded, marker placed"
click 991 650
map_ready() { # the small map at 695,466 323x196: tiles in, the red marker at its middle
    shot map
    near map $((X + 700)) $((Y + 470)) 120 200 120 12 || near map $((X + 1010)) $((Y + 655)) 120 200 120 12 || return 1
    convert "$work/map.png" -crop "$(at 695 466 323 196)" +repage -fill black -fuzz 12% +opaque 'rgb(215,38,61)' \
        -fill white -opaque 'rgb(215,38,61)' -format '%[fx:int(mean*w*h)]' info: >"$work/marker"
    [ "$(cat "$work/marker")" -gt 20 ]
}
wait_for 90 "the small map with tiles and marker" map_ready
echo "small map: tiles in, marker of $(cat "$work/marker") pixels"
digits_in_bar() { shot map && speed=$(readout map 445) && [ -n "$speed" ]; }
wait_for 15 "the readout above the small map" digits_in_bar
keep map small-map "$(at 0 0 1022 682)"

step "the large map, and back"
click 955 452
large_ready() {
    shot large
    # Tiles fill the whole large map, to its far corner (not only the small map's size).
    near large $((X + 10)) $((Y + 60)) 120 200 120 12 || return 1
    near large $((X + 1000)) $((Y + 600)) 120 200 120 12 || return 1
    convert "$work/large.png" -crop "$(at 2 48 1017 615)" +repage -fill black -fuzz 12% +opaque 'rgb(215,38,61)' \
        -fill white -opaque 'rgb(215,38,61)' -format '%[fx:int(mean*w*h)]' info: >"$work/marker"
    [ "$(cat "$work/marker")" -gt 20 ]
}
wait_for 60 "the large map with tiles and marker" large_ready
echo "large map: marker of $(cat "$work/marker") pixels"
keep large large-map "$(at 0 0 1022 682)"
click 915 26
wait_for 30 "the pictures after the large map" playing_both
# Hide the small map again.
click 991 452
map_hidden() { shot nomap && near nomap $((X + 800)) $((Y + 500)) 33 33 33 0; }
wait_for 30 "the list below the map bar" map_hidden

step "flip the rear picture"
click 561 64
flipped() {
    shot flipped
    # The yellow box moves from the top left to the bottom left of the rear picture.
    near flipped $((X + 347 + 34)) $((Y + 175 + 19)) 30 30 200 70 &&
        near flipped $((X + 347 + 34)) $((Y + 175 + 194 - 15)) 220 200 30 70
}
wait_for 30 "the rear picture flipped" flipped
expect_near flipped $((X + 3 + 258)) $((Y + 175 + 29)) 200 30 30 70 "front picture unchanged"
keep flipped flipped "$(at 0 0 1022 682)"

step "capture a still"
stills=$work/stills
mkdir -p "$stills"
expect_dialog
click 630 64
wait_for 30 "the save dialog" dialog_appears
echo "save dialog: \"$(xdotool getwindowname "$dialog")\""
point_at_dialog
xdotool key ctrl+a
xdotool type --delay 20 "$stills/journey"
sleep 0.3
shot save-dialog
xdotool key Return
wait_for 30 "the save dialog to close" dialog_gone
stills_written() { [ -s "$stills/journey_front.jpg" ] && [ -s "$stills/journey_rear.jpg" ]; }
wait_for 30 "the two stills" stills_written
for f in journey_front journey_rear; do
    type=$(identify -format '%m %wx%h' "$stills/$f.jpg")
    echo "$f.jpg: $type"
    [ "${type%% *}" = JPEG ] || fail "$f.jpg is $type"
done
# The rear still is what was shown: flipped, the yellow box at the bottom left.
convert "$stills/journey_rear.jpg" -format "%[fx:int(255*p{30,150}.r)] %[fx:int(255*p{30,150}.b)]" info: |
    { read -r r b; [ "$r" -gt 150 ] && [ "$b" -lt 110 ]; } || fail "the rear still is not the flipped picture"
[ "$(find "$stills" -type f | wc -l)" = 2 ] || fail "more than the two stills in the folder"

step "check two rows and save them"
click 983 $((126 + 21 + 10))
click 983 $((126 + 2 * 21 + 10))
sleep 0.3
shot checked
copies=$work/copies
mkdir -p "$copies"
expect_dialog
click 957 64
wait_for 30 "the folder browser" dialog_appears
echo "folder browser: \"$(xdotool getwindowname "$dialog")\""
(
    geometry "$dialog"
    # The tree fills the dialog's middle; walk it from / to $copies by typing names.
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    sleep 0.5
    xdotool key Home
    rel=${copies#/}
    IFS=/ read -r -a parts <<<"$rel"
    for part in "${parts[@]}"; do
        sleep 1.2 # the folder model lists a folder in the background
        xdotool type --delay 30 "$part"
        sleep 0.6
        xdotool key Right
    done
    sleep 0.5
)
shot browser
xdotool key Return
wait_for 30 "the folder browser to close" dialog_gone
copied() {
    [ "$(find "$copies" -maxdepth 1 -type f ! -name '.*' | wc -l)" = 2 ] && dialog_gone
}
wait_for 90 "the two copies" copied
for f in "$copies"/*; do
    cmp "$f" "$card/Recordings/$(basename "$f")" || fail "$(basename "$f") differs from the card's"
    echo "copy $(basename "$f"): equal to the card's, byte for byte"
done
[ -z "$(find "$copies" -name '.*' -type f)" ] || fail "a hidden partial copy is left"

step "delete a row (confirm)"
# Uncheck the playing row 1 (it is kept anyway); row 2 stays checked and goes.
click 983 $((126 + 21 + 10))
victim=$(ls "$card/Recordings" | sort | sed -n 3p)
expect_dialog
click 992 64
wait_for 30 "the delete question" dialog_appears
question=$(xdotool getwindowname "$dialog")
echo "delete question: \"$question\""
shot question
(
    geometry "$dialog"
    keep question delete-question "${WIDTH}x$HEIGHT+$X+$Y"
    crop question "${WIDTH}x$((HEIGHT / 2))+$X+$Y" question-text
    [ "$(convert "$work/question-text.png" -format '%k' info:)" -gt 3 ] || fail "the question has no text"
)
point_at_dialog
xdotool key Return
wait_for 30 "the delete question to close" dialog_gone
deleted() { [ ! -e "$card/Recordings/$victim" ]; }
wait_for 30 "$victim to go" deleted
[ "$(find "$card/Recordings" -type f | wc -l)" = 3 ] || fail "other files went too"
three_rows() { shot deleted && ! near deleted $((X + 760)) $((Y + 126 + 2 * 21 + 10)) 33 33 33 0 &&
    near deleted $((X + 760)) $((Y + 126 + 3 * 21 + 10)) 33 33 33 0; }
wait_for 30 "three rows" three_rows
echo "deleted $victim; three rows listed"

step "extended mode: the bars and the file list panel"
click 665 64
extended() { main_geometry && [ "$WIDTH" -gt 1022 ]; }
wait_for 30 "extended mode" extended
W=$WIDTH H=$HEIGHT
echo "extended: ${W}x$H"
for x in 100 300 500; do xdotool mousemove $x 20; sleep 0.1; done
skin_rgb() { convert "$source/resources/skin/$1.png" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
read -r -a top_strip <<<"$(skin_rgb 270 0 5)"
read -r -a bar_strip <<<"$(skin_rgb 269 0 5)"
bars_shown() {
    shot bars && near bars 5 5 "${top_strip[@]}" 0 && near bars 5 $((H - 44 + 5)) "${bar_strip[@]}" 0
}
wait_for 15 "the top and control bars" bars_shown
xdotool mousemove $((W - 57 + 18)) $((H - 36 + 14)) click 1
# The panel is the main skin's right column (panel 0,0 is skin 693,47), title and all.
px=$((W - 326)) py=$((H - 631))
panel_shown() {
    shot panel && crop panel "150x28+$((px + 9))+$((py + 1))" panel-title && same panel-title title-skin
}
wait_for 15 "the file list panel with its $lang title" panel_shown
crop panel "150x20+$((px + 7))+$((py + 79))" panel-row0
[ "$(convert "$work/panel-row0.png" -format '%k' info:)" -gt 3 ] || fail "the panel's list is empty"
keep panel extended
# Keys in a panel stay there (only Page Up and Page Down act): back over the picture, which
# hides the panels, and Escape there.
xdotool mousemove $((W / 2)) $((H / 2))
panels_gone() { shot middle && near middle 5 5 0 0 0 0; }
wait_for 15 "the bars to hide" panels_gone
xdotool key Escape
normal_again() { main_geometry && [ "$WIDTH" = 1022 ] && [ "$HEIGHT" = 682 ]; }
wait_for 30 "normal mode after Escape" normal_again
echo "Escape: back to 1022x682"

step "pull the card"
write_mounts
reset() {
    shot pulled
    near pulled $((X + 760)) $((Y + 136)) 33 33 33 0 && ! near pulled $((X + 3 + 258)) $((Y + 175 + 29)) 200 30 30 70
}
wait_for 45 "the window to reset" reset
crop pulled "$(at 121 57 290 15)" name-after
[ "$(convert "$work/name-after.png" -format '%k' info:)" -le 2 ] || fail "a file name is still shown"
crop pulled "$(at 41 531 370 114)" graph-after
same graph-after graph-empty || fail "the G-sensor graph is still drawn"
crop pulled "$(at 830 643 30 15)" readout-after
same readout-after readout-empty || fail "the speed readout still shows digits"
echo "the list, the pictures, the file name, the graph and the readout are empty"
keep pulled pulled "$(at 0 0 1022 682)"

step "close with the Close button"
click 991 26
end=$((SECONDS + 15))
while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $end ] || fail "the viewer did not end after Close"
    sleep 0.2
done
wait "$pid" && status=0 || status=$?
pid=""
[ "$status" = 0 ] || fail "the viewer ended with status $status"
echo "PASS ($lang)"
