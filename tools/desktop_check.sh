#!/usr/bin/env bash
# The real program on real desktops. Usage: desktop_check.sh /abs/path/to/velti
#
# Under a window manager (openbox; VELTI_WM=xfwm4 or metacity for the others) on a private Xvfb:
#   - the About window's WM_TRANSIENT_FOR is the stopwatch's client window;
#   - its frame, title bar included (_NET_FRAME_EXTENTS), is centred on the screen within 2 px;
#   - at scale factors 1, 1.5 and 2, Alt+M keeps its top edge and gives the designed size to the
#     pixel; at 1 and 2 the three memory captions end inside their boxes;
#   - minimising the stopwatch takes the About window along, and the About window is never
#     minimised alone in front of a blocked stopwatch;
#   - a burst of 1,000 random access keys, Space, Return and clicks with no delay: no error box,
#     the stopwatch always in one of its four states, and no negative field on the display
#     (read through the accessibility interface).
# Under Wayland (a headless weston, WAYLAND_DEBUG=1): the About window, opened through AT-SPI
# doAction on the information button, asks for the stopwatch as its parent (xdg_toplevel.set_parent).
# Windows are found by their _NET_WM_PID, never by title alone.
set -u

PROGRAM=${1:-}
WM=${VELTI_WM:-openbox}
PYTHON=/usr/bin/python3
passed=0 failed=0
pids=()

# One private session bus for the accessibility interface, for this run only.
if [ -z "${VELTI_DESKTOP_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null || { echo "not ok - dbus-run-session is missing"; exit 1; }
    VELTI_DESKTOP_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/velti-desktop.XXXXXX")
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT

die() { echo "not ok - $*"; echo "$passed passed, $((failed + 1)) failed"; exit 1; }
check() {
    local description=$1; shift
    if "$@"; then echo "ok - $description"; passed=$((passed + 1))
    else echo "not ok - $description"; failed=$((failed + 1)); fi
}
note() { echo "# $*"; }

[ -x "$PROGRAM" ] || die "usage: $0 /abs/path/to/velti"
for tool in Xvfb xdotool xprop xwininfo import convert weston "$WM" $PYTHON; do
    command -v "$tool" >/dev/null || die "required tool '$tool' is not installed"
done
$PYTHON -c 'import pyatspi' 2>/dev/null || die "python3-pyatspi is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || die "at-spi2-core is not installed"

export XDG_RUNTIME_DIR="$workdir/runtime" XDG_CONFIG_HOME="$workdir/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI WAYLAND_DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

# What the accessibility interface shows of the program with this process id.
cat >"$workdir/atspi.py" <<'EOF'
import re, sys, time
import pyatspi

STATES = {  # status: sensitive Via, Stop, pause button, reading button, Azzera; their names
    "Inattivo": ((1, 0, 0, 0, 1), "Pausa", "Rileva"),
    "Conteggio...": ((0, 1, 1, 1, 0), "Pausa", "Rileva"),
    "In pausa": ((0, 1, 1, 0, 0), "Riprendi", "Rileva"),
    "Rilevamento": ((0, 1, 0, 1, 0), "Pausa", "OK"),
}

def application(pid, wait=10.0):
    end = time.time() + wait
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.2)
    sys.exit("no accessible application for process %d" % pid)

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

def windows(app):
    return [w for w in app if w is not None]

def state(app):
    tops = windows(app)
    for w in tops:
        for n in walk(w):
            if n.getRoleName() in ("label", "alert") and "Errore" in (n.name or ""):
                return "error box: " + n.name.replace("\n", " ")
    stopwatch = [w for w in tops if w.name == "Vantelsiro"]
    if len(tops) != 1 or len(stopwatch) != 1:
        return "windows: " + ", ".join(repr(w.name) for w in tops)
    nodes = list(walk(stopwatch[0]))
    buttons = [n for n in nodes if n.getRoleName() == "push button"]
    labels = [n.name for n in nodes if n.getRoleName() == "label"]
    if len(buttons) != 6 or len(labels) != 2:
        return "unexpected controls"
    display, status = labels
    if not re.fullmatch(r"\d{2,}:\d{2}:\d{2}", display):
        return "display " + display
    if status not in STATES:
        return "status " + status
    sensitive = tuple(int(b.getState().contains(pyatspi.STATE_SENSITIVE)) for b in buttons[:5])
    expected, pause, reading = STATES[status]
    if sensitive != expected or buttons[2].name != pause or buttons[3].name != reading:
        return "%s with buttons %s %s %s" % (status, sensitive, buttons[2].name, buttons[3].name)
    return "ok " + status

