#!/usr/bin/env bash
# The real program on real desktops. Usage: desktop_check.sh /abs/path/to/velti
#
# Under a window manager (openbox; VELTI_WM=xfwm4, metacity, mutter or kwin for the others) on a
# private Xvfb:
#   - an ordinary day (see its section): the other workspace, the window moved there, sticky,
#     shaded, kept above, minimised, Alt+Tab, the screen saver, Return held, the window manager
#     replaced; after each, the count, the state and the focus as they were (with
#     VELTI_DAY_ONLY=1, and then alone);
#   - the About window's WM_TRANSIENT_FOR is the stopwatch's client window;
#   - its frame, title bar included (_NET_FRAME_EXTENTS), is centred on the screen within 2 px;
#   - at scale factors 1, 1.5 and 2, Alt+M keeps its top edge and gives the designed size to the
#     pixel; at 1 and 2 the three memory captions end inside their boxes;
#   - minimised, the stopwatch and the About window keep their names (AT-SPI), and so does a
#     minimised "Appunti" box;
#   - Tab held runs on through the buttons; Alt+V and Alt+S act with a layout without Latin
#     letters alone (Russian, Greek, Hebrew);
#   - minimising the stopwatch takes the About window along, and the About window is never
#     minimised alone in front of a blocked stopwatch; activating the stopwatch behind its
#     minimised About window brings the About window back, with the keyboard;
#   - a burst of 1,000 random access keys, Space, Return and clicks with no delay: no error box,
#     the stopwatch always in one of its four states, and no negative field on the display
#     (read through the accessibility interface);
#   - "&Memoria" ends disabled, Tab cycling OK and "&Crediti" alone, whether pressed by the mouse,
#     Tab then Space, Tab then Return, Alt+M or AT-SPI "Press" (read back through AT-SPI);
#   - with the notice typed, /proc/meminfo is read (pread64, traced) at least 40 times in 2 s;
#   - AT-SPI "Press" on a button of a window behind a modal one runs nothing: the stopwatch's
#     behind the About window, the About window's OK behind the "Appunti" box; pressed twice,
#     the information button opens one About window; nor does a focus request ("grabFocus");
#   - once Esc closes the About window, Alt+V and Alt+S typed to whatever has the focus reach
#     the stopwatch, with openbox, after openbox --replace, and with no window manager at all;
#     so they do once another program destroys the About window (xdotool windowclose);
#   - a window another program withdraws (xdotool windowunmap, or a forged DestroyNotify that a
#     window manager believes) comes back as it was: the About window with its memory panel, the
#     stopwatch counting;
#   - both windows minimised and restored, then the window manager replaced: both on screen; the
#     window manager killed while the About window is open, its hints left behind: Esc closes the
#     About window and the keyboard is the stopwatch's, and the rows with no window manager that
#     follow run with those hints still there;
#   - after a change of screens (shrunk, a monitor unplugged), a window less than half on any
#     screen comes back whole, one more than half on one stays (screen_change.sh, on Xvnc);
#   - with no window manager, Alt+V right after start counts; the stopwatch's window destroyed
#     behind the About window, closing the About window ends the program with status 0.
# Under Wayland (a headless weston, WAYLAND_DEBUG=1): the About window, opened through AT-SPI
# doAction on the information button, asks for the stopwatch as its parent (xdg_toplevel.set_parent),
# and the "Appunti" box for the About window.
# Windows are found by their _NET_WM_PID, never by title alone.
set -u

PROGRAM=${1:-}
WM=${VELTI_WM:-openbox}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../lib/xsession.sh"
pids=()

# One private session bus for the accessibility interface, for this run only.
if [ -z "${VELTI_DESKTOP_BUS:-}" ]; then
    need dbus-run-session
    VELTI_DESKTOP_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

checks_begin desktop
on_exit() {
    [ "$(type -t screens_stop)" = function ] && screens_stop
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
}

[ -x "$PROGRAM" ] || die "usage: $0 /abs/path/to/velti"
need Xvfb xdotool xprop xwininfo import convert weston strace wmctrl xset xmessage setxkbmap "$WM" /usr/bin/python3
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || die "python3-pyatspi is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || die "at-spi2-core is not installed"

