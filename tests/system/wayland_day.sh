#!/usr/bin/env bash
# An ordinary day on Wayland. Usage: wayland_day.sh /abs/path/to/velti
#
# Under GNOME's mutter, a headless Wayland compositor with one 1280x1024 virtual monitor, keys
# typed on mutter's own keyboard through its remote desktop interface (tests/lib/remote_keys.py),
# so Super+H, Alt+Tab and the workspace keys act as on a desktop. Another program (weston-terminal)
# is on screen first. Each row is done while counting, while paused and in a reading:
#   - minimised (Super+H) and brought back with Alt+Tab;
#   - Alt+Tab to the other program and back;
#   - the other workspace and back (Super+Page_Down, Super+Page_Up);
#   - the About window minimised (Super+H on it), then a click on the stopwatch, or Esc: the
#     About window comes back with the keyboard, or is gone; what is left of it is closed;
#   - the About window's own title bar: a click where Qt's bar has its minimise button, then its
#     close box;
#   - the "Appunti" box ("Crediti" with no help viewer on PATH), closed with Return; then Esc
#     closes the About window;
#   - Return held 1.5 s acts once.
# After each: the program is running; the display is right to the second (counting on, or
# frozen); the state, the enabled buttons and the focus are as before (AT-SPI); Space acts on the
# focused button as designed, and the state is put back. The rows are done once more in a
# reading, the display frozen while the count goes on.
#
# Under weston (headless), whose seat has neither keyboard nor pointer (so no window is ever
# active and no button has the focus) and no way to type from outside, the rows that need no
# key: another program opening over the stopwatch and closing; the About window opened and
# closed with its OK; the "Appunti" box opened and closed with its OK, then the About
# window. All through AT-SPI; after each the same checks, Space aside.
#
# VELTI_COMPOSITORS names the compositors to run ("mutter weston", the default, or one of them).
# The client's Wayland traffic (WAYLAND_DEBUG=1) is kept in the scratch folder and quoted where a
# row fails. Needs mutter, weston, weston-terminal, dbus-run-session, at-spi2-core, python3-gi
# (gir1.2-glib-2.0) and python3-pyatspi.
set -u

