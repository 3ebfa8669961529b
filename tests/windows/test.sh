#!/usr/bin/env bash
# Builds, tests and packages Vantelsiro for 64-bit Windows on this Debian machine, and tries
# the result under Wine on a private Xvfb:
#
#   tests/windows/test.sh
#
# 1. Installs the Debian packages it needs, builds Qt for Windows once (build-qt.sh, kept in
#    ~/.cache/velti/) and velti with its suites and installer (build.sh, into build/windows/).
# 2. The QtTest suites, under Wine on the offscreen platform.
# 3. The version block and the icon group, read back from velti.exe's own PE resources.
# 4. velti.exe on the windows platform, from an installed tree, driven with xdotool: the window
#    "Vantelsiro" with a 264 x 175 client area; Alt+V counts; About opens and Alt+M enlarges it;
#    "&Crediti" starts Wine's winhlp32 (its window appears, no "Appunti" box); with PATH emptied
#    the "Appunti" box appears instead; closing ends the process with status 0.
# 5. The installer velti-<version>-win64.exe: its contents, a silent install (/S), a start of
#    the installed program, a silent uninstall that leaves nothing behind.
#
# Prints one "ok"/"not ok" line a check, the times taken, and exits 0 when all passed.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$PWD
# shellcheck source=../lib/xsession.sh
. "$root/tests/lib/xsession.sh"
build=$root/build/windows
cache=${VELTI_CACHE:-$HOME/.cache/velti}
qt=$cache/qt6-mingw
version=$(sed -n 's/^project(velti VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
keys_delay=80 pid=""

checks_begin windows
on_exit() { [ -d "$work/wine" ] && WINEPREFIX=$work/wine "$wineserver" -k 2>/dev/null; }
on_finish() { [ -z "${t2:-}" ] || echo "# tests under Wine: $(minutes $(($(seconds) - t2)))"; }
seconds() { date +%s; }
minutes() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

# ---- 1. Packages and builds.
tools/install-deps.sh wine wine64 nsis xvfb xauth xdotool x11-utils imagemagick python3 \
    qt6-translations-l10n binutils-mingw-w64-x86-64 cmake ninja-build psmisc fonts-liberation \
    >"$work/apt.log" 2>&1 || { show "$work/apt.log"; die "installing the packages"; }

t0=$(seconds)
tools/windows/build-qt.sh >"$work/build-qt.log" 2>&1 || { tail -n 40 "$work/build-qt.log" | show; die "build-qt.sh"; }
t1=$(seconds)
tools/windows/build.sh >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log" | show; die "build.sh"; }
t2=$(seconds)
echo "# Qt for Windows: $(minutes $((t1 - t0))) (nothing to do once it is in the cache)"
echo "# velti, its suites and installer: $(minutes $((t2 - t1)))"

# ---- A private Wine on a private X server.
xsession_start "$work" || die "Xvfb did not start"
# No Mono or Gecko downloads, no debug chatter, and no copies of the Start menu in this
# machine's own desktop menus (winemenubuilder).
export WINEPREFIX=$work/wine WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_PLUGIN_PATH WINEPATH
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { show "$work/wineboot.log"; die "wineboot"; }
"$wineserver" -w

# A Unix path as Wine's Z: drive shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# ---- 2. The QtTest suites, with Qt's and MinGW's DLLs found through WINEPATH.
dll_path=$(windows_path "$qt/bin")
for runtime in libstdc++-6.dll libwinpthread-1.dll; do
    dll_path+=";$(windows_path "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=$runtime)")")"
done
mapfile -t suite_list < <(ctest --test-dir "$build" -N -L unit | sed -n 's/^ *Test *#[0-9]*: //p')
# Wine hands Unix variables named QT_* to Windows programs only as WINEQT_* (so that a host's Qt
# settings do not reach a Windows Qt): the suites' own QT_QPA_PLATFORM is dropped on the way.
# The offscreen platform on Windows reads its fonts from one folder and knows no system faces:
# it gets Liberation Sans alone, the face Linux maps the designed ones to.
mkdir -p "$work/fonts"
ln -s /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf "$work/fonts/"
WINEPATH=$dll_path WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR=$(windows_path "$work/fonts") \
    ctest --test-dir "$build" -L unit --output-on-failure >"$work/ctest.log" 2>&1