# ---- X11 ----------------------------------------------------------------------------------
xsession_start "$work" || die "Xvfb did not start"
xsession_wm "$WM" || die "$WM did not start"
note "window manager: $WM on $DISPLAY"
unset WAYLAND_DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# The accessibility bus, announced on this run's session bus alone (not on the X display).
env -u DISPLAY /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
atspi() { timeout 30 /usr/bin/python3 "$here/atspi.py" "$@" 2>/dev/null; }

extents() { xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ','; }
# The X focus is on this window; the number of the program's windows (AT-SPI). For within, which
# runs its command afresh each time.
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
windows_are() { [ "$(atspi windows "$pid")" = "$1" ]; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
unmapped() { ! mapped "$1"; }

# start SCALE [VARIABLE=VALUE...]: runs the program at this scale factor, in this environment;
# sets pid and stopwatch.
start() {
    env "${@:2}" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$1" "$PROGRAM" >"$work/velti.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    stopwatch=$(window_of "$pid" Vantelsiro) || { cat "$work/velti.log"; die "no stopwatch window of process $pid"; }
    stopwatch=${stopwatch%%$'\n'*}
    sleep 0.5
}
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
# click_at WINDOW X Y SCALE: a click at these logical client coordinates.
click_at() {
    read -r x y _ _ < <(geometry "$1")
    xdotool mousemove "$(awk -v a="$x" -v b="$2" -v s="$4" 'BEGIN{print int(a + b * s)}')" \
        "$(awk -v a="$y" -v b="$3" -v s="$4" 'BEGIN{print int(a + b * s)}')" click 1
}
open_about() {
    click_at "$stopwatch" 244 156 "$1"
    about=$(window_of "$pid" "Informazioni su...") || return 1
    about=${about%%$'\n'*}
    sleep 0.5
}

transient_is_stopwatch() {
    local owner
    owner=$(xprop -id "$about" WM_TRANSIENT_FOR | sed -n 's/.*# //p')
    note "WM_TRANSIENT_FOR $owner, stopwatch $(printf '0x%x' "$stopwatch")"
    [ -n "$owner" ] && [ $((owner)) -eq "$stopwatch" ]
}
frame_centred() {
    local x y w h l r t b cx cy
    read -r x y w h < <(geometry "$about")
    read -r l r t b < <(extents "$about")
    [ -n "$b" ] || return 1
    # Twice the centre, in whole pixels; the screen's is (1024, 768).
    cx=$((2 * (x - l) + w + l + r)) cy=$((2 * (y - t) + h + t + b))
    note "About frame at $((x - l)),$((y - t)) size $((w + l + r))x$((h + t + b)): centre off by $(((cx - 1024) / 2)),$(((cy - 768) / 2))"
    [ $((cx - 1024)) -le 4 ] && [ $((1024 - cx)) -le 4 ] && [ $((cy - 768)) -le 4 ] && [ $((768 - cy)) -le 4 ]
}
# captions_inside SCALE: each memory caption's ink ends inside its box, short of the border.
captions_inside() {
    local scale=$1 shot="$work/about.png" top box bounds ok=0
    import -window "$about" "png:$shot" 2>/dev/null || return 1
    for top in 212 228 244; do
        # Inside the one-pixel border of the 265 x 17 box at (54, top).
        box=$(awk -v s="$scale" -v t="$top" 'BEGIN{
            printf "%dx%d+%d+%d", 263 * s, 15 * s, 55 * s, (t + 1) * s}')
        bounds=$(convert "$shot" -crop "$box" +repage -fuzz 25% -format '%@' info: 2>/dev/null)
        read -r width _ <<<"$(awk -v b="$box" -v t="$bounds" 'BEGIN{
            split(b, bb, /[x+]/); split(t, tt, /[x+]/); print bb[1] - (tt[1] + tt[3]), tt[1]}')"
        note "scale $scale, caption at $top: ink $bounds in $box, $width px to spare"
        [ "${bounds%%x*}" -gt 100 ] && [ "$width" -ge 1 ] || ok=1
    done
    return $ok
}
alt_m_keeps_the_top() {
    local x y w h x2 y2 w2 h2
    read -r x y w h < <(geometry "$about")
    xdotool key alt+m
    sleep 0.7
    read -r x2 y2 w2 h2 < <(geometry "$about")
    note "Alt+M: $x,$y ${w}x$h -> $x2,$y2 ${w2}x$h2"
    [ "$x2" = "$x" ] && [ "$y2" = "$y" ] && [ "$w2" = "$w" ] &&
        [ "$h2" = "$(awk -v s="$1" 'BEGIN{print int(270 * s + 0.5)}')" ]
}
minimised_together() {
    xdotool windowminimize "$stopwatch"
    within 30 unmapped "$stopwatch" && within 30 unmapped "$about"
}
restored() {
    xdotool windowactivate "$stopwatch" 2>/dev/null || xdotool windowmap "$stopwatch"
    within 30 mapped "$stopwatch" && within 30 mapped "$about"
}
about_back() {
    xdotool windowminimize "$about"
    sleep 0.7
    xdotool windowactivate "$stopwatch" 2>/dev/null
    within 30 mapped "$about" && within 30 focus_is "$about"
}
# names_are NAMES: the program's top-level windows, as ROLE:NAME, through AT-SPI.
names_are() {
    local names
    names=$(atspi names "$pid")
    note "windows: $names"
    [ "$names" = "$*" ]
}
never_minimised_alone() {
    xdotool windowminimize "$about"
    sleep 0.7
    # Either both go, or the About window stays: never a blocked stopwatch on its own.
    mapped "$about" || unmapped "$stopwatch"
}

