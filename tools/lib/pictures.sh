# shellcheck shell=bash
# Shared by the checks that look at a real window on an X server, as a person would: where it
# is, a picture of it, and whether a part of two pictures differs. Source it; it sets nothing up.
# Needs xwininfo (x11-utils) and ImageMagick's import and compare.

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
