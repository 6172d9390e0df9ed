#!/bin/sh
# Installs the Debian packages the given task needs, skipping those already
# installed. Run as root (or with sudo available).
#   install-deps.sh build|test
set -eu

# Building and starting the example; without a display, start.sh drives it on
# Xvfb with the end-to-end driver (python3, xdotool, xwininfo, ImageMagick).
packages="cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 wine xvfb
fonts-wine fonts-liberation python3 xdotool x11-utils imagemagick"
if [ "${1:-build}" = test ]; then
    # xclip puts text on the X clipboard for the end-to-end paste check; the
    # fonts give Wine Chinese and Japanese characters, symbols and emoji, for
    # the checks that draw them.
    packages="$packages clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev xclip"
    packages="$packages fonts-wqy-microhei fonts-symbola"
    # The emulated PC that runs the i686 build (win32vm/).
    packages="$packages qemu-system-x86 qemu-utils mmdebstrap"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done
[ -n "$missing" ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
