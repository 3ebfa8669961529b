# shellcheck shell=bash
# Shared by the shell checks that drive a real program on a private X server: the report
# (TAP-style lines and totals), a scratch folder cleaned up on exit, the Xvfb start-up and a
# window manager, finding a program's windows, closing one as a window manager would, and
# pictures of a window. Source it; it sets nothing up by itself.
#
#   . tests/lib/xsession.sh
#   checks_begin e2e                     # $work, removed on exit with $pid and the X server
#   xsession_start "$work"               # a private Xvfb; exports DISPLAY
#   xsession_wm openbox                  # when a window manager is wanted
#   check "what a user would see" test ...
#   finish                               # prints the totals and exits 0 only if all passed
#
# A script may define on_finish (run before the totals) and on_exit (run at exit, before the
# X server ends). Needs Xvfb, xdotool and python3; xprop for a window manager; xwininfo and
# ImageMagick's import and compare for pictures.

xsession_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
passed=${passed:-0} failed=${failed:-0}
xsession_pid="" xsession_wm_pid=""

# check DESCRIPTION COMMAND...: runs the command and prints "ok - ..." or "not ok - ...".
check() {
    local description=$1; shift
    if "$@"; then echo "ok - $description"; passed=$((passed + 1))
    else echo "not ok - $description"; failed=$((failed + 1)); fi
}
# finish: the totals; the exit status says whether every check passed (and there was one).
finish() {
    [ "$(type -t on_finish)" = function ] && on_finish
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ] && [ "$passed" -gt 0 ]
    exit
}
# die DESCRIPTION: a failure that ends the script.
die() { echo "not ok - $*"; failed=$((failed + 1)); finish; }
# show FILE...: a log, as comments of the report.
show() { sed 's/^/#   /' "$@"; }
note() { echo "# $*"; }
# need TOOL...: dies unless every tool is installed.
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || die "required tool '$tool' is not installed"
    done
}
# within TENTHS COMMAND...: runs the command every tenth of a second until it succeeds; fails
# if it has not succeeded after TENTHS tenths.
within() {
    local tenths=$1 _; shift
    for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
    "$@"
}

# checks_begin NAME: a scratch folder $work; at exit the program $pid, the window manager and
# the X server are ended and the folder removed.
checks_begin() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/velti-$1.XXXXXX")
    trap checks_end EXIT
    trap 'exit 1' HUP INT TERM
}
checks_end() {
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    [ "$(type -t on_exit)" = function ] && on_exit
    xsession_stop
    wait 2>/dev/null
    [ -n "${VELTI_KEEP_WORK:-}" ] && echo "# kept: $work" || rm -rf "$work"
}

# xsession_start DIR [XVFB_ARGUMENT...]: a private Xvfb with a 1024x768 screen at 96 dpi, on a
# display number the server picks itself (two checks running at once never meet). Exports
# DISPLAY, and an environment where Qt draws at scale 1 and keeps its files under DIR.
# -noreset: by default the server resets when its last client leaves, and a program started
# just then is refused ("could not connect to display").
xsession_start() {
    xsession_dir=$1; shift
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset "$@" \
        3>"$xsession_dir/display" 2>"$xsession_dir/xvfb.log" &
    xsession_pid=$!
    if ! within 100 test -s "$xsession_dir/display"; then
        show "$xsession_dir/xvfb.log"
        return 1
    fi
    DISPLAY=":$(head -n1 "$xsession_dir/display")"
    mkdir -p "$xsession_dir/runtime" && chmod 700 "$xsession_dir/runtime"
    export DISPLAY QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$xsession_dir/runtime" \
        XDG_CONFIG_HOME="$xsession_dir/config"
    unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
}
# xsession_wm WM [ARGUMENT...]: starts a window manager (openbox, xfwm4, metacity, mutter, kwin,
# or any other command), with these arguments added (--replace), and waits up to 15 s until it
# manages the screen (_NET_SUPPORTING_WM_CHECK on the root window), then 1.5 s more: that window
# comes before the manager takes windows on. Shows its messages and fails if it does not start.
# mutter and KWin always replace the one running, if any; KWin runs with compositing off
# (KWIN_COMPOSE=N). $xsession_wm_ready, when set, names another test that the manager is ready
# (for one replacing another: the old one's end, as mutter's takes _NET_SUPPORTING_WM_CHECK along).
xsession_wm() {
    local command=("$1")
    case "$1" in
    openbox) command+=(--sm-disable) ;;
    xfwm4) command+=(--compositor=off --sm-client-disable) ;;
    metacity) command+=(--sm-disable --no-composite) ;;
    mutter) command+=(--x11 --replace) ;;
    kwin) command=(env KWIN_COMPOSE=N kwin_x11 --replace) ;;
    esac
    command+=("${@:2}")
    # Kept off the accessibility bus: a manager busy with its windows would hold up, or break,
    # a client that asks every application there.
    NO_AT_BRIDGE=1 GTK_A11Y=none "${command[@]}" >"$xsession_dir/wm.log" 2>&1 &
    xsession_wm_pid=$!
    if ! within 150 "${xsession_wm_ready:-wm_manages}"; then
        show "$xsession_dir/wm.log"
        return 1
    fi
    sleep 1.5
}
wm_manages() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; }
xsession_stop() {
    local server
    for server in $xsession_wm_pid $xsession_pid; do
        kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    done
    xsession_pid="" xsession_wm_pid=""
}

