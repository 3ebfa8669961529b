#!/usr/bin/env bash
# shellcheck disable=SC1091,SC2154 # xsession.sh, sourced, sets $work and $xsession_wm_pid
# An ordinary day at the desk, under one window manager. Usage: ordinary_day.sh /abs/path/to/velti
#
# VELTI_WM names it: openbox (the default), xfwm4, metacity, mutter, kwin, or none. On a private
# Xvfb, session bus and accessibility bus, with another program (xmessage) beside the stopwatch,
# each row of the table `rows` (workspaces, sticky, shaded, minimised, kept above, Alt+Tab, the
# window manager replaced, the screen saver, a key held down) is done while the stopwatch counts,
# while it is paused and during a reading, and the first two again with the About window open;
# _NET_WM_STATE changes go to the root window as a pager sends them. After each row (after_row):
# the program runs; its state, enabled buttons and focused button are those from before (AT-SPI);
# the display is right within 1 s (the time since Alt+V less the pauses, or frozen where it should
# be); Space acts on the focused button (the About window's OK closes it, and the focus goes back
# where it was), and the state is put back. Return held 2 s acts once: one new caption (AT-SPI
# events). A failed row leaves the next a fresh program, so each is judged on its own. A window
# manager that leaves the focus elsewhere after a row is noted, and the window activated as a
# click would.
set -u

PROGRAM=${1:-}
WM=${VELTI_WM:-openbox}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../lib/xsession.sh"
pids=()

if [ -z "${VELTI_DESKTOP_BUS:-}" ]; then
    need dbus-run-session
    VELTI_DESKTOP_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

checks_begin day
on_exit() { for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done; }

[ -x "$PROGRAM" ] || die "usage: $0 /abs/path/to/velti"
need Xvfb xdotool xprop xwininfo xmessage /usr/bin/python3
case $WM in none) ;; kwin) need kwin_x11 ;; *) need "$WM" ;; esac
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || die "python3-pyatspi is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || die "at-spi2-core is not installed"

xsession_start "$work" || die "Xvfb did not start"
# Services the bus starts on demand (KWin's kglobalaccel5, which does its Alt+Tab) find the display.
dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME 2>/dev/null
if [ "$WM" != none ]; then xsession_wm "$WM" || die "$WM did not start"; fi
note "window manager: $WM on $DISPLAY"
unset WAYLAND_DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
env -u DISPLAY /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
atspi() { timeout 30 /usr/bin/python3 "$here/atspi.py" "$@" 2>/dev/null; }
pager() { /usr/bin/python3 "$here/pager.py" "$@" 2>/dev/null; }
xmessage -geometry +620+520 -name velti-other "Un altro programma" >/dev/null 2>&1 &
pids+=($!)
within 50 xdotool search --onlyvisible --classname '^velti-other$' >/dev/null || die "no xmessage window"
other=$(xdotool search --onlyvisible --classname '^velti-other$' | head -n1)
xdotool set_num_desktops 2 2>/dev/null
About="Informazioni su..."
now() { date +%s%3N; }
once() { grep -qxF "$1" "$work/notes" 2>/dev/null || { echo "$1" >>"$work/notes"; note "$1"; }; }

# Each state: the button that has the focus, the state Space leads to, the key that leads back.
declare -A focus=([counting]=Pausa [paused]=Riprendi [reading]=OK)
declare -A next=([counting]=paused [paused]=counting [reading]=counting)
declare -A back=([counting]=alt+r [paused]=alt+p [reading]=alt+i)