# ---- An ordinary day ---------------------------------------------------------------------------
# What a desktop does in everyday use leaves the program running, its count, state and focus as
# they were. Each row is done while counting and while paused (the focus then on "Riprendi", not
# on the first button), or in the states VELTI_DAY_STATES names (reading too), the first two again
# with the About window open. After each: the same
# state, buttons and focus (AT-SPI); the display right to the second (counting on, or frozen);
# Space acts on the focused button, and the state is put back. wmctrl and xset do what a pager
# and a session do; a manager that leaves the focus elsewhere has the window activated, as a
# click would. The day runs alone, with VELTI_DAY_ONLY=1: a day's window managers replaced would
# stand in the way of the checks that follow.
seconds() { local t; t=$(atspi time "$pid") && echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2})); }
hold() {
    atspi renames "$pid" 2.8 >"$work/renames" &
    within 50 grep -q listening "$work/renames" && xdotool keydown Return sleep 2 keyup Return
    wait $!
    # The press paused or resumed the count for 2 s: the display is not judged.
    untimed=1
    [ "$(grep -vc listening "$work/renames")" = 1 ] && xdotool key "${back[$want]}" sleep 0.3
}
replaced() {
    local old=$xsession_wm_pid again=(--replace)
    [[ $WM = mutter ]] && again=()
    old_gone() { ended "$old"; }
    xsession_wm_ready=old_gone xsession_wm "$WM" "${again[@]}"
}
rows=("the other workspace and back|wmctrl -s 1; sleep 0.5; wmctrl -s 0|about"
    "moved to the other workspace and back|wmctrl -i -r \$stopwatch -t 1; sleep 0.5; wmctrl -i -r \$stopwatch -t 0|about"
    "sticky|wmctrl -i -r \$stopwatch -b add,sticky; sleep 0.4; wmctrl -i -r \$stopwatch -b remove,sticky"
    "shaded|wmctrl -i -r \$stopwatch -b add,shaded; sleep 0.4; wmctrl -i -r \$stopwatch -b remove,shaded"
    "kept above|wmctrl -i -r \$stopwatch -b add,above; sleep 0.4; wmctrl -i -r \$stopwatch -b remove,above"
    "minimised and restored|xdotool windowminimize \$stopwatch sleep 0.5 windowactivate \$stopwatch"
    "Alt+Tab away and back|xdotool key alt+Tab sleep 0.6 key alt+Tab"
    "the screen saver|xset s activate; sleep 1; xset s reset"
    "Return held 2 s: acts once|hold"
    "$WM replaced|replaced")
