#!/bin/sh
# Runs wine64 with the given arguments: Debian's loader where it is installed
# (the wine64 on PATH is then only a wrapper), else whichever wine64 is on PATH.
# Every script that starts a Windows program goes through here.
if [ -x /usr/lib/wine/wine64 ]; then
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine64 "$@"
