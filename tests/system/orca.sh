#!/usr/bin/env bash
# Vantelsiro as a blind person hears it. Usage: tests/system/orca.sh /abs/path/to/velti
#
# Runs the real program under Debian's Orca screen reader (Italian, default settings, speech
# through speech-dispatcher's dummy output: there is no sound card) on a private Xvfb with
# openbox, a private session bus and the accessibility bus, drives it from the keyboard only, and
# prints what Orca said after each key, from its debug log. It checks nothing by itself: the
# output is read by a person. Missing packages are installed with apt-get (through sudo when not
# root), and the it_IT.UTF-8 locale is generated if needed.
set -u

PROGRAM=${1:-}
[ -x "$PROGRAM" ] || { echo "usage: $0 /abs/path/to/velti" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
packages=(orca speech-dispatcher espeak-ng xvfb openbox xdotool at-spi2-core dbus
    dbus-x11 dconf-gsettings-backend python3-pyatspi locales)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "# installing ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        "${missing[@]}" >/dev/null || { echo "apt-get failed" >&2; exit 1; }
fi
if ! locale -a | grep -qi '^it_IT\.utf-\?8$'; then
    echo "# generating it_IT.UTF-8"
    as_root sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    as_root locale-gen >/dev/null
fi

# One private session bus for this run.
if [ -z "${VELTI_ORCA_BUS:-}" ]; then
    VELTI_ORCA_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/velti-orca.XXXXXX")
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "${VELTI_ORCA_KEEP:-}" ] && echo "# kept $workdir" || rm -rf "$workdir"
}
trap cleanup EXIT

export LANG=it_IT.UTF-8 LANGUAGE=it LC_ALL=it_IT.UTF-8
export XDG_RUNTIME_DIR="$workdir/runtime" XDG_CONFIG_HOME="$workdir/config"
export XDG_DATA_HOME="$workdir/data" XDG_CACHE_HOME="$workdir/cache" HOME="$workdir/home"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_DATA_HOME" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
EOF

Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 3>"$workdir/display" \
    2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$workdir/display" ] && break; sleep 0.1; done
[ -s "$workdir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$workdir/display")"
openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
gsettings set org.gnome.desktop.interface toolkit-accessibility true
sleep 1

log="$workdir/orca.log"
/usr/bin/python3 "$here/orca_flushed.py" --debug-file="$log" >"$workdir/orca.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q "SPEECH OUTPUT" "$log" 2>/dev/null && break; sleep 0.2; done
grep -q "SPEECH OUTPUT" "$log" 2>/dev/null || { cat "$workdir/orca.out" >&2; echo "Orca did not start" >&2; exit 1; }
sleep 2

offset=$(stat -c %s "$log")
# What Orca said since the last call.
said() {
    sleep "${1:-2}"
    local size
    size=$(stat -c %s "$log")
    tail -c +"$((offset + 1))" "$log" | head -c "$((size - offset))" |
        grep -E "SPEECH OUTPUT|bad content sent to speak" |
        sed -E -e 's/^[0-9:.]+ - //' -e "s/' ?(\{.*\}|None)$/'/" -e 's/^/    /'
    offset=$size
}
step() {
    local title=$1 wait=$2; shift 2
    echo "$title"
    xdotool "$@"
    said "$wait"
}
# Orca's modifier held down while a key is pressed twice, as a person does for the "twice"
# commands.
twice() { xdotool keydown Insert key --delay 150 "$1" "$1" keyup Insert; }

echo "start"
"$PROGRAM" >"$workdir/velti.log" 2>&1 &
velti=$!
pids+=($velti)
said 4
echo "Insert+KP_Enter twice (status bar, the focus on Via)"
twice KP_Enter
said 2
step "Tab" 1.5 key Tab
step "Tab" 1.5 key Tab
step "Alt+V (start)" 2 key alt+v
echo "6 s later: KP_Enter (where am I)"
sleep 4
xdotool key KP_Enter
said 2
echo "Insert+KP_Enter twice (status bar)"
twice KP_Enter
said 2
# A client of its own holds the pause button across its change of caption.
/usr/bin/python3 "$here/atspi.py" hold "$velti" Pausa "$workdir/paused" >"$workdir/held" 2>&1 &
for _ in $(seq 50); do grep -q holding "$workdir/held" && break; sleep 0.2; done
step "Alt+P (pause)" 2 key alt+p
touch "$workdir/paused"
sleep 1
echo "    the client holding Pausa reads: $(tail -n1 "$workdir/held")"
step "Alt+R (resume)" 2 key alt+r
step "Alt+I (reading)" 2 key alt+i
step "KP_Enter (where am I, on OK)" 2 key KP_Enter
echo "2 s later: Insert+KP_Enter twice (status bar)"
twice KP_Enter
said 2
step "Return (end of reading)" 2 key Return
step "KP_Enter (where am I)" 2 key KP_Enter
step "Alt+S (stop)" 2 key alt+s
step "Alt+A (reset)" 2 key alt+a
# Faster than the notices: each action is still told its own result.
step "Alt+V, Alt+I, Return, Alt+S, 50 ms apart" 3 key --delay 50 alt+v alt+i Return alt+s
step "Alt+A (reset)" 2 key alt+a
echo "Insert+KP_Enter twice (status bar)"
twice KP_Enter
said 2
step "Tab" 1.5 key Tab
step "Tab" 1.5 key Tab
step "Return (the About window opens)" 5 key Return
step "KP_Add (say all: the dialog, its notice typed)" 4 key KP_Add
step "Alt+M (memory)" 2 key alt+m
step "KP_Add twice (flat review of the whole window)" 5 key --delay 150 KP_Add KP_Add
step "Esc (the About window closes)" 2 key Escape
