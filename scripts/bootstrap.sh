#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    qt6-base-private-dev # tests add, move and remove screens on the offscreen platform
    qt6-svg-dev # the symbol icons are SVG images built into the program
    qcoro-qt6-dev
    libddcutil-dev
    dbus dbus-x11 xvfb xauth fonts-dejavu-core
    trayer xdotool # the end-to-end test: a tray host on the virtual X server, and a real pointer
    at-spi2-core python3-pyatspi # the screen reader end-to-end test: the accessibility bus, and a reader
    clang-14 libclang-rt-14-dev # the fuzz targets: clang with libFuzzer and the sanitizers' runtimes
    libxcb1-dev # the desktop benchmark watches the X server for the tray icon and windows; the X11 shortcuts
    x11proto-dev # X's keysym names, for the keys the X11 shortcuts grab
    dpkg-dev file # the Debian package: cpack finds the binaries with file, their dependencies with dpkg-shlibdeps
    desktop-file-utils appstream libxml2-utils # the package test validates the desktop entry, metainfo and icon
    libglib2.0-bin # the login item test starts the autostart entry with gio, as a desktop would
    tzdata # the time zones' rules, and their reference places for the schedule's sun times
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "bootstrap: these packages are missing and I am not root: ${missing[*]}" >&2
        exit 1
    fi
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
