#!/usr/bin/env bash
# End-to-end test of the velti program under a private Xvfb server, driven with xdotool
# and checked with xwininfo and ImageMagick screenshots. Usage: end_to_end.sh /abs/path/to/velti
#
# Run 1 (a fresh program):
#   - one visible top-level window titled exactly "Vantelsiro", client area 264 x 175;
#   - while idle the display does not change;
#   - Alt+V starts it: the status line changes, the display changes after ~2 s, only in its
#     seconds digit (the "00:00:0" part stays put), and changes again ~1.2 s later;
#   - Alt+P pauses it: two screenshots 1.5 s apart show the same display;
#   - closing the window the way a window manager does (WM_DELETE_WINDOW) ends the
#     process within 3 s with exit status 0.
# Run 2 (a fresh program):
#   - Tab, Tab, Space from the initial focus (Via) opens a window titled exactly
#     "Informazioni su...", client area 322 x 205, centred on the screen;
#   - Alt+M there makes it 322 x 270 with its top edge where it was;
#   - Escape closes it; then Alt+V in the stopwatch window makes the display change;
#   - closing the stopwatch window ends the process with exit status 0.
#
# With VELTI_SCREENSHOTS=DIR it also leaves pictures of both windows there (the README's).
set -u

PROGRAM=${1:-}
. "$(dirname "${BASH_SOURCE[0]}")/../lib/xsession.sh"
checks_begin e2e
pid=""

[ -x "$PROGRAM" ] || die "usage: $0 /abs/path/to/velti (got '${PROGRAM}', not an executable)"
need Xvfb xdotool xwininfo import compare convert python3
xsession_start "$work" || die "Xvfb did not start"

# window_id TITLE: the program's visible windows with exactly this title, waiting up to 5 s.
window_id() { window_of "$pid" "$1"; }
# viewable_toplevels: how many children of the root window are mapped and viewable.
viewable_toplevels() {
    local n=0 id
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && n=$((n + 1))
    done
    echo "$n"
}
start() {
    "$PROGRAM" >"$work/out.log" 2>&1 & pid=$!
    main=$(window_id "Vantelsiro") || die "no visible window titled 'Vantelsiro' within 5 s"
    # Wait for the first paint: dark digits in the display region.
    for _ in $(seq 30); do
        screenshot "$main" "$work/first.png" &&
            [ "$(convert "$work/first.png[$DISPLAY_REGION]" -colorspace gray -format '%[fx:minima<0.3]' info:)" = 1 ] &&
            break
        sleep 0.1
    done
}
DISPLAY_REGION=226x42+16+24 STATUS_REGION=106x18+80+80
LEADING_DIGITS=144x42+16+24   # "00:00:0" stays the same during the first seconds

# ---- Run 1: window, counting, pause, close.
start
check "exactly one visible top-level window titled 'Vantelsiro'" test "$(wc -w <<<"$main")" = 1
check "and no other visible top-level window" test "$(viewable_toplevels)" = 1
check "its client area is 264 x 175" test "$(geometry "$main" | cut -d' ' -f3-)" = "264 175"
screenshot "$main" "$work/idle.png"
sleep 1.2; screenshot "$main" "$work/idle2.png"
check "while idle the display does not change" \
    same_region "$work/idle.png" "$work/idle2.png" "$DISPLAY_REGION"
keys "$main" alt+v
sleep 2.2; screenshot "$main" "$work/run1.png"
check "Alt+V changes the status line" \
    differ_region "$work/idle.png" "$work/run1.png" "$STATUS_REGION"
check "Alt+V: 2.2 s later the display has changed" \
    differ_region "$work/idle.png" "$work/run1.png" "$DISPLAY_REGION"
check "only the seconds changed (the '00:00:0' part is as at start)" \
    same_region "$work/idle.png" "$work/run1.png" "$LEADING_DIGITS"
sleep 1.2; screenshot "$main" "$work/run2.png"
check "1.2 s later the display has changed again (counting)" \
    differ_region "$work/run1.png" "$work/run2.png" "$DISPLAY_REGION"
[ -n "${VELTI_SCREENSHOTS:-}" ] && cp "$work/run2.png" "$VELTI_SCREENSHOTS/stopwatch.png"
keys "$main" alt+p
sleep 0.3; screenshot "$main" "$work/pause1.png"
sleep 1.5; screenshot "$main" "$work/pause2.png"
check "Alt+P freezes the display (same 1.5 s apart)" \
    same_region "$work/pause1.png" "$work/pause2.png" "$DISPLAY_REGION"
check "closing the window (WM_DELETE_WINDOW) ends the program with status 0 within 3 s" \
    closes "$pid" "$main"

# ---- Run 2: the About window.
start
keys "$main" Tab Tab space
about=$(window_id "Informazioni su...")
check "Tab, Tab, Space from the initial focus (Via) opens 'Informazioni su...'" test -n "$about"
[ -n "$about" ] || die "cannot test the About window without it"
read -r ax ay aw ah < <(geometry "$about")
read -r sw sh < <(xwininfo -root | awk '/Width:/{w=$NF} /Height:/{h=$NF} END{print w, h}')
check "the About window's client area is 322 x 205 (got $aw x $ah)" test "$aw $ah" = "322 205"
check "the About window is centred on the screen (at $ax,$ay)" \
    test $(( (sw - aw) / 2 - ax )) -ge -1 -a $(( (sw - aw) / 2 - ax )) -le 1 \
      -a $(( (sh - ah) / 2 - ay )) -ge -1 -a $(( (sh - ah) / 2 - ay )) -le 1
keys "$about" alt+m
for _ in $(seq 30); do read -r _ my mw mh < <(geometry "$about"); [ "$mh" != "$ah" ] && break; sleep 0.1; done
check "Alt+M enlarges it to 322 x 270 (got $mw x $mh)" test "$mw $mh" = "322 270"
check "Alt+M keeps its top edge in place (y $ay -> $my)" test "$my" = "$ay"
if [ -n "${VELTI_SCREENSHOTS:-}" ]; then
    sleep 2.5 # the whole notice typed
    screenshot "$about" "$VELTI_SCREENSHOTS/about.png"
fi
keys "$about" Escape
check "Escape closes the About window" gone "$pid" "Informazioni su..."
screenshot "$main" "$work/before.png"
keys "$main" alt+v
sleep 2.2; screenshot "$main" "$work/after.png"
check "afterwards Alt+V in the stopwatch window makes the display change" \
    differ_region "$work/before.png" "$work/after.png" "$DISPLAY_REGION"
check "closing the stopwatch window ends the program with status 0" closes "$pid" "$main"
finish