PROGRAM=${1:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../lib/xsession.sh"
pids=()

# One private session bus for mutter's interfaces and the accessibility bus, for this run only.
if [ -z "${VELTI_WAYLAND_BUS:-}" ]; then
    need dbus-run-session
    VELTI_WAYLAND_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

checks_begin wayland
on_exit() {
    [ -n "${keyboard_PID:-}" ] && kill "$keyboard_PID" 2>/dev/null
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
}

[ -x "$PROGRAM" ] || die "usage: $0 /abs/path/to/velti"
need mutter weston weston-terminal /usr/bin/python3
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || die "python3-pyatspi is not installed"
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null || die "python3-gi is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || die "at-spi2-core is not installed"

unset DISPLAY WAYLAND_DISPLAY QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
XDG_RUNTIME_DIR=$(mktemp -d "$work/runtime.XXXXXX") && chmod 700 "$XDG_RUNTIME_DIR"
# The desktop's settings are this run's own, not the machine's: two fixed workspaces, new
# windows in the middle of the screen (where a click finds the stopwatch), the default keys.
mkdir -p "$work/config/glib-2.0/settings"
cat >"$work/config/glib-2.0/settings/keyfile" <<'EOF'
[org/gnome/mutter]
center-new-windows=true
dynamic-workspaces=false

[org/gnome/desktop/wm/preferences]
num-workspaces=2
EOF
export XDG_RUNTIME_DIR XDG_CONFIG_HOME="$work/config" GSETTINGS_BACKEND=keyfile
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
atspi() { timeout 30 /usr/bin/python3 "$here/atspi.py" "$@" 2>/dev/null; }
# No help viewer on the program's PATH: "&Crediti" shows the "Appunti" box.
mkdir -p "$work/no-viewer"
About="Informazioni su..."

# start COMPOSITOR: the program on that Wayland display; sets pid, and surface (its stopwatch's
# wl_surface in the traffic log).
start() {
    WAYLAND_DISPLAY=$1 QT_QPA_PLATFORM=wayland QT_SCALE_FACTOR=1 WAYLAND_DEBUG=1 \
        PATH="$work/no-viewer" "$PROGRAM" >/dev/null 2>"$work/$1.log" &
    pid=$!
    pids+=("$pid")
    [ "$(atspi state "$pid")" = "ok idle" ] || { tail -n 20 "$work/$1.log"; die "the stopwatch did not start on $1"; }
    surface=$(grep -m1 -o 'get_xdg_surface(new id xdg_surface@[0-9]*, wl_surface@[0-9]*)' "$work/$1.log" |
        grep -o 'wl_surface@[0-9]*')
    log="$work/$1.log"
}
stop() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
seconds() { local t; t=$(atspi time "$pid") && echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2})); }
# traffic FROM: what the compositor told the program, and the program's window requests, since
# line FROM of the log (drawing and buffers left out).
traffic() {
    tail -n +"$1" "$log" | grep -E 'configure|wl_keyboard@[0-9]+\.(enter|leave)|\.activate\(|set_minimized|wl_pointer@[0-9]+\.enter|get_toplevel|xdg_toplevel@[0-9]+\.destroy' |
        sed -E 's/^\[[0-9.]+\] *//; s/_TIME[0-9]+"/"/' | cut -c1-110
}
state_is() { [ "$(atspi state "$pid")" = "ok $1" ]; }
counts() { state_is counting; }
buttons_are() { [ "$(atspi buttons "$pid" Vantelsiro)" = "$1" ]; }
# names_has ROLE:NAME: one of the program's top-level windows.
names_has() { [[ " $(atspi names "$pid") " == *" $1 "* ]]; }
names_lack() { ! names_has "$1"; }
# has_keyboard WINDOW: a push button of that window has the focus, which Qt gives only to the
# active window.
has_keyboard() { [[ $(atspi buttons "$pid" "$1") == *:1:1* ]]; }

# ---- The day's checks, on either compositor -----------------------------------------------
declare -A next=([counting]=paused [paused]=counting [reading]=counting)
declare -A back=([counting]=alt+r [paused]=alt+p [reading]=alt+i)
# How each state is reached from the one before it: typed, or pressed through AT-SPI.
declare -A typed=([paused]="alt+p" [reading]="alt+r sleep 0.3 key alt+i")
declare -A pressed=([paused]="Pausa")
# as_it_was TITLE: the program running, alone with its stopwatch, in the state it was, with the
# same buttons enabled and focused; the display right to the second; then Space acts on the
# focused button (when keys can be typed) and the state is put back.
as_it_was() {
    local d1 t1 found now
    kill -0 "$pid" 2>/dev/null || { note "$1, $want: the program ended"; return 1; }
    within 20 buttons_are "$buttons"
    found=$(atspi state "$pid") now=$(atspi buttons "$pid" Vantelsiro)
    d1=$(seconds) t1=$(date +%s%N)
    [ "$want" = counting ] && d0=$((d0 + (t1 - t0) / 1000000000))
    note "$1, $want: $found, display $d1 s for $d0 s${untimed:+ (not judged)}"
    [ "$now" = "$buttons" ] || note "  buttons $now, before $buttons"
    [ "$found $now" = "ok $want $buttons" ] && [ -z "$wrong" ] || return 1
    [ -n "$untimed" ] || { [ $((d1 - d0)) -le 1 ] && [ $((d0 - d1)) -le 1 ]; } || return 1
    [ -n "$typing" ] || return 0
    remote key space sleep 0.3
    found=$(atspi state "$pid")
    [ "$found" = "ok ${next[$want]}" ] || { note "  Space: $found"; return 1; }
    remote key "${back[$want]}" sleep 0.3
}
# recover: after a row that failed, whatever it left open is closed through AT-SPI and the state
# put back, so that the next row starts as the day did.
recover() {
    local box
    for box in Appunti "$About"; do
        names_has "alert:$box" || names_has "dialog:$box" || continue
        atspi press "$pid" OK "$box" >/dev/null
        sleep 0.5
    done
    [ "$(atspi state "$pid")" = "ok $want" ] && return
    case "$want" in
    counting) for b in Riprendi OK Via; do atspi press "$pid" $b Vantelsiro; done ;;
    paused) for b in OK Via Pausa; do atspi press "$pid" $b Vantelsiro; done ;;
    reading) for b in Riprendi Via Rileva; do atspi press "$pid" $b Vantelsiro; done ;;
    esac >/dev/null
    note "  put back: $(atspi state "$pid")"
}
# day COMPOSITOR ROW...: each row, "TITLE|ACTION", done counting, paused, and in a reading where
# keys can be typed.
day() {
    local compositor=$1 row title action from failures=$failed
    shift
    for want in counting paused ${typing:+reading}; do
        if [ "$want" != counting ]; then
            if [ -n "$typing" ]; then remote key ${typed[$want]}; else note "\"${pressed[$want]}\" pressed: $(atspi press "$pid" "${pressed[$want]}" Vantelsiro)"; fi
            within 30 state_is "$want" ||
                { check "$want ($compositor): $(atspi state "$pid")" false; return 1; }
        fi
        for row in "$@"; do
            IFS='|' read -r title action <<<"$row"
            buttons=$(atspi buttons "$pid" Vantelsiro) d0=$(seconds) t0=$(date +%s%N) untimed="" wrong=""
            from=$(($(wc -l <"$log") + 1))
            eval "$action"
            check "$title, $want ($compositor)" as_it_was "$title"
            if [ "$failed" -gt "$failures" ]; then
                failures=$failed
                traffic "$from" | tail -n 25 | show /dev/stdin
                recover
            fi
        done
    done
}

