#!/usr/bin/env bash
# Closing is never lost. Starts the real program again and again under a private Xvfb and, in
# each round, does what a quick user does: Alt+V, Alt+P and Alt+S, 250 ms apart, then closes the
# window the way a window manager does (WM_DELETE_WINDOW). Every round must end within 3 s of
# the close, with exit status 0. The window is found by its _NET_WM_PID, so a window left over
# from an earlier round can never stand in for the new one.
#
#   close_loop.sh /abs/path/to/velti [ROUNDS]       (30 rounds if not given)
#
# VELTI_CLOSE_LOOP_LOG=DIR keeps, for every round, Qt's log of the window-system events it
# received (qt.qpa.events) and of the close, as DIR/round-N.log. VELTI_CLOSE_LOOP_GAP sets the
# pause after each key, the last one included (0.25 s). VELTI_CLOSE_LOOP_WM=openbox (or another
# window manager's command) runs the rounds under that window manager instead of a bare server.
set -u

program=${1:-}
rounds=${2:-30}
. "$(dirname "${BASH_SOURCE[0]}")/../lib/xsession.sh"
checks_begin close
pid=""
logs=${VELTI_CLOSE_LOOP_LOG:-}
gap=${VELTI_CLOSE_LOOP_GAP:-0.25}

[ -x "$program" ] || die "usage: $0 /abs/path/to/velti [ROUNDS] (got '$program', not an executable)"
need Xvfb xdotool python3
xsession_start "$work" || die "Xvfb starts"
if [ -n "${VELTI_CLOSE_LOOP_WM:-}" ]; then
    need "$VELTI_CLOSE_LOOP_WM" xprop
    xsession_wm "$VELTI_CLOSE_LOOP_WM" || die "$VELTI_CLOSE_LOOP_WM starts"
fi
if [ -n "$logs" ]; then
    mkdir -p "$logs"
    export QT_LOGGING_RULES="qt.qpa.events=true;qt.qpa.events.reader=true"
fi

now_ms() { date +%s%3N; }

lost=0 slowest=0
for round in $(seq "$rounds"); do
    log="$work/round.log"
    "$program" >"$log" 2>&1 &
    pid=$!
    window=$(window_of "$pid" Vantelsiro 100)
    if [ -z "$window" ] || [ "$(wc -w <<<"$window")" != 1 ]; then
        show "$log"
        check "round $round: the program shows one window 'Vantelsiro' within 10 s" false
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""
        continue
    fi
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null
    for key in alt+v alt+p alt+s; do
        xdotool key "$key"
        sleep "$gap"
    done
    if ! wm_delete "$window"; then
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""
        check "round $round: WM_DELETE_WINDOW is sent" false
    elif closed_at=$(now_ms) && ends_within "$pid" 30; then
        pid=""
        took=$(($(now_ms) - closed_at))
        [ "$took" -gt "$slowest" ] && slowest=$took
        if [ "$ended_status" != 0 ]; then
            show "$log"
            check "round $round: the program ends with status 0 (got $ended_status)" false
        else
            passed=$((passed + 1))
        fi
    else
        lost=$((lost + 1))
        # As a user would, close it once more: whether that works tells a lost request from a
        # window that cannot close at all.
        wm_delete "$window"
        if ends_within "$pid" 30; then again="a second close ended it"; else again="so did a second"; fi
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""
        show "$log"
        check "round $round: the program ends within 3 s of the close ($again)" false
    fi
    [ -n "$logs" ] && cp "$log" "$logs/round-$round.log"
done
echo "# $rounds rounds, $lost closes lost, slowest close to exit: $slowest ms"
check "every one of $rounds rounds ended within 3 s of its close, with status 0" \
    test "$passed" = "$rounds" -a "$failed" = 0
finish