# What the display must show, in whole seconds: the time since Alt+V (t0) less the pauses, or
# frozen at the moment (held) the pause or the reading began. Times in ms of the wall clock.
t0=0 paused=0 held=0 st=""
account() {
    case "$1>$2" in
    idle\>counting) t0=$3 paused=0 ;;
    counting\>paused | counting\>reading) held=$3 ;;
    paused\>counting) paused=$((paused + $3 - held)) ;;
    esac
}
should_show() { if [ "$st" = counting ]; then echo $((($1 - t0 - paused) / 1000)); else echo $(((held - t0 - paused) / 1000)); fi; }
# press KEY: types the key and follows the state it leads to.
press() {
    local was=$st at
    at=$(now) && xdotool key "$1"
    st=$(atspi state "$pid" any) && st=${st#ok }
    account "$was" "$st" "$at"
}
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
activate() {
    if [ "$WM" = none ]; then xdotool windowfocus "$1"; else xdotool windowactivate "$1"; fi 2>/dev/null
}
focused() { local b; for b in $1; do [ "${b##*:}" = 1 ] && echo "${b%%:*}"; done; }
# start: a fresh program, counting since Alt+V.
start() {
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    "$PROGRAM" >>"$work/velti.log" 2>&1 &
    pid=$! && pids+=("$pid")
    stopwatch=$(window_of "$pid" Vantelsiro) || die "no stopwatch window of process $pid"
    stopwatch=${stopwatch%%$'\n'*} st=idle
    within 30 has_focus "$stopwatch" || activate "$stopwatch"
    press alt+v
}
# reach STATE: the stopwatch in that state (the rows go counting, paused, reading), from a fresh
# program after a failed row; its buttons in $main_buttons, the focus where it belongs.
reach() {
    [ "${fresh:-1}" = 1 ] && start
    case "$st>$1" in
    counting\>paused) press alt+p ;;
    counting\>reading) press alt+i ;;
    paused\>reading) press alt+r && press alt+i ;;
    esac
    main_buttons=$(atspi buttons "$pid" Vantelsiro)
    [ "$st" = "$1" ] && [ "$(focused "$main_buttons")" = "${focus[$1]}" ]
}
# seen WHAT: while counting, what the window manager made of the windows half-way through a row.
seen() {
    local w
    [ "$want" = counting ] || return 0
    for w in "$stopwatch" ${about:+"$top"}; do
        note "$WM, $1: $(xdotool getwindowname "$w" 2>/dev/null) WM_STATE $(
            xprop -id "$w" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'), $(
            xprop -id "$w" _NET_WM_STATE 2>/dev/null | sed 's/.*= //; s/.*not found.//; s/^$/-/'), $(
            xwininfo -id "$w" 2>/dev/null | sed -n 's/.*Map State: //p')"
    done
}