declare -A next=([counting]=paused [paused]=counting [reading]=counting)
declare -A back=([counting]=alt+r [paused]=alt+p [reading]=alt+i)
declare -A enter=([counting]="" [paused]=alt+p [reading]=alt+i) leave=([paused]=alt+r [reading]=alt+i)
as_it_was() {
    local top=$stopwatch d1 t1
    kill -0 "$pid" 2>/dev/null || return 1
    [ -n "$about" ] && top=$about
    within 20 focus_is "$top" || { note "$WM left the focus elsewhere"; xdotool windowactivate "$top"; }
    d1=$(seconds) t1=$(date +%s%N)
    [ "$want" = counting ] && d0=$((d0 + (t1 - t0) / 1000000000))
    note "$1, $want: $(atspi state "$pid" any), display $d1 s for $d0 s"
    [ "$(atspi state "$pid" any) $(atspi buttons "$pid" Vantelsiro)" = "ok $want $buttons" ] &&
        { [ -n "$untimed" ] || { [ $((d1 - d0)) -le 1 ] && [ $((d0 - d1)) -le 1 ]; }; } || return 1
    if [ -n "$about" ]; then xdotool key space && gone "$pid" "$About"; return; fi
    xdotool key space sleep 0.3
    [ "$(atspi state "$pid")" = "ok ${next[$want]}" ] && xdotool key "${back[$want]}" sleep 0.3
}
About="Informazioni su..."
if [ -n "${VELTI_DAY_ONLY:-}" ]; then
    xmessage -geometry +620+520 "Un altro programma" >/dev/null 2>&1 &
    pids+=($!)
    wmctrl -n 2
    # The other program is on screen first: a window that opens later takes the keyboard.
    within 50 xdotool search --onlyvisible --class xmessage >/dev/null
    start 1
    within 20 focus_is "$stopwatch"
    xdotool key alt+v sleep 0.3
    [ "$(atspi state "$pid")" = "ok counting" ] || die "the day did not begin: Alt+V at start did not count ($WM)"
    for want in ${VELTI_DAY_STATES:-counting paused}; do
        [ -n "${enter[$want]}" ] && xdotool key "${enter[$want]}" sleep 0.3
        for row in "${rows[@]}"; do
            IFS='|' read -r title action with <<<"$row"
            for about in "" ${with:+yes}; do
                if [ -n "$about" ]; then
                    atspi press "$pid" "$About" Vantelsiro >/dev/null
                    about=$(window_of "$pid" "$About") && about=${about%%$'\n'*} && sleep 0.5 || continue
                fi
                buttons=$(atspi buttons "$pid" Vantelsiro) d0=$(seconds) t0=$(date +%s%N) untimed=""
                eval "$action" >/dev/null 2>&1
                check "$title, $want${about:+, the About window open} ($WM)" as_it_was "$title"
            done
        done
        [ "$want" = counting ] || xdotool key "${leave[$want]}" sleep 0.3
    done
    stop
    finish
fi

for scale in 1 1.5 2; do
    start $scale
    open_about $scale || die "the information button opened no About window (scale $scale)"
    check "scale $scale: WM_TRANSIENT_FOR of the About window is the stopwatch" transient_is_stopwatch
    check "scale $scale: the About frame is centred within 2 px" frame_centred
    check "scale $scale: Alt+M keeps the top edge and gives the designed height" alt_m_keeps_the_top $scale
    # Whole device pixels only: at 1.5 the boxes' borders fall between pixels.
    [ $scale != 1.5 ] && check "scale $scale: the memory captions end inside their boxes" captions_inside $scale
    if [ $scale = 1 ]; then
        check "minimising the stopwatch takes the About window along" minimised_together
        check "minimised, both windows keep their names" \
            names_are "frame:Vantelsiro dialog:Informazioni su..."
        check "both come back together" restored
        check "the About window is never minimised alone" never_minimised_alone
        restored >/dev/null
        check "activating the stopwatch behind its minimised About window brings that back" about_back
    fi
    stop
done

