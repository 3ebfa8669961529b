#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, if any is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev qt6-translations-l10n
    fonts-liberation fonts-dejavu-core
    xvfb xauth xdotool x11-utils imagemagick
    python3 clang-format
    binutils-mingw-w64-x86-64 desktop-file-utils appstream dpkg-dev file lintian man-db
    openbox weston qt6-wayland dbus dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    shellcheck
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
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
