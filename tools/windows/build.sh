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

# The suites that build for Windows (tools/windows/suites): every one but those that read /proc,
# set rlimits or start shell scripts (tst_platform, tst_faults, tst_soak), whose Windows
# counterpart is tst_windows_platform.
mapfile -t suites < tools/windows/suites

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
cmake --build "$build" --parallel "$jobs" --target velti "${suites[@]}"
(cd "$build" && cpack -G NSIS)
ls -l "$build"/velti.exe "$build"/velti-*-win64.exe