# The burst: random access keys, Space, Return and clicks on the five stopwatch buttons, no delay.
start 1
check "the accessibility interface reads the idle stopwatch" test "$(atspi state "$pid")" = "ok idle"
# Tab held moves on at every repeat, as it does everywhere.
tab_held() {
    local moves
    atspi focuses "$pid" 2.5 >"$work/focuses" &
    within 50 grep -q listening "$work/focuses" && xdotool keydown Tab sleep 1.5 keyup Tab
    wait $!
    moves=$(tail -n1 "$work/focuses")
    note "Tab held 1.5 s: the focus moved ${moves:-0} times"
    [ "${moves:-0}" -ge 5 ]
}
check "Tab held runs on through the buttons" tab_held
# on_layout LAYOUT V S: with that layout alone, Alt and the key that bears V on a US keyboard
# (keysym V there) count, Alt and the key of S stops.
on_layout() {
    local counting idle
    setxkbmap "$1" || return 1
    xdotool key "alt+$2" sleep 0.3
    counting=$(atspi state "$pid")
    xdotool key "alt+$3" sleep 0.3
    idle=$(atspi state "$pid")
    setxkbmap us
    note "layout $1 alone: Alt+$2 $counting, Alt+$3 $idle"
    [ "$counting $idle" = "ok counting ok idle" ]
}
for keys in "ru Cyrillic_em Cyrillic_yeru" "gr Greek_omega Greek_sigma" "il hebrew_he hebrew_dalet"; do
    read -r layout v s <<<"$keys"
    check "with a $layout layout alone, Alt+V and Alt+S act" on_layout "$layout" "$v" "$s"
done
RANDOM=2026
read -r sx sy _ _ < <(geometry "$stopwatch")
centres=("36 124" "100 124" "164 124" "228 124" "116 156") # Command1 to Command5
keys=(alt+v alt+s alt+p alt+r alt+i alt+a space Return)
bad=""
for round in $(seq 10); do
    actions=()
    for _ in $(seq 100); do
        pick=$((RANDOM % 13))
        if [ $pick -lt 8 ]; then
            actions+=(key --delay 0 "${keys[pick]}")
        else
            read -r bx by <<<"${centres[pick - 8]}"
            actions+=(mousemove $((sx + bx)) $((sy + by)) click 1)
        fi
    done
    xdotool "${actions[@]}"
    sleep 0.4
    found=$(atspi state "$pid")
    [ "$found" = "${found#ok}" ] && { bad="after $((round * 100)) inputs: $found"; break; }
done
note "burst: ${bad:-the last state was ${found#ok }}"
check "1,000 fast inputs: no error box, only designed states, no negative field" test -z "$bad"
check "the stopwatch still answers" bash -c "xdotool key alt+s alt+a; sleep 0.3; exit 0"
check "the stopwatch is idle and at zero after Alt+S Alt+A" test "$(atspi state "$pid")" = "ok idle"
stop

# ---- One outcome whatever the path; nothing reaches a blocked window ---------------------------
# No help viewer on the program's PATH: "&Crediti" shows the "Appunti" box.
mkdir -p "$work/no-viewer"
start 1 PATH="$work/no-viewer"
About="Informazioni su..."
# fresh_about: the About window opened afresh, any open one closed with Esc first.
fresh_about() {
    windows_of "$pid" "$About" >/dev/null && { xdotool key Escape; gone "$pid" "$About" || return 1; }
    open_about 1
}
click_memoria() { click_at "$about" 291 131 1; }
# memoria_ends_disabled ACTION...: after the action on a fresh About window, "&Memoria" is
# disabled and Tab cycles between OK and "&Crediti" alone (read through AT-SPI).
memoria_ends_disabled() {
    local buttons cycle
    fresh_about || return 1
    "$@" >/dev/null
    sleep 0.5
    [ "$1" = click_memoria ] && [ -n "${VELTI_SCREENSHOTS:-}" ] &&
        import -window root "$VELTI_SCREENSHOTS/memoria.png"
    buttons=$(atspi buttons "$pid" "$About") cycle=$(atspi tabs "$pid" "$About" 4)
    note "$buttons; Tab, Tab, Tab, Tab: $cycle"
    [[ " $buttons " == *" Memoria:0:0 "* ]] &&
        [[ $cycle = "OK Crediti OK Crediti" || $cycle = "Crediti OK Crediti OK" ]]
}
check "\"&Memoria\" by the mouse ends disabled and out of the Tab cycle" memoria_ends_disabled click_memoria
check "\"&Memoria\" by Tab, Space ends disabled and out of the Tab cycle" memoria_ends_disabled xdotool key Tab space
check "\"&Memoria\" by Tab, Return ends disabled and out of the Tab cycle" memoria_ends_disabled xdotool key Tab Return
check "\"&Memoria\" by Alt+M ends disabled and out of the Tab cycle" memoria_ends_disabled xdotool key alt+m
check "\"&Memoria\" by AT-SPI Press ends disabled and out of the Tab cycle" memoria_ends_disabled atspi press "$pid" Memoria "$About"

