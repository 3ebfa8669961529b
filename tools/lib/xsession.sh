# shellcheck shell=bash
# Shared by the shell checks that drive the real program on a private X server: TAP-style
# results, the Xvfb start-up, finding a program's window, and closing it as a window manager
# would. Source it; it sets nothing up by itself.
#
#   . tools/lib/xsession.sh
#   xsession_start "$workdir"            # a private Xvfb; exports DISPLAY
#   check "what a user would see" test ...
#   finish                               # prints the totals and exits 0 only if all passed
#
# xsession_stop ends the server; callers put it in their EXIT trap.

xsession_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
passed=${passed:-0} failed=${failed:-0}
xsession_pid=""

# check DESCRIPTION COMMAND...: runs the command and prints "ok - ..." or "not ok - ...".
check() {
    local description=$1; shift
    if "$@"; then echo "ok - $description"; passed=$((passed + 1))
    else echo "not ok - $description"; failed=$((failed + 1)); fi
}
# finish: the totals; the exit status says whether every check passed (and there was one).
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ] && [ "$passed" -gt 0 ]
    exit
}
# die DESCRIPTION: a failure that ends the script.
die() { echo "not ok - $*"; failed=$((failed + 1)); finish; }
# show FILE...: a log, as comments of the report.
show() { sed 's/^/#   /' "$@"; }
# need TOOL...: dies unless every tool is installed.
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || die "required tool '$tool' is not installed"
    done
}

# xsession_start DIR [XVFB_ARGUMENT...]: a private Xvfb with a 1024x768 screen at 96 dpi, on a
# display number the server picks itself (two checks running at once never meet). Exports
# DISPLAY, and an environment where Qt draws at scale 1 and keeps its files under DIR.
# -noreset: by default the server resets when its last client leaves, and a program started
# just then is refused ("could not connect to display").
xsession_start() {
    local dir=$1; shift
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset "$@" \
        3>"$dir/display" 2>"$dir/xvfb.log" &
    xsession_pid=$!
    local _
    for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
    if [ ! -s "$dir/display" ]; then
        show "$dir/xvfb.log"
        return 1
    fi
    DISPLAY=":$(head -n1 "$dir/display")"
    mkdir -p "$dir/runtime" && chmod 700 "$dir/runtime"
    export DISPLAY QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/config"
    unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
}
xsession_stop() {
    [ -n "$xsession_pid" ] && kill "$xsession_pid" 2>/dev/null && wait "$xsession_pid" 2>/dev/null
    xsession_pid=""
}

# windows_of PID [TITLE]: the visible top-level windows of that process (by _NET_WM_PID, which
# Qt sets), with exactly that title when one is given.
windows_of() {
    local title=${2:-}
    if [ -n "$title" ]; then
        title=${title//./\\.}
        xdotool search --all --onlyvisible --pid "$1" --name "^$title\$" 2>/dev/null
    else
        xdotool search --onlyvisible --pid "$1" 2>/dev/null
    fi
}
# window_of PID TITLE [TENTHS]: waits (5 s, or TENTHS tenths of a second) for that window, and
# prints its id. Fails at once if the process ends first.
window_of() {
    local _ found
    for _ in $(seq "${3:-50}"); do
        found=$(windows_of "$1" "$2") && [ -n "$found" ] && { echo "$found"; return 0; }
        kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# wm_delete WINDOW: asks the window to close the way a window manager does (WM_DELETE_WINDOW).
wm_delete() { timeout 5 python3 "$xsession_lib/wm_delete.py" "$1"; }

# ends_within PID TENTHS: waits that long for the process to end; then its exit status is in
# $ended_status. Fails, leaving the process running, if it does not end in time.
ended_status=""
ends_within() {
    local _
    for _ in $(seq "$2"); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && return 1
    wait "$1"; ended_status=$?
}
