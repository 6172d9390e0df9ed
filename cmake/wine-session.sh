#!/bin/sh
# Starts or stops what running the program under Wine needs: one Xvfb display
# and one fresh Wine prefix, both inside the given session folder.
#   wine-session.sh start DIR [DPI]
#                                a new display and a fresh prefix in DIR, its
#                                screen at DPI (LogPixels) when given
#   wine-session.sh stop DIR     stops both
#   wine-session.sh prefix DIR   only makes the prefix in DIR if it is missing,
#                                on the display already set (for a user's own)
# Only the processes this script started are stopped, by process ID.
set -eu
action=$1
dpi=${3:-}
# Wine takes only an absolute prefix path; with a relative one it makes none.
mkdir -p "$2"
session=$(cd "$2" && pwd)
export WINEPREFIX="$session/prefix"
export WINEDEBUG=-all
# No .NET or HTML engine offered, and no debugger for a crashed program.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine64="$(dirname "$0")/wine64.sh"

stop() {
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -f "$session/xvfb.pid" ]; then
        kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
        rm -f "$session/xvfb.pid" "$session/display"
    fi
}

# A new Wine prefix with what the program needs to look right.
make_prefix() {
    mkdir -p "$session"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    # The caption buttons' glyphs: this Wine does not find its own Marlett
    # unless it sits in the prefix's font folder.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # The editor's fonts, stood in for by their metric twins from fonts-liberation.
    for pair in "Courier New=Liberation Mono" "Arial=Liberation Sans"; do
        sh "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
            /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wineserver -w
}

start() {
    stop
    mkdir -p "$session"
    # The first display number with neither a socket nor a lock file.
    n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$session/xvfb.log" 2>&1 &
    echo $! >"$session/xvfb.pid"
    echo ":$n" >"$session/display"
    tries=0
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "Xvfb did not start" >&2
            cat "$session/xvfb.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$n"
    rm -rf "$WINEPREFIX"
    make_prefix
    # Without a window manager Wine otherwise waits on each window it hides.
    sh "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1
    # Wine reports this DPI from GetDeviceCaps, GetDpiForSystem and GetDpiForWindow alike.
    if [ -n "$dpi" ]; then
        sh "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            >/dev/null 2>&1
    fi
    wineserver -w
}

case "$action" in
start) start ;;
stop) stop ;;
prefix) [ -d "$WINEPREFIX" ] || make_prefix ;;
*) echo "usage: $0 start|stop|prefix DIR" >&2; exit 2 ;;
esac
