#!/usr/bin/env bash
# Builds the Debian package from a build tree with cpack and checks it as apt and a user
# would meet it: its name, its control fields (dependencies computed by dpkg-shlibdeps plus
# the ones added by hand), its contents, what lintian says of it, and the program it installs,
# which is unpacked into a scratch root and started under a private Xvfb: its window
# "Vantelsiro" must appear, and closing it as a window manager would must end the program with
# status 0.
#
#   check_deb.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]
#
# The package is made in a scratch folder (cpack -B), so the build tree keeps no trace of it.
set -u

build=${1:?usage: $0 BUILD_DIR SOURCE_DIR VERSION [CPACK]}
source=${2:?usage: $0 BUILD_DIR SOURCE_DIR VERSION [CPACK]}
version=${3:?usage: $0 BUILD_DIR SOURCE_DIR VERSION [CPACK]}
cpack=${4:-cpack}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib/xsession.sh"
checks_begin deb
pid=""

need "$cpack" dpkg dpkg-deb dpkg-shlibdeps objdump readelf ldd file lintian Xvfb xdotool xprop \
    python3

# ---- The package.
arch=$(dpkg --print-architecture)
name="velti_${version}_${arch}.deb"
if ! (cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    show "$work/cpack.log"
    die "cpack -G DEB in $build"
fi
echo "ok - cpack -G DEB in the build tree"; passed=$((passed + 1))
made=$(cd "$work/out" && ls -- *.deb 2>/dev/null)
check "it makes one package, $name (made: $(echo $made))" test "$made" = "$name"
deb="$work/out/$name"
[ -f "$deb" ] || finish

field() { dpkg-deb -f "$deb" "$1"; }
# has_dependency FIELD PACKAGE: the package is named in the field, with or without a version.
has_dependency() {
    field "$1" | tr ',|' '\n\n' | sed 's/^ *//; s/ *(.*//; s/:.*//; s/ *$//' | grep -qx "$2"
}
depends=$(field Depends) recommends=$(field Recommends)
echo "# Depends: $depends"
echo "# Recommends: $recommends"
echo "# size: $(stat -c %s "$deb") bytes, installed $(field Installed-Size) KiB"
check "Package is velti" test "$(field Package)" = velti
check "Version is $version" test "$(field Version)" = "$version"
check "Architecture is $arch" test "$(field Architecture)" = "$arch"
check "Section is utils" test "$(field Section)" = utils
check "Maintainer is Laboratorio Velti, with an address" \
    grep -Eqx 'Laboratorio Velti <[^ @<>]+@[^ @<>]+>' <<<"$(field Maintainer)"
check "there is a description beyond its first line" test "$(field Description | wc -l)" -gt 1
check "Depends names libqt6widgets6 with a minimum version (computed)" \
    grep -Eq '(^|, )libqt6widgets6 \(>= [0-9.]+\)' <<<"$depends"
check "Depends names libc6 with a minimum version (computed)" \
    grep -Eq '(^|, )libc6 \(>= [0-9.]+\)' <<<"$depends"
check "Depends names qt6-qpa-plugins (added: Qt loads its platform plugin at run time)" \
    has_dependency Depends qt6-qpa-plugins
check "Recommends names fonts-liberation" has_dependency Recommends fonts-liberation
check "Recommends names qt6-translations-l10n" has_dependency Recommends qt6-translations-l10n
check "Recommends names qt6-wayland (the platform plugin a Wayland session needs)" \
    has_dependency Recommends qt6-wayland

# ---- What is in it.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
listed() { grep -qx "$1" "$work/contents"; }
check "it holds /usr/bin/velti" listed /usr/bin/velti
check "it holds one desktop entry in /usr/share/applications" \
    test "$(grep -c '^/usr/share/applications/[^/]*\.desktop$' "$work/contents")" = 1
check "it holds one metainfo file in /usr/share/metainfo" \
    test "$(grep -c '^/usr/share/metainfo/[^/]*\.metainfo\.xml$' "$work/contents")" = 1
for size in 16 32 128 256; do
    check "it holds the ${size}x${size} icon" listed "/usr/share/icons/hicolor/${size}x${size}/apps/velti.png"
done
check "everything it holds is under /usr" test "$(grep -cv '^/usr\(/\|$\)' "$work/contents")" = 0
check "it holds its licence, /usr/share/doc/velti/copyright" listed /usr/share/doc/velti/copyright
check "it holds its history, /usr/share/doc/velti/changelog.gz" \
    listed /usr/share/doc/velti/changelog.gz
check "it holds the manual page, /usr/share/man/man1/velti.1.gz" \
    listed /usr/share/man/man1/velti.1.gz

root="$work/root"
dpkg -x "$deb" "$root" || die "dpkg -x unpacks the package"
program="$root/usr/bin/velti"
check "the unpacked velti is an executable, stripped ELF program" \
    grep -Eq 'ELF .*(executable|shared object).*, stripped$' <<<"$(file -b "$program")"
check "it carries no .comment section" \
    test "$(readelf -SW "$program" | grep -c ' \.comment ')" = 0
bound_now() { readelf -lW "$program" | grep -q GNU_RELRO && readelf -dW "$program" | grep -q BIND_NOW; }
check "its relocations are read-only (GNU_RELRO) and bound at start-up (BIND_NOW)" bound_now
# The compiler adds a checked call only where it can check something: read the flag itself
# back from the build, for every source of the program.
commands="$build/compile_commands.json"
sources=$(grep -c '"file": "[^"]*\.cpp"' "$commands" 2>/dev/null)
fortified=$(grep -c '"command": ".* -D_FORTIFY_SOURCE=2 ' "$commands" 2>/dev/null)
check "every source was compiled with -D_FORTIFY_SOURCE=2 ($fortified of $sources)" \
    test "${sources:-0}" -gt 0 -a "$fortified" = "$sources"

# The licence is machine-readable and names ours; the history's newest entry is this version.
copyright="$root/usr/share/doc/velti/copyright"
dep5="Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
ours() {
    head -n1 "$copyright" | grep -qxF "$dep5" && grep -qx "License: Expat" "$copyright" &&
        grep -q "^Copyright: .*Laboratorio Velti" "$copyright"
}
check "the copyright file is in the machine-readable format and states the Expat (MIT) licence" ours
newest=$(zcat "$root/usr/share/doc/velti/changelog.gz" 2>/dev/null | head -n1)
check "the changelog's newest entry is velti ($version) (got '$newest')" \
    grep -q "^velti ($version) " <<<"$newest"
manual=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/velti.1.gz" 2>"$work/man.log")
reads() {
    [ ! -s "$work/man.log" ] && grep -q "velti - Vantelsiro" <<<"$manual" && grep -q "Alt+V" <<<"$manual"
}
check "the manual page reads without a warning, and names velti and its keys" reads
[ -s "$work/man.log" ] && show "$work/man.log"

# ---- What lintian says. Every error or warning fails, and so does any info, pedantic remark or
# override: the package has none.
lintian --pedantic --display-info --show-overrides --tag-display-limit 0 "$deb" \
    >"$work/lintian.log" 2>&1
grep -v 'running with root privileges' "$work/lintian.log" | show
serious=$(grep -E '^[EW]: ' "$work/lintian.log")
check "lintian --pedantic reports no error and no warning${serious:+: $(echo $serious)}" \
    test -z "$serious"
remarks=$(grep -E '^[IPXO]: ' "$work/lintian.log")
check "and no info, pedantic remark or override${remarks:+: $(echo $remarks)}" \
    test -z "$remarks"

# Every library the program needs comes from a package it depends on.
# ldd says where each library is found; dpkg -S, which package put it there.
ldd "$program" >"$work/ldd" 2>&1
missing=""
for soname in $(objdump -p "$program" | awk '$1 == "NEEDED" {print $2}'); do
    # "name => path (address)", or for the dynamic loader "path (address)".
    path=$(awk -v s="$soname" '$1 == s && $2 == "=>" {print $3; exit}
        $1 ~ "/" s "$" {print $1; exit}' "$work/ldd")
    owner=""
    for candidate in "$path" "$(readlink -f "$path")"; do
        [ -n "$owner" ] || owner=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1)
    done
    has_dependency Depends "$owner" || missing="$missing $soname(${owner:-not found})"
done
check "Depends covers every library velti links against${missing:+ (missing:$missing)}" \
    test -z "$missing"

python3 "$here/check_install.py" --prefix "$root/usr" --source "$source" --version "$version" \
    >"$work/install.log" 2>&1
status=$?
grep '^not ok' "$work/install.log" | sed 's/^/# /'
check "the unpacked files pass the install checks ($(tail -n1 "$work/install.log"))" \
    test "$status" = 0

# ---- The unpacked program, on a private X server.
xsession_start "$work" || die "Xvfb starts"
unset LD_LIBRARY_PATH QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH

"$program" >"$work/velti.log" 2>&1 &
pid=$!
window=$(window_of "$pid" Vantelsiro 150)
if [ -z "$window" ]; then
    show "$work/velti.log"
    die "the unpacked velti opens a window named 'Vantelsiro' within 15 s"
fi
check "the unpacked velti opens one window named exactly 'Vantelsiro'" test "$(wc -w <<<"$window")" = 1
window=$(head -n1 <<<"$window")

# The desktop entry's StartupWMClass must name the window's class, or docks and task bars
# cannot tell which entry the window belongs to.
wm_class=$(xprop -id "$window" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS([A-Z_]*) = //p')
startup=$(sed -n 's/^StartupWMClass=//p' "$root"/usr/share/applications/*.desktop)
check "its WM_CLASS ($wm_class) holds the entry's StartupWMClass ($startup)" \
    grep -q "\"$startup\"" <<<"${startup:+$wm_class}"

check "closing the window (WM_DELETE_WINDOW) ends velti within 10 s with status 0" \
    closes "$pid" "$window" 100
[ "$failed" = 0 ] || show "$work/velti.log"
finish
