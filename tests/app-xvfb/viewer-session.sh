# Sourced by the real-window checks. Usage: start_viewer <work folder> <Quorvil> [arguments]
# Settings go to fresh folders under the work folder, the mount table is empty (no real card),
# no sound card is needed; the viewer runs in the background ($pid) and $window is its mapped
# main window once it shows.
start_viewer() {
    local work=$1 viewer=$2
    shift 2
    mkdir -p "$work/user" "$work/machine"
    : >"$work/mountinfo"
    export QUORVIL_CONFIG_HOME=$work/user QUORVIL_SYSTEM_CONFIG=$work/machine
    export QUORVIL_MOUNTINFO=$work/mountinfo QUORVIL_SYSFS=$work/sys QUORVIL_DEVDIR=$work/dev
    export QT_QPA_PLATFORM=xcb LANG=C

    "$viewer" "$@" >"$work/viewer.log" 2>&1 &
    pid=$!

    # The mapped one: the viewer also owns unmapped windows of the same name.
    window=""
    for _ in $(seq 1 100); do
        window=$(xdotool search --onlyvisible --name '^Quorvil$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "FAIL: no window titled Quorvil"; cat "$work/viewer.log"; exit 1; }
    sleep 1
}
