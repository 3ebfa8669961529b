#!/usr/bin/env bash
# Screens that change under the running program. Usage: screen_change.sh /abs/path/to/velti [WM...]
# (WM: openbox, xfwm4, ... or "none"; by default openbox, then none). Or source it from a check
# that has tests/lib/xsession.sh loaded and call screen_change_checks PROGRAM [WM...].
#
# Xvfb cannot change its screen once started, so these run on a private Xvnc (TigerVNC), whose
# RandR takes a new size (xrandr -s) and virtual monitors (xrandr --setmonitor / --delmonitor)
# at run time. With each window manager, and with none:
#   - the screen shrunk from 1024x768 to 800x600 with the stopwatch less than half on it: the
#     stopwatch is wholly on screen again within 1 s;
#   - shrunk the same way with the stopwatch more than half on it: it stays where it was;
#   - two monitors side by side, the stopwatch on the right one, which is unplugged (its monitor
#     removed, the screen shrunk to the left one): the stopwatch is wholly on the left one within
#     1 s;
#   - the same with the stopwatch more than half on the left monitor: it stays where it was;
#   - the screen shrunk with the About window open, both windows less than half on it: both are
#     wholly on screen again within 1 s.
# Positions are the window manager's frame (_NET_FRAME_EXTENTS), or the window itself without one.
# Not under mutter or KWin, which bring windows back themselves.
# Needs Xvnc (tigervnc-standalone-server), xrandr, xdotool, xwininfo and xprop.

screen_change_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")/../lib" && pwd)

# screens_start DIR: a private Xvnc, 1024x768 at 96 dpi, that takes no VNC viewer (no TCP port);
# exports DISPLAY and the environment xsession_start gives the program.
screens_start() {
    screens_dir=$1
    mkdir -p "$screens_dir/runtime" && chmod 700 "$screens_dir/runtime"
    Xvnc -displayfd 3 -geometry 1024x768 -depth 24 -dpi 96 -SecurityTypes None -rfbport -1 \
        -nolisten tcp -noreset 3>"$screens_dir/display" 2>"$screens_dir/xvnc.log" &
    screens_pids+=($!)
    if ! within 100 test -s "$screens_dir/display"; then
        show "$screens_dir/xvnc.log"
        return 1
    fi
    DISPLAY=":$(head -n1 "$screens_dir/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$screens_dir/runtime" \
        XDG_CONFIG_HOME="$screens_dir/config"
    unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI WAYLAND_DISPLAY
}

# The root window's size, as WIDTHxHEIGHT.
root_size() { xwininfo -root | awk '/Width:/{w=$NF} /Height:/{h=$NF} END{print w "x" h}'; }
# frame ID: "x y width height" of the window with its window manager's frame.
frame() {
    local x y w h l=0 r=0 t=0 b=0 extents
    read -r x y w h < <(geometry "$1")
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ',')
    [ -n "$extents" ] && read -r l r t b <<<"$extents"
    echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
# placed_at ID X Y: the window's top-left corner (the client area, as xdotool windowmove puts it).
placed_at() { local x y; read -r x y _ < <(geometry "$1"); [ "$x" = "$2" ] && [ "$y" = "$3" ]; }
# place ID X Y: moves the window there and waits until it is; says where it went otherwise.
place() {
    xdotool windowmove "$1" "$2" "$3"
    within 20 placed_at "$@" && return 0
    note "asked for $2,$3, the window is at $(geometry "$1")"
    return 1
}
# wholly_within ID LEFT TOP RIGHT BOTTOM: the window, frame included, is viewable and inside.
wholly_within() {
    local x y w h
    xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 1
    read -r x y w h < <(frame "$1")
    [ "$x" -ge "$2" ] && [ "$y" -ge "$3" ] && [ $((x + w)) -le "$4" ] && [ $((y + h)) -le "$5" ]
}
# stays_at ID X Y: 1.5 s after a change, the window has not moved (the program waits for the
# screens to settle before it moves anything).
stays_at() {
    sleep 1.5
    placed_at "$@" || { note "the window moved from $2,$3 to $(geometry "$1")"; return 1; }
}
# comes_back ID LEFT TOP RIGHT BOTTOM: within 1 s the window is wholly inside that area.
comes_back() {
    local started
    started=$(date +%s%N)
    if within 10 wholly_within "$@"; then
        note "frame now at $(frame "$1"), after $((($(date +%s%N) - started) / 1000000)) ms"
        return 0
    fi
    note "frame still at $(frame "$1") after $((($(date +%s%N) - started) / 1000000)) ms, not within $2..$4 x $3..$5"
    return 1
}
# settled: after a change that is not being judged, the program and the window manager have had
# their say (the program waits 300 ms).
settled() { sleep 0.8; }