# Once the notice is typed, the memory figures are still read on every tick of the About timer.
meminfo_reads() {
    local fd
    fd=$(find "/proc/$pid/fd" -lname /proc/meminfo -printf '%f\n' | head -n1)
    timeout -s INT 2 strace -f -e trace=pread64 -p "$pid" -o "$work/strace.log" 2>/dev/null
    grep -c "pread64($fd," "$work/strace.log"
}
sleep 3
reads=$(meminfo_reads)
note "pread64 of /proc/meminfo in 2 s: $reads"
check "with the notice typed, /proc/meminfo is read at least 40 times in 2 s" test "${reads:-0}" -ge 40

# AT-SPI "Press" on the stopwatch's buttons behind the About window runs nothing, and the client
# is told so.
for button in Via Azzera "$About"; do
    answer=$(atspi press "$pid" "$button" Vantelsiro)
    sleep 0.5
    check "Press on \"$button\" behind the About window: refused, still idle, one About window" \
        test "$answer $(atspi state "$pid" any) $(windows_of "$pid" "$About" | wc -l)" = "refused ok idle 1"
done
# Nor does Press on the About window's OK while the "Appunti" box is up.
click_at "$about" 291 155 1
box=$(window_of "$pid" Appunti)
atspi press "$pid" OK "$About" >/dev/null
sleep 0.5
check "Press on OK behind the \"Appunti\" box leaves the About window and the box open" \
    test -n "$box" -a -n "$(windows_of "$pid" "$About")" -a -n "$(windows_of "$pid" Appunti)"
