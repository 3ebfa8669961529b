#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, if any is missing;
# or, given package names, those (tests/windows/test.sh names what the Windows build needs).
set -euo pipefail

packages=("$@")
[ $# -gt 0 ] || packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-private-dev libgl-dev libxcb1-dev libxcb-xkb-dev qt6-translations-l10n
    fonts-liberation fonts-dejavu-core
    xvfb xauth xdotool x11-utils imagemagick
    python3 clang-format
    binutils-mingw-w64-x86-64 desktop-file-utils appstream dpkg-dev file lintian man-db
    openbox xfwm4 mutter weston qt6-wayland dbus dbus-daemon at-spi2-core python3-pyatspi
    gir1.2-atspi-2.0 wmctrl x11-xserver-utils x11-xkb-utils shellcheck strace
    tigervnc-standalone-server
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Another apt at work (an unattended upgrade) is waited for rather than failed on.
while command -v fuser >/dev/null && fuser /var/lib/dpkg/lock-frontend /var/lib/apt/lists/lock >/dev/null 2>&1; do
    sleep 5
done
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
