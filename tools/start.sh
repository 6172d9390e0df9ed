#!/bin/sh
# Builds the program and KALMOR.DLL (i686, the product, and x86_64) and starts
# the x86_64 build under Wine: this machine cannot run 32-bit code. With no
# X display, it runs on its own Xvfb, saves a screenshot and stops after a few
# seconds.
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
# are stood in for by their metric twins from fonts-liberation.
make_prefix() {
    [ ! -d "$WINEPREFIX" ] || return 0
    wineboot --init >/dev/null 2>&1
    wineserver -w
    for pair in "Courier New=Liberation Mono" "Arial=Liberation Sans"; do
        "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
            /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wineserver -w
}

if [ -n "${DISPLAY:-}" ]; then
    make_prefix
    echo "Starting build/win64/kalmor-example.exe"
    cd build/win64
    exec "$wine64" kalmor-example.exe
fi

# No display: a virtual one, with Wine's desktop to give the window focus.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
sleep 1
make_prefix
echo "No X display: starting build/win64/kalmor-example.exe on Xvfb $DISPLAY"
(cd build/win64 && "$wine64" explorer /desktop=kalmor,1024x768 kalmor-example.exe) &
sleep "${KALMOR_SHOW_SECONDS:-8}"
if command -v import >/dev/null 2>&1; then
    import -window root build/kalmor-example.png && echo "Screenshot: build/kalmor-example.png"
fi
wineserver -k
kill "$xvfb"
