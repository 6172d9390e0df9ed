#!/bin/sh
# Starts or stops what a test run under Wine needs: one Xvfb display and one
# fresh Wine prefix, both inside the given session folder of the build tree.
#   wine-session.sh start DIR
#   wine-session.sh stop DIR
# Only the processes this script started are stopped, by process ID.
set -eu
action=$1
session=$2
export WINEPREFIX="$session/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

stop() {
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -f "$session/xvfb.pid" ]; then
        kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
        rm -f "$session/xvfb.pid" "$session/display"
    fi
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
    wineboot --init >/dev/null 2>&1
    wineserver -w
    # Without a window manager Wine otherwise waits on each window it hides.
    wine64_cmd reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # The caption buttons' glyphs: this Wine does not find its own Marlett
    # unless it sits in the prefix's font folder.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # The editor's fonts, stood in for by their metric twins from fonts-liberation.
    for pair in "Courier New=Liberation Mono" "Arial=Liberation Sans"; do
        wine64_cmd reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
            /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wineserver -w
}

wine64_cmd() {
    if [ -x /usr/lib/wine/wine64 ]; then
        /usr/lib/wine/wine64 "$@"
    else
        wine64 "$@"
    fi
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