# ---- mutter -------------------------------------------------------------------------------
# remote COMMAND...: typed on mutter's keyboard (see remote_keys.py); waits until it is done.
remote() {
    local answer
    echo "$*" >&"${keyboard[1]}"
    read -r -t 30 answer <&"${keyboard[0]}"
    [ "${answer:-}" = "done" ] || { note "remote $*: ${answer:-no answer}"; return 1; }
}
# click_stopwatch: the pointer to the middle of the screen, where mutter put the stopwatch, and a
# click there. The pointer's entry into the stopwatch's surface, in its traffic, tells it was there.
click_stopwatch() {
    local from=$(($(wc -l <"$log") + 1)) entered
    remote move -5000 -5000 sleep 0.1 move 640 512 sleep 0.3
    entered=$(tail -n +"$from" "$log" | grep -o "wl_pointer@[0-9]*\.enter([0-9]*, wl_surface@[0-9]*" | tail -n1)
    [ "${entered##*, }" = "$surface" ] || note "  the pointer did not enter the stopwatch (${entered:-no entry})"
    remote click sleep 0.3
}
other_program() { grep -q 'wl_keyboard@[0-9]*\.enter' "$work/terminal.log"; }
# about_minimised NEXT...: the About window opened, minimised with Super+H, then what a person
# does next (NEXT: a click on the stopwatch, or keys); the About window then has the keyboard or
# is gone. If it is still open, OK closes it (Space).
about_minimised() {
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    within 30 has_keyboard "$About" || { note "  the About window did not take the keyboard"; return; }
    remote key super+h sleep 0.8
    note "  the About window minimised: the stopwatch has the keyboard: $(has_keyboard Vantelsiro && echo yes || echo no); the About window: $(has_keyboard "$About" && echo yes || echo no)"
    "$@"
    if within 30 names_lack "dialog:$About"; then note "  then $*: the About window is gone"; return; fi
    if within 30 has_keyboard "$About"; then
        note "  then $*: the About window is back with the keyboard"
        remote key space sleep 0.3
        within 30 names_lack "dialog:$About"
    else
        note "  then $*: the About window has not come back: $(atspi state "$pid" any)"
    fi
}
# about_title_bar: the About window's title bar, the program's own: a click where Qt's own bar has
# its minimise button (the third from the right) minimises nothing; its close box closes the
# window. mutter centres the window: its size is the first geometry set after the newest toplevel.
about_title_bar() {
    local w h asked
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    within 30 has_keyboard "$About" || { note "  the About window did not take the keyboard"; return; }
    asked=$(grep -c 'set_minimized()' "$log")
    read -r w h <<<"$(grep -o 'get_toplevel\|set_window_geometry(0, 0, [0-9]*, [0-9]*)' "$log" |
        awk '/get_toplevel/ { n = 1; next } n == 1 { g = $0; n = 0 } END { print g }' |
        tr -c '0-9\n' ' ' | awk '{print $3, $4}')"
    remote move -5000 -5000 sleep 0.1 move $((640 + w / 2 - 63)) $((512 - h / 2 + 15)) sleep 0.3 \
        click sleep 0.8
    [ "$(grep -c 'set_minimized()' "$log")" = "$asked" ] || { note "  the click on the title bar minimised the About window"; wrong=1; }
    within 30 has_keyboard "$About" ||
        { note "  after a click on its title bar the About window has not the keyboard"; wrong=1; }
    remote move -5000 -5000 sleep 0.1 move $((640 + w / 2 - 15)) $((512 - h / 2 + 15)) sleep 0.3 \
        click sleep 0.5
    within 30 names_lack "dialog:$About" || note "  the close box left the About window open (${w}x$h)"
}
appunti() {
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    within 30 has_keyboard "$About" || { note "  the About window did not take the keyboard"; return; }
    remote key alt+c
    within 30 names_has "alert:Appunti" || { note "  Alt+C: no \"Appunti\" box: $(atspi names "$pid")"; return; }
    sleep 0.3
    remote key Return
    within 30 names_lack "alert:Appunti" || { note "  Return left the \"Appunti\" box open"; return; }
    within 30 has_keyboard "$About" || note "  the box closed, the About window has not the keyboard: $(atspi buttons "$pid" "$About")"
    remote key Escape
    within 30 names_lack "dialog:$About" || note "  Esc left the About window open"
}
held() {
    atspi renames "$pid" 2.8 >"$work/renames" &
    within 50 grep -q listening "$work/renames" && remote keydown Return sleep 1.5 keyup Return
    wait $!
    # The press paused or resumed the count for 1.5 s: the display is not judged.
    untimed=1
    note "  Return held 1.5 s: $(grep -vc listening "$work/renames") renames: $(grep -v listening "$work/renames" | cut -d' ' -f2 | tr '\n' ' ')"
    [ "$(grep -vc listening "$work/renames")" = 1 ] && remote key "${back[$want]}" sleep 0.3
}
mutter_rows=("minimised (Super+H) and brought back with Alt+Tab|remote key super+h sleep 0.8 key alt+Tab sleep 0.6"
    "Alt+Tab to the other program and back|remote key alt+Tab sleep 0.6 key alt+Tab sleep 0.6"
    "the other workspace and back|remote key super+Page_Down sleep 0.8 key super+Page_Up sleep 0.6"
    "the About window minimised, then a click on the stopwatch|about_minimised click_stopwatch"
    "the About window minimised, then Esc|about_minimised remote key Escape sleep 0.3"
    "the About window's title bar: no minimise, its close box closes|about_title_bar"
    "the \"Appunti\" box closed with Return, then the About window with Esc|appunti"
    "Return held 1.5 s acts once|held")

