#!/bin/sh
# Builds the program and KALMOR.DLL (i686, the product, and x86_64) and starts
# the x86_64 build under Wine: this machine cannot run 32-bit code.
#   start.sh         with an X display, opens the example on it; without one,
#                    opens it on a virtual display, saves build/screenshot.png
#                    and closes it
#   start.sh --docs  remakes docs/screenshot.png (the listing with its first
#                    sub folded) on a virtual display
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh build

for preset in win32 win64; do
    cmake --preset "$preset" -DKALMOR_TESTS=OFF >/dev/null
    cmake --build --preset "$preset"
done

export WINEPREFIX="$PWD/build/wine-user"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine64

# Makes a Wine prefix on first use. Courier New and Arial, the editor's fonts,
# are stood in for by their metric twins from fonts-liberation. This Wine does
# not find its own Marlett (the caption buttons' glyphs) unless it sits in the
# prefix's font folder.
make_prefix() {
    [ ! -d "$WINEPREFIX" ] || return 0
    wineboot --init >/dev/null 2>&1
    wineserver -w
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    for pair in "Courier New=Liberation Mono" "Arial=Liberation Sans"; do
        "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
            /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wineserver -w
}

if [ "${1:-}" != --docs ] && [ -n "${DISPLAY:-}" ]; then
    make_prefix
    echo "Starting build/win64/kalmor-example.exe"
    cd build/win64
    exec "$wine64" kalmor-example.exe
fi

# A virtual display of our own, stopped by its process ID on the way out.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=":$n"
tries=0
until [ -e "/tmp/.X11-unix/X$n" ]; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
make_prefix

# The end-to-end driver opens the example, waits for the listing, saves the
# window and ends the program by its Exit command (or by its process ID).
if [ "${1:-}" = --docs ]; then
    python3 tests/e2e/e2e.py build/win64 build/start picture docs/screenshot.png
    echo "Picture: docs/screenshot.png"
else
    echo "No X display: opening build/win64/kalmor-example.exe on Xvfb $DISPLAY"
    python3 tests/e2e/e2e.py build/win64 build/start screenshot build/screenshot.png
    echo "Screenshot: build/screenshot.png"
fi