# windows_of PID [TITLE]: the visible top-level windows of that process (by _NET_WM_PID, which
# Qt sets), or of any process when PID is empty, with exactly that title when one is given.
windows_of() {
    local title=${2:-} by_pid=()
    [ -n "$1" ] && by_pid=(--pid "$1")
    if [ -n "$title" ]; then
        xdotool search --all --onlyvisible "${by_pid[@]}" --name "^${title//./\\.}\$" 2>/dev/null
    else
        xdotool search --onlyvisible "${by_pid[@]}" 2>/dev/null
    fi
}
# window_of PID TITLE [TENTHS]: waits (5 s, or TENTHS tenths of a second) for that window, and
# prints its ids. Fails at once if the process ends first.
window_of() {
    local _ found
    for _ in $(seq "${3:-50}"); do
        found=$(windows_of "$1" "$2") && [ -n "$found" ] && { echo "$found"; return 0; }
        [ -z "$1" ] || kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# gone PID TITLE [TENTHS]: no such window is left within 3 s (or TENTHS tenths).
gone() { within "${3:-30}" no_window_of "$1" "$2"; }
no_window_of() { ! windows_of "$@" >/dev/null; }
# keys WINDOW KEY...: focuses the window and types the keys, $keys_delay (50) ms apart.
keys() { timeout 3 xdotool windowfocus --sync "$1" 2>/dev/null; shift; xdotool key --delay "${keys_delay:-50}" "$@"; }

# wm_delete WINDOW: asks the window to close the way a window manager does (WM_DELETE_WINDOW).
wm_delete() { timeout 5 python3 "$xsession_lib/wm_delete.py" "$1"; }

# ends_within PID TENTHS: waits that long for the process to end; then its exit status is in
# $ended_status. Fails, leaving the process running, if it does not end in time.
ended_status=""
ended() { ! kill -0 "$1" 2>/dev/null; }
ends_within() {
    within "$2" ended "$1" || return 1
    wait "$1"; ended_status=$?
}
# closes PID WINDOW [TENTHS]: WM_DELETE_WINDOW to the window ends the process within 3 s (or
# TENTHS tenths), with status 0. A process still running then is killed.
closes() {
    wm_delete "$2" || return 1
    if ! ends_within "$1" "${3:-30}"; then
        echo "# still running $((${3:-30} / 10)) s after WM_DELETE_WINDOW"; kill "$1"; wait "$1"; return 1
    fi
    [ "$ended_status" = 0 ] || { echo "# exit status $ended_status"; return 1; }
}

# geometry ID: prints "x y width height" of the client area.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
# screenshot ID FILE: the client area of the window as a PNG.
screenshot() { import -window "$1" "png:$2" 2>/dev/null; }
# pixels_differing A B WxH+X+Y: how many pixels differ inside the region (fails if unreadable).
pixels_differing() {
    local ae
    ae=$(compare -metric AE "$1[$3]" "$2[$3]" null: 2>&1)
    [[ $ae =~ ^[0-9]+$ ]] || { echo "# compare failed: $ae" >&2; return 1; }
    echo "$ae"
}
same_region() { local n; n=$(pixels_differing "$@") && [ "$n" -eq 0 ]; }
differ_region() { local n; n=$(pixels_differing "$@") && [ "$n" -gt 0 ]; }