# included COMPOSITOR: named in VELTI_COMPOSITORS, or no list given.
included() { [[ " ${VELTI_COMPOSITORS:-mutter weston} " == *" $1 "* ]]; }
if included mutter; then
    mutter --wayland --headless --virtual-monitor 1280x1024 --no-x11 --wayland-display velti-mutter \
        >"$work/mutter.log" 2>&1 &
    pids+=($!)
fi
if ! included mutter; then
    note "mutter left out"
elif ! within 100 test -S "$XDG_RUNTIME_DIR/velti-mutter"; then
    show "$work/mutter.log"
    check "mutter started" false
else
    coproc keyboard { exec /usr/bin/python3 "$xsession_lib/remote_keys.py" 2>"$work/keys.log"; }
    read -r -t 15 answer <&"${keyboard[0]}"
    [[ ${answer:-} == ready* ]] || { show "$work/keys.log"; die "no remote desktop session on mutter: ${answer:-no answer}"; }
    typing=1
    # mutter's seat has a keyboard once the first key is typed: before, a client is told it has none.
    remote key shift
    # The other program is on screen first: a window that opens later takes the keyboard.
    WAYLAND_DISPLAY=velti-mutter WAYLAND_DEBUG=1 weston-terminal >/dev/null 2>"$work/terminal.log" &
    pids+=($!)
    within 50 other_program || note "weston-terminal did not take the keyboard"
    start velti-mutter
    within 30 has_keyboard Vantelsiro || note "the stopwatch did not take the keyboard"
    remote key alt+v
    if ! within 30 counts; then
        check "the day began under mutter: Alt+V typed through its remote desktop counts" false
        traffic 1 | tail -n 20 | show /dev/stdin
    else
        day mutter "${mutter_rows[@]}"
    fi
    stop
    kill "$keyboard_PID" 2>/dev/null
