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

# With the user's display: a lasting prefix of our own, made on first use.
if [ "${1:-}" != --docs ] && [ -n "${DISPLAY:-}" ]; then
    sh cmake/wine-session.sh prefix "$PWD/build/wine-user"
    export WINEPREFIX="$PWD/build/wine-user/prefix" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    echo "Starting build/win64/kalmor-example.exe"
    cd build/win64
    exec sh ../../cmake/wine64.sh kalmor-example.exe
fi

# Otherwise a virtual display and a fresh prefix, stopped on the way out. The
# end-to-end driver opens the example, waits for the listing, saves the
# window and ends the program by its Exit command (or by its process ID).
session="$PWD/build/start-wine"
sh cmake/wine-session.sh start "$session"
trap 'sh cmake/wine-session.sh stop "$session"' EXIT
if [ "${1:-}" = --docs ]; then
    python3 tests/e2e/e2e.py --session "$session" build/win64 build/start picture docs/screenshot.png
    echo "Picture: docs/screenshot.png"
else
    echo "No X display: opening build/win64/kalmor-example.exe on Xvfb $(cat "$session/display")"
    python3 tests/e2e/e2e.py --session "$session" build/win64 build/start screenshot \
        build/screenshot.png
    echo "Screenshot: build/screenshot.png"
fi