# ---- The rows: each acts on the stopwatch's window; $top has the focus, the About window if open.
# there_and_back WHAT COMMAND...: the command with 1, then with 0, added.
there_and_back() { "${@:2}" 1 2>/dev/null && sleep 0.5 && seen "$1" && "${@:2}" 0 2>/dev/null && sleep 0.5; }
row_workspace() { there_and_back "other workspace" xdotool set_desktop; }
row_move() { there_and_back "moved to the other workspace" xdotool set_desktop_for_window "$stopwatch"; }
# wm_state NAME WHAT: that _NET_WM_STATE on and off, as a pager asks for it.
wm_state() {
    pager state "$stopwatch" add "$1" && sleep 0.4 && seen "$2" &&
        pager state "$stopwatch" remove "$1" && sleep 0.4
}
row_sticky() { wm_state STICKY sticky; }
row_shade() { wm_state SHADED shaded; }
row_above() { wm_state ABOVE "kept above"; }
row_minimise() {
    xdotool windowminimize "$stopwatch" 2>/dev/null && sleep 0.5 && seen minimised || return 1
    xwininfo -id "$stopwatch" | grep -q IsViewable && xprop -id "$stopwatch" WM_STATE | grep -q Normal &&
        once "$WM does not minimise the stopwatch (WM_CHANGE_STATE Iconic): the window stays as it was"
    activate "$stopwatch" && sleep 0.5
}
row_alttab() {
    xdotool key alt+Tab && sleep 0.6
    if has_focus "$other"; then
        xdotool key alt+Tab
    else
        once "Alt+Tab moved no focus under $WM: the focus goes to the other program and back by $(
            [ "$WM" = none ] && echo XSetInputFocus || echo _NET_ACTIVE_WINDOW) instead"
        activate "$other" && within 20 has_focus "$other" && activate "$top"
    fi
    sleep 0.6
}
old_wm=""
old_wm_gone() { ended "$old_wm"; }
row_replace() {
    local again=(--replace)
    [[ $WM = mutter || $WM = kwin ]] && again=()
    old_wm=$xsession_wm_pid
    xsession_wm_ready=old_wm_gone xsession_wm "$WM" "${again[@]}" || return 1
    wm_manages ||
        once "after $WM --replace the root has no _NET_SUPPORTING_WM_CHECK: the old $WM took it along"
}
row_saver() {
    pager saver activate && sleep 1 && pager saver reset || return 1
    pager dpms off
    case $? in
    0) sleep 1 && pager dpms on && sleep 0.3 ;;
    2) once "this X server has no DPMS: the monitor is not switched off" ;;
    *) return 1 ;;
    esac
}
# Return held 2 s on the focused button: one new caption, the state after one press; then back.
row_hold() {
    local log=$work/renames listener count
    : >"$log"
    atspi renames "$pid" 2.8 >"$log" &
    listener=$!
    within 50 grep -q listening "$log" || return 1
    xdotool keydown Return && sleep 2 && xdotool keyup Return
    wait "$listener"
    count=$(($(wc -l <"$log") - 1))
    [ "$count" = 1 ] && account "$st" "${next[$st]}" "$(sed -n '2s/ .*//p' "$log")"
    sleep 0.3
    st=$(atspi state "$pid" any) && st=${st#ok }
    if [ "$count" != 1 ] || [ "$st" != "${next[$want]}" ]; then
        why+="held 2 s, the caption changed $count times, ending $st; "
        return 1
    fi
    press "${back[$want]}"
}
rows=(
    "workspace|the other workspace and back|about"
    "move|moved to the other workspace and back|about"
    "sticky|sticky on and off"
    "shade|shaded and unshaded"
    "minimise|minimised and restored"
    "above|kept above, then not"
    "alttab|Alt+Tab to another program and back"
    "replace|$WM replaced by a new $WM"
    "saver|the screen saver on and off"
    "hold|Return held 2 s on the focused button"
)

# after_row: what must hold after a row (see the top); each fault is added to $why.
after_row() {
    local found shown t1 t2 low high
    kill -0 "$pid" 2>/dev/null || { why+="the program ended; "; return 1; }
    within 10 has_focus "$top" || {
        note "$WM left the focus on '$(xdotool getwindowfocus getwindowname 2>/dev/null)': the window is activated"
        activate "$top" && within 20 has_focus "$top"
    }
    found=$(atspi state "$pid" any)
    [ "$found" = "ok $want" ] || why+="$found; "
    found=$(atspi buttons "$pid" Vantelsiro)
    [ "$found" = "$buttons" ] || why+="buttons $found, not $buttons; "
    if [ -n "$about" ]; then
        found=$(atspi buttons "$pid" "$About")
        [ "$found" = "$about_buttons" ] || why+="About window's buttons $found, not $about_buttons; "
    fi
    t1=$(now) && shown=$(atspi time "$pid")
    t2=$(now) low=$(($(should_show "$t1") - 1)) high=$(($(should_show "$t2") + 1))
    if [[ $shown =~ ^([0-9]+):([0-9]{2}):([0-9]{2})$ ]]; then
        shown=$((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
    fi
    [[ $shown =~ ^[0-9]+$ ]] && [ "$shown" -ge "$low" ] && [ "$shown" -le "$high" ] ||
        why+="display $shown, not $low to $high s; "
    if [ -n "$about" ]; then
        xdotool key space
        gone "$pid" "$About" || why+="Space left the About window open; "
    else
        press space
        [ "$st" = "${next[$want]}" ] || why+="Space led to $st, not ${next[$want]}; "
        press "${back[$want]}"
    fi
    found="$(atspi state "$pid") $(atspi buttons "$pid" Vantelsiro)"
    [ "$found" = "ok $want $main_buttons" ] || why+="put back: $found, not $want $main_buttons; "
    [ -z "$why" ]
}
# day ACTION TITLE STATE [about]: the row in that state, then the checks, as one line of report.
day() {
    local action=$1 title=$2 want=$3 about=${4:-} buttons main_buttons about_buttons top
    why=""
    reach "$want" || why+="the stopwatch could not be brought to $want; "
    top=$stopwatch buttons=$main_buttons
    if [ -n "$about" ] && [ -z "$why" ]; then
        atspi press "$pid" "$About" Vantelsiro >/dev/null
        top=$(window_of "$pid" "$About") || why+="no About window; "
        top=${top%%$'\n'*}
        within 20 has_focus "$top" && sleep 0.2
        about_buttons=$(atspi buttons "$pid" "$About") buttons=$(atspi buttons "$pid" Vantelsiro)
    fi
    if [ -z "$why" ] && ! "row_$action"; then
        # With no window manager, xdotool does not ask for workspaces.
        if [ "$WM" = none ] && [[ $action = workspace || $action = move ]]; then
            once "no window manager to do \"$title\": the rest of the row is done"
        else why+="the action failed; "; fi
    fi
    check "$title, $want${about:+, About window open} ($WM)" after_row
    [ -z "$why" ] || note "$why"
    fresh=$([ -z "$why" ] && echo 0 || echo 1)
}

started=$(now)
for want in counting paused reading; do
    for row in "${rows[@]}"; do
        IFS='|' read -r action title about <<<"$row"
        if [ "$action" = replace ] && [ "$WM" = none ]; then
            once "no window manager to replace: row 8 left out"
            continue
        fi
        day "$action" "$title" "$want"
        [ -n "$about" ] && day "$action" "$title" "$want" about
    done
done
reach counting
check "at the end of the day, closing the stopwatch ends the program with status 0" \
    closes "$pid" "$stopwatch"
note "$WM: the day took $((($(now) - started) / 1000)) s"
finish