command, pid = sys.argv[1], int(sys.argv[2])
app = application(pid)
if command == "state":
    # The bridge is updated as events arrive: a state read half-way is read again.
    for attempt in range(10):
        found = state(app)
        if found.startswith("ok"):
            break
        time.sleep(0.3)
    print(found)
elif command == "press":
    for n in walk(windows(app)[0]):
        if n.getRoleName() == "push button" and n.name == sys.argv[3]:
            n.queryAction().doAction(0)
            print("pressed")
            break
elif command == "windows":
    print(len(windows(app)))
EOF
atspi() { timeout 30 $PYTHON "$workdir/atspi.py" "$@" 2>/dev/null; }

# ---- X11 ----------------------------------------------------------------------------------
# -noreset: a server that resets when its last client leaves refuses whoever connects just then
# (here the window manager, as the first xprop leaves).
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 3>"$workdir/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$workdir/display" ] && break; sleep 0.1; done
[ -s "$workdir/display" ] || die "Xvfb did not start"
DISPLAY=":$(head -n1 "$workdir/display")"
export DISPLAY
case "$WM" in
openbox) openbox --sm-disable >"$workdir/wm.log" 2>&1 & ;;
xfwm4) xfwm4 --compositor=off --sm-client-disable >"$workdir/wm.log" 2>&1 & ;;
metacity) metacity --sm-disable --no-composite >"$workdir/wm.log" 2>&1 & ;;
*) die "unknown window manager $WM" ;;
esac
pids+=($!)
for _ in $(seq 150); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; then
    sed 's/^/#   /' "$workdir/wm.log"
    die "$WM did not start"
fi
# The check window comes before the manager takes windows on; give it a moment more.
sleep 1.5
note "window manager: $WM on $DISPLAY"