cp "$work/ctest.log" "$build/wine-ctest.log"
for suite in "${suite_list[@]}"; do
    if grep -qE "Test +#[0-9]+: $suite \.+ +Passed" "$work/ctest.log"; then
        check "$suite passes under Wine" true
    else
        # Under Wine the suites' own report does not reach ctest: run it again into a file.
        exe=$(find "$build" -maxdepth 2 -name "$suite.exe" | head -n1)
        WINEPATH=$dll_path WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR=$(windows_path "$work/fonts") \
            timeout 120 "$wine" "$exe" -o "$(windows_path "$work/$suite.txt"),txt" >/dev/null 2>&1
        grep -a -A3 '^FAIL\|^Totals' "$work/$suite.txt" | show
        check "$suite passes under Wine" false
    fi
done

# ---- 3. The resources linked into velti.exe.
python3 tests/packaging/check_res.py "$build/velti.exe" src/resources/stopwatch.ico >"$work/res.log"
status=$?
show "$work/res.log"
check "velti.exe carries the icon group and the version block" test "$status" = 0

# ---- 4. The program on the windows platform, from an installed tree (DLLs beside it).
stage=$work/stage
cmake --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 || { show "$work/install.log"; die "cmake --install"; }
program=$stage/bin/velti.exe

# window_id TITLE: a window of that title, of any process (Wine's programs are not the ones
# started here), waiting up to 60 s.
window_id() { window_of "" "$1" 600; }
# Wine takes the keyboard away from a window when another program's window is activated, and
# gives it back on a click, as a user would do: here in the top-left corner, on no control.
activate() { xdotool mousemove --window "$1" 2 2 click 1; sleep 0.3; }
viewer_windows() { xdotool search --onlyvisible --class '^winhlp32\.exe$' 2>/dev/null; }
DISPLAY_REGION=226x42+16+24

# start COMMAND...: starts the program and waits for its window.
start() {
    "$@" >"$work/out.log" 2>&1 & pid=$!
    main=$(window_id "Vantelsiro") || { show "$work/out.log"; kill -0 "$pid" 2>/dev/null || echo "# the program has ended"; die "no visible window titled 'Vantelsiro' within 60 s (Wine's first start of a program it has just installed can be slow)"; }
    sleep 0.5
}
open_about() {
    keys "$main" Tab Tab space
    about=$(window_id "Informazioni su...")
}

# Run 1: the window, counting, About, Crediti starting the viewer, closing.
start "$wine" "$program"
check "one visible window titled 'Vantelsiro'" test "$(wc -w <<<"$main")" = 1
check "its client area is 264 x 175 (got $(geometry "$main" | cut -d' ' -f3-))" \
    test "$(geometry "$main" | cut -d' ' -f3-)" = "264 175"
screenshot "$main" "$work/idle.png"
keys "$main" alt+v
sleep 2.3
screenshot "$main" "$work/counting.png"
check "Alt+V counts: 2.3 s later the display has changed" \
    differ_region "$work/idle.png" "$work/counting.png" "$DISPLAY_REGION"
# Pictures of both windows as Wine shows them, left in the build folder to be looked at (the
# About window, centred, hides the stopwatch: it is taken before).
cp "$work/counting.png" "$build/stopwatch-under-wine.png"
open_about
check "Tab, Tab, Space opens 'Informazioni su...'" test -n "$about"
if [ -n "$about" ]; then
    read -r _ ay aw ah < <(geometry "$about")
    check "the About window's client area is 322 x 205 (got $aw x $ah)" test "$aw $ah" = "322 205"
    keys "$about" alt+m
    for _ in $(seq 30); do read -r _ my mw mh < <(geometry "$about"); [ "$mh" != "$ah" ] && break; sleep 0.1; done
    check "Alt+M enlarges it to 322 x 270 with its top edge in place (got $mw x $mh, y $ay -> $my)" \
        test "$mw $mh $my" = "322 270 $ay"
    sleep 2
    screenshot "$about" "$build/about-under-wine.png"
    keys "$about" alt+c
    viewer=""
    for _ in $(seq 100); do viewer=$(viewer_windows) && break; sleep 0.1; done
    check "Alt+C (\"&Crediti\") starts winhlp32: its window appears" test -n "$viewer"
    check "and no 'Appunti' box" gone "" "Appunti" 50
    activate "$about"
    keys "$about" Escape
    check "Escape closes the About window" gone "" "Informazioni su..." 50
fi
check "closing the stopwatch window ends the program with status 0" closes "$pid" "$main" 50
"$wineserver" -k 2>/dev/null; "$wineserver" -w