xdotool key Return
gone "$pid" Appunti
# keyboard_back [CLOSE...]: Esc (or the command CLOSE) closes the About window; Alt+V typed to
# the focused window, no click first, reaches the stopwatch, which counts as designed ("Via"
# disabled, the focus on "Pausa"); Alt+S makes it idle again.
keyboard_back() {
    local counting buttons idle
    [ $# -gt 0 ] || set -- xdotool key Escape
    "$@"
    gone "$pid" "$About" || return 1
    # As a person waits to see the stopwatch take the keyboard; Alt+V tells whether it did.
    within 20 focus_is "$stopwatch"
    xdotool key alt+v sleep 0.3
    counting=$(atspi state "$pid")
    buttons=$(atspi buttons "$pid" Vantelsiro)
    xdotool key alt+s sleep 0.3
    idle=$(atspi state "$pid")
    note "after Esc: Alt+V $counting, $buttons; Alt+S $idle; X focus $(xdotool getwindowfocus 2>/dev/null), stopwatch $stopwatch, active $(xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | sed "s/.*# //")"
    [ "$counting $idle" = "ok counting ok idle" ] &&
        [[ " $buttons " == *" Via:0:0 Stop:1:0 Pausa:1:1 "* ]]
}
check "closing the About window ($WM) gives the keyboard back to the stopwatch" keyboard_back
atspi press "$pid" "$About" Vantelsiro >/dev/null
atspi press "$pid" "$About" Vantelsiro >/dev/null
sleep 0.5
check "Press twice on the information button opens one About window" \
    test "$(windows_of "$pid" "$About" | wc -l)" = 1
check "and after Esc, Alt+V counts with \"Via\" disabled and the focus on \"Pausa\"" keyboard_back
# An AT-SPI focus request to "&Stop" behind the About window moves nothing: after Esc, Space still
# presses "&Pausa", where Alt+V left the focus.
focus_refused() {
    local paused
    xdotool key alt+v sleep 0.3
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    window_of "$pid" "$About" >/dev/null || return 1
    sleep 0.5
    [ "$(atspi grab "$pid" Stop)" = refused ] || return 1
    xdotool key Escape
    gone "$pid" "$About" || return 1
    xdotool key space sleep 0.3
    paused=$(atspi state "$pid")
    xdotool key alt+s sleep 0.3
    note "focus asked for Stop behind the About window; after Esc, Space: $paused"
    [ "$paused" = "ok paused" ]
}
check "a focus request behind the About window moves nothing" focus_refused
open_about 1
check "the About window destroyed by xdotool windowclose ($WM): the keyboard is the stopwatch's" \
    keyboard_back xdotool windowclose "$about"
# What other programs do to the windows: each ends with both windows usable.
# box_then ACTION: the "Appunti" box opened over a fresh About window, then the action on it.
box_then() {
    fresh_about || return 1
    xdotool key alt+c
    box=$(window_of "$pid" Appunti) || return 1
    box=${box%%$'\n'*}
    "$@"
    sleep 0.5
}
close_box() { xdotool windowclose "$box"; }
box_dismissed() { box_then close_box && gone "$pid" Appunti && keyboard_back; }
check "the \"Appunti\" box destroyed by xdotool windowclose ($WM) counts as dismissed" box_dismissed
box_minimised() {
    box_then true && xdotool windowminimize "$box" && sleep 0.5 || return 1
    names_are "frame:Vantelsiro dialog:Informazioni su... alert:Appunti" || return 1
    xdotool windowactivate "$stopwatch" 2>/dev/null
    within 30 mapped "$box" || return 1
    xdotool key Return
    gone "$pid" Appunti && keyboard_back
}
check "the \"Appunti\" box minimised ($WM) comes back in front when the stopwatch is activated" \
    box_minimised
# Withdrawn by another program, a window comes back as it was. back_as_it_was ACTION: the action
# on a fresh About window with its memory panel open; the window comes back with the panel (its
# enlarged height), and Esc then gives the keyboard back. A DestroyNotify another program sent is
# not the server's word: the program ignores it, and a window manager that believed it and let the
# window go has withdrawn it.
back_as_it_was() {
    local h
    fresh_about || return 1
    xdotool key alt+m sleep 0.5
    "$@" || return 1
    sleep 1.5
    within 30 mapped "$about" || return 1
    read -r _ _ _ h < <(geometry "$about")
    note "after $1: the About window on screen, $h px high"
    [ "$h" = 270 ] && keyboard_back
}
withdraw() { xdotool windowunmap "$about"; }
forge() { python3 "$xsession_lib/wm_delete.py" --forged-destroy "$about"; }
stopwatch_back() {
    local state
    xdotool key alt+v sleep 0.3 windowunmap "$stopwatch" sleep 1.5
    within 30 mapped "$stopwatch" || return 1
    state=$(atspi state "$pid")
    xdotool key alt+s sleep 0.3
    note "the stopwatch withdrawn while counting: on screen again, $state; Alt+S: $(atspi state "$pid")"
    [ "$state $(atspi state "$pid")" = "ok counting ok idle" ]
}
check "the About window withdrawn by xdotool windowunmap ($WM) comes back as it was" \
    back_as_it_was withdraw
check "a DestroyNotify another program sent for the About window ($WM): it comes back as it was" \
    back_as_it_was forge
check "the stopwatch withdrawn by xdotool windowunmap ($WM) comes back, counting" stopwatch_back
# A window manager replaced while the About window is open: the first one gives way, then Esc.
# Both windows minimised and restored first: the new manager finds them as they are, on screen.
# The About window minimised takes the stopwatch along, minimised by the program itself (Qt marks
# it iconic in WM_HINTS, a mark a new manager would obey).
wm_replaced() { within 100 ended "$xsession_wm_pid" && sleep 1.5 && mapped "$stopwatch" && mapped "$about"; }
open_about 1
xdotool windowminimize "$about"
within 30 unmapped "$stopwatch"
restored >/dev/null
NO_AT_BRIDGE=1 GTK_A11Y=none "$WM" --replace >"$work/wm2.log" 2>&1 &
pids+=($!)
check "minimised, restored, then $WM replaced: both windows on screen" wm_replaced
check "after $WM --replace, closing the About window gives the keyboard back" keyboard_back
# A window manager that dies leaves its hints behind (_NET_SUPPORTED), and Qt would ask it for
# the keyboard still: the program gives the keyboard itself when nobody owns WM_S0. The pointer
# rests on the stopwatch, where the keys would go without a focus.
read -r sx sy _ _ < <(geometry "$stopwatch")
xdotool mousemove $((sx + 20)) $((sy + 20))
open_about 1
kill -9 "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null
wm_died() {
    sleep 1
    note "hints left: $(xprop -root _NET_SUPPORTED 2>/dev/null | cut -c1-60)"
    keyboard_back
}
check "$WM killed while the About window is open: Esc closes it, the keyboard is the stopwatch's" wm_died
open_about 1
check "with no window manager, closing the About window gives the keyboard back" keyboard_back
open_about 1
check "and so does xdotool windowclose on the About window" keyboard_back xdotool windowclose "$about"
check "with no window manager, the \"Appunti\" box destroyed counts as dismissed" box_dismissed
check "with no window manager, the About window withdrawn comes back as it was" back_as_it_was withdraw
check "with no window manager, a DestroyNotify another program sent changes nothing" back_as_it_was forge
check "with no window manager, the stopwatch withdrawn comes back, counting" stopwatch_back
check "then closing the stopwatch ends the program with status 0" closes "$pid" "$stopwatch"
start 1
xdotool key alt+v
counting() { [ "$(atspi state "$pid")" = "ok counting" ]; }
check "with no window manager, Alt+V right after start counts" within 30 counting
open_about 1
xdotool windowclose "$stopwatch"
check "the stopwatch's window destroyed behind the About window: closing that ends the program" \
    closes "$pid" "$about"
stop

# ---- Screens that change --------------------------------------------------------------------
# On a private Xvnc, whose screen can shrink and lose a monitor: under openbox and with none (the
# program does the same under every manager; VELTI_SCREENS names others).
if [ "$WM" != openbox ] && [ -z "${VELTI_SCREENS:-}" ]; then
    note "screen changes: checked beside openbox"
elif command -v Xvnc >/dev/null && command -v xrandr >/dev/null; then
    . "$here/screen_change.sh"
    read -r -a screens <<<"${VELTI_SCREENS:-openbox none}"
    screen_change_checks "$PROGRAM" "${screens[@]}"
else
    check "Xvnc and xrandr, for the screen changes, are installed" false
fi

# ---- Wayland --------------------------------------------------------------------------------
weston --backend=headless-backend.so --use-pixman --socket=velti-wayland --width=1024 \
    --height=768 --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
if ! within 50 test -S "$XDG_RUNTIME_DIR/velti-wayland"; then
    check "weston started" false
else
    WAYLAND_DISPLAY=velti-wayland QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 QT_SCALE_FACTOR=1 \
        PATH="$work/no-viewer" "$PROGRAM" 2>"$work/wayland.log" >/dev/null &
    pid=$!
    pids+=("$pid")
    check "Wayland: the information button is pressed through AT-SPI" \
        test "$(atspi press "$pid" "Informazioni su...")" = "pressed"
    within 30 windows_are 2
    sleep 0.5
    # The stopwatch's toplevel is the first one made; the About window's names it as its parent.
    first=$(grep -o 'get_toplevel(new id xdg_toplevel@[0-9]*)' "$work/wayland.log" | head -n1 | grep -o '[0-9]*)$' | tr -d ')')
    parent=$(grep -o 'xdg_toplevel@[0-9]*\.set_parent(xdg_toplevel@[0-9]*)' "$work/wayland.log" | head -n1)
    note "stopwatch toplevel @$first; request: ${parent:-no set_parent}"
    check "Wayland: the About window's toplevel asks for the stopwatch as its parent" \
        test -n "$first" -a "${parent##*@}" = "$first)"
    # The "Appunti" box names the About window as its parent: when it closes, the compositor
    # hands the keyboard back to that window.
    atspi press "$pid" Crediti "Informazioni su..." >/dev/null
    within 30 windows_are 3
    sleep 0.5
    about_id=$(grep -o 'get_toplevel(new id xdg_toplevel@[0-9]*)' "$work/wayland.log" | sed -n 2p | grep -o '[0-9]*)$')
    parent=$(grep -o 'xdg_toplevel@[0-9]*\.set_parent(xdg_toplevel@[0-9]*)' "$work/wayland.log" | sed -n 2p)
    note "About toplevel @$about_id; request: ${parent:-no second set_parent}"
    check "Wayland: the \"Appunti\" box asks for the About window as its parent" \
        test -n "$about_id" -a "${parent##*@}" = "$about_id"
    stop
fi

finish