fi

# ---- weston -------------------------------------------------------------------------------
typing=""
terminal_shown() { grep -q 'wl_surface@[0-9]*\.enter(wl_output' "$work/terminal.log"; }
terminal_comes_and_goes() {
    WAYLAND_DISPLAY=velti-weston WAYLAND_DEBUG=1 weston-terminal >/dev/null 2>"$work/terminal.log" &
    local terminal=$!
    within 50 terminal_shown || note "  weston-terminal was not shown"
    sleep 0.5
    kill "$terminal"
    wait "$terminal" 2>/dev/null
}
about_ok() {
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    within 30 names_has "dialog:$About" || { note "  no About window"; return; }
    atspi press "$pid" OK "$About" >/dev/null
    within 30 names_lack "dialog:$About" || note "  OK left the About window open"
}
appunti_ok() {
    atspi press "$pid" "$About" Vantelsiro >/dev/null
    within 30 names_has "dialog:$About" || { note "  no About window"; return; }
    atspi press "$pid" Crediti "$About" >/dev/null
    within 30 names_has "alert:Appunti" || { note "  \"Crediti\": no \"Appunti\" box: $(atspi names "$pid")"; return; }
    atspi press "$pid" OK Appunti >/dev/null
    within 30 names_lack "alert:Appunti" || note "  OK left the \"Appunti\" box open"
    atspi press "$pid" OK "$About" >/dev/null
    within 30 names_lack "dialog:$About" || note "  OK left the About window open"
}
weston_rows=("another program opened over it and closed|terminal_comes_and_goes"
    "the About window opened and closed with OK|about_ok"
    "the \"Appunti\" box closed with OK, then the About window with OK|appunti_ok")
if included weston; then
    weston --backend=headless-backend.so --use-pixman --socket=velti-weston --width=1280 \
        --height=1024 --idle-time=0 >"$work/weston.log" 2>&1 &
    pids+=($!)
fi
if ! included weston; then
    note "weston left out"
elif ! within 50 test -S "$XDG_RUNTIME_DIR/velti-weston"; then
    show "$work/weston.log"
    check "weston started" false
else
    start velti-weston
    atspi press "$pid" Via Vantelsiro >/dev/null
    if ! within 30 counts; then
        check "the day began under weston: \"Via\" pressed through AT-SPI counts" false
    else
        note "weston's headless seat has no keyboard: no key can be typed, no window is active,"
        note "and no button has the focus; Space is not tried after the rows"
        day weston "${weston_rows[@]}"
    fi
    stop
fi

finish