# Run 2: with PATH emptied the viewer cannot be found.
start "$wine" cmd /c "set PATH=& $(windows_path "$program")"
open_about
if [ -n "$about" ]; then
    keys "$about" alt+c
    box=$(window_id "Appunti")
    check "with PATH emptied, Alt+C shows the 'Appunti' box" test -n "$box"
    check "and starts no viewer" test -z "$(viewer_windows)"
    if [ -n "$box" ]; then
        screenshot "$box" "$build/appunti-under-wine.png"
        keys "$box" Return
        check "Enter closes the box" gone "" "Appunti" 50
    fi
    keys "$about" Escape
    check "Escape closes the About window" gone "" "Informazioni su..." 50
else
    check "Tab, Tab, Space opens 'Informazioni su...' (PATH emptied)" false
fi
check "closing ends the program with status 0 (PATH emptied)" closes "$pid" "$main" 50
"$wineserver" -w

# ---- 5. The installer.
installer=$build/velti-$version-win64.exe
[ -f "$installer" ] || die "no installer $installer"
drive=$WINEPREFIX/drive_c
installed=$drive/Program\ Files/Vantelsiro
# Everything on the C: drive but Windows' own folder and the temporary files.
snapshot() { (cd "$drive" && find . -path ./windows -prune -o -print | grep -v '/Temp\(/\|$\)' | sort); }
# And what the registry says of the program (the runs above may have left Wine's own notes).
registry() { "$wineserver" -w; grep -ih 'velti\|vantelsiro' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | sort; }
snapshot >"$work/before.txt"
registry >"$work/registry-before.txt"

"$wine" "$installer" /S >"$work/setup.log" 2>&1
check "the silent install (/S) ends with status 0" test $? = 0
"$wineserver" -w
for file in bin/velti.exe bin/qtbase_it.qm bin/platforms/qwindows.dll \
    bin/styles/qwindowsvistastyle.dll bin/imageformats/qico.dll \
    bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll \
    bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll \
    licences/Qt/LGPL-3.0-only.txt licences/Qt/SOURCE.txt Uninstall.exe; do
    check "it installs $file" test -f "$installed/$file"
done
check "the licence note says where Qt's source comes from" \
    grep -q 'apt-get source qt6-base=' "$installed/licences/Qt/SOURCE.txt"
check "it installs no test library" test ! -e "$installed/bin/Qt6Test.dll"
# Every DLL that an installed file imports is installed beside it or is the system's own.
unresolved=""
while IFS= read -r -d '' pe; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$pe" | sed -n 's/^\s*DLL Name: //p'); do
        # api-ms-win-* are API sets: names the loader maps to system DLLs, never files.
        [[ ${dll,,} == api-ms-win-* ]] ||
            [ -n "$(find "$installed/bin" "$drive/windows/system32" -maxdepth 1 -iname "$dll" | head -n1)" ] ||
            unresolved+=" $(basename "$pe"):$dll"
    done
done < <(find "$installed" -iname '*.dll' -print0 -o -iname 'velti.exe' -print0)
check "every DLL imported is installed or the system's own${unresolved:+ (missing:$unresolved)}" \
    test -z "$unresolved"
shortcut=$(find "$drive" -path '*/Start Menu/Programs/Vantelsiro/Vantelsiro.lnk' | head -n1)
check "a Start-menu entry 'Vantelsiro'" test -n "$shortcut"

start "$wine" "C:\\Program Files\\Vantelsiro\\bin\\velti.exe"
check "the installed program opens its window 'Vantelsiro'" test -n "$main"
check "closing it ends it with status 0" closes "$pid" "$main" 50
"$wineserver" -w
registry >"$work/registry-installed.txt"
check "the install is in the registry (an uninstall entry)" \
    grep -q 'CurrentVersion\\\\Uninstall\\\\Vantelsiro]' "$work/registry-installed.txt"

# The uninstaller copies itself away and returns at once: wait for the folder to go.
"$wine" "C:\\Program Files\\Vantelsiro\\Uninstall.exe" /S >"$work/uninstall.log" 2>&1
check "the silent uninstall starts" test $? = 0
for _ in $(seq 120); do [ -e "$installed" ] || break; sleep 0.5; done
"$wineserver" -w
check "the silent uninstall removes the program's folder" test ! -e "$installed"
snapshot >"$work/after.txt"
if diff "$work/before.txt" "$work/after.txt" >"$work/left.txt"; then
    check "and leaves nothing behind on C:" true
else
    show "$work/left.txt"
    check "and leaves nothing behind on C:" false
fi
registry >"$work/registry-after.txt"
if diff "$work/registry-before.txt" "$work/registry-after.txt" >"$work/registry-left.txt"; then
    check "nor in the registry" true
else
    show "$work/registry-left.txt"
    check "nor in the registry" false
fi

finish
