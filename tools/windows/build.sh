#!/usr/bin/env bash
# Cross-builds velti.exe for 64-bit Windows, with its test suites and its installer, into
# build/windows/. Uses the Qt that build-qt.sh leaves in ~/.cache/velti/qt6-mingw (and runs
# build-qt.sh first when that Qt is not there yet).
#
#   tools/windows/build.sh
#
# Leaves: build/windows/velti.exe (the .rc compiled in), the QtTest suites beside it in
# build/windows/tests/, the Windows platform suite, and the installer
# build/windows/velti-<version>-win64.exe made by CPack's NSIS generator.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
cache=${VELTI_CACHE:-$HOME/.cache/velti}
qt=$cache/qt6-mingw
build=$root/build/windows
jobs=${VELTI_JOBS:-2}

# Returns at once when that Qt is ready.
tools/windows/build-qt.sh

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR=$root

# Qt's own toolchain file chains to the MinGW one it was built with. Tests run under Wine.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 \
    -DVELTI_WERROR=ON \
    "${launcher[@]}"
# The QtTest suites a Windows build has (ctest label "unit"): tst_windows_platform stands for
# the Linux-only ones.
mapfile -t suites < <(ctest --test-dir "$build" -N -L unit | sed -n 's/^ *Test *#[0-9]*: //p')
[ ${#suites[@]} -gt 0 ] || { echo "no suite labelled unit in $build" >&2; exit 1; }
cmake --build "$build" --parallel "$jobs" --target velti "${suites[@]}"
(cd "$build" && cpack -G NSIS)
ls -l "$build"/velti.exe "$build"/velti-*-win64.exe