# window_of PID [TITLE]: the visible client window of this process (with this title).
window_of() {
    local found
    for _ in $(seq 50); do
        if [ $# -gt 1 ]; then
            found=$(xdotool search --all --onlyvisible --pid "$1" --name "^${2//./\\.}\$" 2>/dev/null | head -n1)
        else
            found=$(xdotool search --all --onlyvisible --pid "$1" --name '^Vantelsiro$' 2>/dev/null | head -n1)
        fi
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}
# client ID: "x y width height" of the client area on the screen.
client() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
extents() { xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ','; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
unmapped() { ! mapped "$1"; }
until_true() { for _ in $(seq 30); do "$@" && return 0; sleep 0.1; done; return 1; }

# start SCALE: runs the program at this scale factor; sets pid and stopwatch.
start() {
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$1 "$PROGRAM" >"$workdir/velti.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    stopwatch=$(window_of "$pid") || { cat "$workdir/velti.log"; die "no stopwatch window of process $pid"; }
    sleep 0.5
}
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
# click_at WINDOW X Y SCALE: a click at these logical client coordinates.
click_at() {
    read -r x y _ _ < <(client "$1")
    xdotool mousemove "$(awk -v a="$x" -v b="$2" -v s="$4" 'BEGIN{print int(a + b * s)}')" \
        "$(awk -v a="$y" -v b="$3" -v s="$4" 'BEGIN{print int(a + b * s)}')" click 1
}
open_about() {
    click_at "$stopwatch" 244 156 "$1"
    about=$(window_of "$pid" "Informazioni su...") || return 1
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
    read -r x y w h < <(client "$about")
    read -r l r t b < <(extents "$about")
    [ -n "$b" ] || return 1
    # Twice the centre, in whole pixels; the screen's is (1024, 768).
    cx=$((2 * (x - l) + w + l + r)) cy=$((2 * (y - t) + h + t + b))
    note "About frame at $((x - l)),$((y - t)) size $((w + l + r))x$((h + t + b)): centre off by $(((cx - 1024) / 2)),$(((cy - 768) / 2))"
    [ $((cx - 1024)) -le 4 ] && [ $((1024 - cx)) -le 4 ] && [ $((cy - 768)) -le 4 ] && [ $((768 - cy)) -le 4 ]
}
# captions_inside SCALE: each memory caption's ink ends inside its box, short of the border.
captions_inside() {
    local scale=$1 shot="$workdir/about.png" top box bounds ok=0
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
    read -r x y w h < <(client "$about")
    xdotool key alt+m
    sleep 0.7
    read -r x2 y2 w2 h2 < <(client "$about")
    note "Alt+M: $x,$y ${w}x$h -> $x2,$y2 ${w2}x$h2"
    [ "$x2" = "$x" ] && [ "$y2" = "$y" ] && [ "$w2" = "$w" ] &&
        [ "$h2" = "$(awk -v s="$1" 'BEGIN{print int(270 * s + 0.5)}')" ]
}
minimised_together() {
    xdotool windowminimize "$stopwatch"
    until_true unmapped "$stopwatch" && until_true unmapped "$about"
}
restored() {
    xdotool windowactivate "$stopwatch" 2>/dev/null || xdotool windowmap "$stopwatch"
    until_true mapped "$stopwatch" && until_true mapped "$about"
}
never_minimised_alone() {
    xdotool windowminimize "$about"
    sleep 0.7
    # Either both go, or the About window stays: never a blocked stopwatch on its own.
    mapped "$about" || unmapped "$stopwatch"
}

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
        check "both come back together" restored
        check "the About window is never minimised alone" never_minimised_alone
        restored >/dev/null
    fi
    stop
done

# The burst: random access keys, Space, Return and clicks on the five stopwatch buttons, no delay.
start 1
check "the accessibility interface reads the idle stopwatch" test "$(atspi state "$pid")" = "ok Inattivo"
RANDOM=2026
read -r sx sy _ _ < <(client "$stopwatch")
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
check "the stopwatch is idle and at zero after Alt+S Alt+A" test "$(atspi state "$pid")" = "ok Inattivo"
stop

# ---- Wayland --------------------------------------------------------------------------------
weston --backend=headless-backend.so --use-pixman --socket=velti-wayland --width=1024 \
    --height=768 --idle-time=0 >"$workdir/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/velti-wayland" ] && break; sleep 0.1; done
if [ ! -S "$XDG_RUNTIME_DIR/velti-wayland" ]; then
    check "weston started" false
else
    WAYLAND_DISPLAY=velti-wayland QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 QT_SCALE_FACTOR=1 \
        "$PROGRAM" 2>"$workdir/wayland.log" >/dev/null &
    pid=$!
    pids+=("$pid")
    check "Wayland: the information button is pressed through AT-SPI" \
        test "$(atspi press "$pid" "Informazioni su...")" = "pressed"
    until_true test "$(atspi windows "$pid")" = 2
    sleep 0.5
    # The stopwatch's toplevel is the first one made; the About window's names it as its parent.
    first=$(grep -o 'get_toplevel(new id xdg_toplevel@[0-9]*)' "$workdir/wayland.log" | head -n1 | grep -o '[0-9]*)$' | tr -d ')')
    parent=$(grep -o 'xdg_toplevel@[0-9]*\.set_parent(xdg_toplevel@[0-9]*)' "$workdir/wayland.log" | head -n1)
    note "stopwatch toplevel @$first; request: ${parent:-no set_parent}"
    check "Wayland: the About window's toplevel asks for the stopwatch as its parent" \
        test -n "$first" -a "${parent##*@}" = "$first)"
    stop
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