# one_screen: the 1024x768 screen as it started, one monitor for its one output (VNC-0). The
# monitors the unplugging leaves go: RandR keeps a monitor of one's own making as it was made,
# whatever size the screen takes, and Qt sees its screens from the monitors.
one_screen() {
    xrandr --delmonitor left >/dev/null 2>&1
    xrandr --delmonitor right >/dev/null 2>&1
    xrandr -s 1024x768 && settled
}
# shrunk ID X Y: the window placed at X,Y on the 1024x768 screen, which is then shrunk to 800x600.
shrunk() {
    one_screen && place "$@" || return 1
    xrandr -s 800x600 || return 1
    xrandr --listmonitors | grep -q ' 800/[0-9]*x600/[0-9]*+0+0 ' ||
        { note "the screen is $(root_size), its monitors: $(xrandr --listmonitors | tr '\n' ' ')"; return 1; }
}
# two_monitors: a 2048x768 screen made of two 1024x768 monitors, "left" and "right".
two_monitors() {
    one_screen && xrandr --fb 2048x768 &&
        xrandr --setmonitor left 1024/271x768/203+0+0 VNC-0 >/dev/null &&
        xrandr --setmonitor right 1024/271x768/203+1024+0 none >/dev/null || return 1
    settled
}
# unplugged ID X Y: the stopwatch placed at X,Y over the two monitors; then the right one is
# unplugged: its monitor goes, and the screen shrinks to the left one.
unplugged() {
    two_monitors || return 1
    place "$@" || return 1
    xrandr --delmonitor right && xrandr --fb 1024x768 || return 1
    [ "$(xrandr --listmonitors | head -n1)" = "Monitors: 1" ] ||
        { note "still $(xrandr --listmonitors | head -n1)"; return 1; }
}
shrink_keeps() { shrunk "$@" && stays_at "$@"; }
shrink_brings_back() { shrunk "$@" && comes_back "$1" 0 0 800 600; }
unplug_keeps() { unplugged "$@" && stays_at "$@"; }
unplug_brings_back() { unplugged "$@" && comes_back "$1" 0 0 1024 768; }
# both_brought_back PID STOPWATCH: the About window opened (the information button, 244,156 in
# the stopwatch) and both windows mostly off the shrunk screen: on 800x600, 100 of the
# stopwatch's 264 columns at 700,300, and about a quarter of the About window at 650,480.
both_brought_back() {
    local about x y
    one_screen && place "$2" 700 300 || return 1
    read -r x y _ < <(geometry "$2")
    xdotool mousemove $((x + 244)) $((y + 156)) click 1
    about=$(window_of "$1" "Informazioni su...") || { note "no About window"; return 1; }
    about=${about%%$'\n'*}
    sleep 0.5
    shrunk "$about" 650 480 || return 1
    comes_back "$about" 0 0 800 600 && comes_back "$2" 0 0 800 600
}

# screen_change_checks PROGRAM [WM...]: the checks above, with each window manager named ("none"
# for none; by default openbox, then none), each on its own Xvnc. The caller's X server, window
# manager and DISPLAY are left as they were.
screen_change_checks() {
    local program=$1 wm window velti saved_display=${DISPLAY:-} saved_dir=${xsession_dir:-}
    local saved_wm=${xsession_wm_pid:-} saved_runtime=${XDG_RUNTIME_DIR:-}
    local saved_config=${XDG_CONFIG_HOME:-}
    shift
    [ $# -gt 0 ] || set -- openbox none
    for wm in "$@"; do
        case "$wm" in
        mutter | kwin)
            # They keep every window whole on their monitors themselves (mutter even puts back
            # the screen size it chose): nothing here would be the program's doing.
            note "screen changes not checked under $wm: it moves windows on screen itself"
            continue ;;
        esac
        if ! screens_start "${work:?}/screens-$wm"; then
            check "Xvnc started (for screen changes with $wm)" false
            screens_stop
            continue
        fi
        xsession_dir=$screens_dir xsession_wm_pid=""
        if [ "$wm" != none ] && ! xsession_wm "$wm"; then
            check "$wm started on Xvnc" false
        else
            [ -n "$xsession_wm_pid" ] && screens_pids+=("$xsession_wm_pid")
            "$program" >"$screens_dir/velti.log" 2>&1 &
            velti=$!
            screens_pids+=("$velti")
            if ! window=$(window_of "$velti" Vantelsiro); then
                show "$screens_dir/velti.log"
                check "the stopwatch opens on Xvnc ($wm)" false
            else
                window=${window%%$'\n'*}
                sleep 0.5
                # 264 x 175 at 600,400 keeps 200 x 175 of it on 800x600; at 700,500 only 100 x 100.
                check "screen shrunk to 800x600 under the stopwatch, mostly on it ($wm): it stays" \
                    shrink_keeps "$window" 600 400
                check "screen shrunk to 800x600, the stopwatch mostly off it ($wm): wholly on it within 1 s" \
                    shrink_brings_back "$window" 700 500
                # At 850,300 174 of its 264 columns are on the left monitor; at 1500,300 none.
                check "right monitor unplugged, the stopwatch mostly on the left one ($wm): it stays" \
                    unplug_keeps "$window" 850 300
                check "right monitor unplugged with the stopwatch on it ($wm): wholly on the left one within 1 s" \
                    unplug_brings_back "$window" 1500 300
                check "screen shrunk with the stopwatch and its About window mostly off it ($wm): both wholly on it within 1 s" \
                    both_brought_back "$velti" "$window"
                kill -0 "$velti" 2>/dev/null || { note "the program ended:"; show "$screens_dir/velti.log"; }
            fi
        fi
        screens_stop
    done
    DISPLAY=$saved_display XDG_RUNTIME_DIR=$saved_runtime XDG_CONFIG_HOME=$saved_config
    xsession_dir=$saved_dir xsession_wm_pid=$saved_wm
}
# screens_stop: the program, the window manager and the Xvnc started last, in that order. A caller
# that sources this file calls it from its on_exit too.
screens_stop() {
    local i
    for ((i = ${#screens_pids[@]} - 1; i >= 0; i--)); do
        kill "${screens_pids[i]}" 2>/dev/null && wait "${screens_pids[i]}" 2>/dev/null
    done
    screens_pids=()
}
screens_pids=()

# Run by itself rather than sourced.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -u
    # shellcheck source=../lib/xsession.sh
    . "$screen_change_lib/xsession.sh"
    checks_begin screens
    # shellcheck disable=SC2317 # run by checks_end
    on_exit() { screens_stop; }
    [ -x "${1:-}" ] || die "usage: $0 /abs/path/to/velti [WM...]"
    need Xvnc xrandr xdotool xwininfo xprop
    screen_change_checks "$@"
    finish
fi
