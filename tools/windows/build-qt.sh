#!/usr/bin/env bash
# Builds Qt for Windows (x86_64-w64-mingw32) from Debian's own qtbase source, the same 6.4.2 as
# the host Qt, and installs it into a cache folder outside the repository. Every step that is
# already done is skipped, so a second run costs nothing.
#
# Only what velti and its tests need: Core, Gui, Widgets, Test, the windows and offscreen
# platform plugins and the windowsvista style. No OpenGL, D-Bus, SQL, network, examples or tests.
#
# Debian's source omits src/3rdparty/wintab and src/3rdparty/iaccessible2. Only wintab is missed:
# the windows plugin needs its headers for tablet input, so tabletevent is off and a pen or tablet
# on Windows acts as a mouse (no pressure, no tilt, no eraser). Qt 6 speaks to screen readers on
# Windows through UI Automation, which needs no iaccessible2, so accessibility stays on.
set -euo pipefail

cache=${VELTI_CACHE:-$HOME/.cache/velti}
prefix=$cache/qt6-mingw
jobs=${VELTI_JOBS:-2}
host=x86_64-w64-mingw32
mkdir -p "$cache"

if [ -f "$prefix/.velti-complete" ] && [ -f "$prefix/share/doc/qt/SOURCE.txt" ]; then
    echo "Qt for Windows is ready in $prefix"
    exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

wait_for_apt() {
    local lock
    for lock in /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock; do
        while fuser "$lock" >/dev/null 2>&1; do
            echo "Waiting for another package manager ($lock)..."
            sleep 10
        done
    done
}

# 1. The build dependencies.
packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    qt6-base-dev qt6-base-dev-tools cmake ninja-build dpkg-dev perl python3 psmisc
)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    wait_for_apt
    "${sudo[@]}" apt-get update -qq
    wait_for_apt
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# 2. Debian's qtbase source; apt-get source needs a deb-src entry.
src=$(find "$cache" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$src" ] || [ ! -f "$src/.velti-unpacked" ]; then
    if ! grep -rqs '^[^#]*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ &&
        ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/; then
        echo "Adding a deb-src entry for bookworm"
        "${sudo[@]}" tee /etc/apt/sources.list.d/velti-deb-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
        wait_for_apt
        "${sudo[@]}" apt-get update -qq
    fi
    rm -rf "$cache"/qt6-base-* "$cache"/qt6-base_*
    (cd "$cache" && apt-get source -qq qt6-base)
    src=$(find "$cache" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    touch "$src/.velti-unpacked"
fi
echo "Source: $src"

# Our one change to it: the windows platform plugin links without Direct2D (see the patch).
if [ ! -f "$src/.velti-patched" ]; then
    patch -d "$src" -p1 --forward <"$(dirname "$0")/qtbase-directwrite-without-direct2d.patch"
    touch "$src/.velti-patched"
fi

# 3. The cross toolchain, on the posix thread model (std::thread and friends).
# Written only when it changes: a newer file would make the configured build run cmake again.
toolchain=$cache/mingw-toolchain.cmake
cat >"$toolchain.new" <<TOOLCHAIN
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_AR $host-ar CACHE FILEPATH "")
set(CMAKE_RANLIB $host-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/$host)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
if cmp -s "$toolchain.new" "$toolchain"; then rm "$toolchain.new"; else mv "$toolchain.new" "$toolchain"; fi

# 4. Configure.
build=$cache/qt6-mingw-build
if [ ! -f "$build/build.ninja" ]; then
    rm -rf "$build"
    mkdir -p "$build"
    cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF \
        -DINPUT_openssl=no \
        -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_opengles2=OFF \
        -DFEATURE_vulkan=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_tabletevent=OFF \
        -DFEATURE_direct2d=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
        -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_jpeg=OFF \
        -DFEATURE_sql_sqlite=OFF
fi

# 5. Build and install. With the features above, the default target is Core, Gui, Widgets, Test,
# the platform plugins (windows, offscreen, minimal), the windowsvista style and the image format
# plugins; the ico one is needed, for the program's pictures are icons.
nice -n 19 cmake --build "$build" --parallel "$jobs"
cmake --install "$build"

# 6. The licence texts and where the source comes from, for whoever ships this Qt.
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
mkdir -p "$prefix/share/doc/qt"
cp "$src/LICENSES/LGPL-3.0-only.txt" "$src/LICENSES/GPL-3.0-only.txt" \
    "$src/LICENSES/GPL-2.0-only.txt" "$(dirname "$0")/qtbase-directwrite-without-direct2d.patch" \
    "$prefix/share/doc/qt/"
cat >"$prefix/share/doc/qt/SOURCE.txt" <<SOURCE
Qt $(sed -n 's/^set(QT_REPO_MODULE_VERSION "\(.*\)")/\1/p' "$src/.cmake.conf") (Qt Core, Gui, Widgets and Test, and the plugins beside the
program) is used under the GNU Lesser General Public License version 3 (LGPL-3.0-only.txt,
with the GPL-3.0-only.txt it builds on); Qt may also be used under GPL-2.0-only.txt.

It was built from the Debian source package qt6-base $version, with the patches Debian
applies (its debian/patches) and one of ours, qtbase-directwrite-without-direct2d.patch
(beside this file), which lets the windows platform plugin link without Direct2D:
  apt-get source qt6-base=$version
  https://sources.debian.org/src/qt6-base/$version/
  https://snapshot.debian.org/package/qt6-base/$version/
Upstream: https://download.qt.io/archive/qt/ (qtbase-everywhere-src).
The build script is tools/windows/build-qt.sh of Vantelsiro; a Qt library built from that
source may replace the DLLs installed beside velti.exe.
SOURCE
touch "$prefix/.velti-complete"
echo "Qt for Windows is ready in $prefix"
