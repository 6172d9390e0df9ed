#!/bin/sh
# Runs kalmor-largest.exe (largest_document.cpp), from the i686 build, in the
# emulated PC (win32vm/), with 4 GB of memory, so that what runs out is the
# 32-bit process's address space and not the machine's memory. Prints what
# the program printed.
#   bench/win32vm-largest.sh [WIN32_BUILD_DIR] [WORK_DIR]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/win32}" && pwd)
work=${2:-$here/build/win32vm-largest}
cache=$(sh "$here/win32vm/image.sh")
rm -rf "$work"
mkdir -p "$work/share/largest"
cp "$build/bench/kalmor-largest.exe" "$build/KALMOR.DLL" "$work/share/largest/" 2>/dev/null ||
    cp "$build/kalmor-largest.exe" "$build/KALMOR.DLL" "$work/share/largest/"
cat >"$work/share/job.sh" <<'JOB'
exec >/tmp/job.log 2>&1
tail -f /tmp/job.log >/dev/ttyS0 &
export LANG=C.UTF-8 WINEPREFIX=/opt/kalmor-wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# From the guest's own disk, as win32vm/job.sh says why.
cp -r /share/largest /root/largest
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
while [ ! -e /tmp/.X11-unix/X1 ]; do sleep 0.2; done
export DISPLAY=:1
free -m
cd /root/largest
timeout -k 10 2400 wine kalmor-largest.exe
status=$?
echo "job: kalmor-largest.exe ended with status $status"
wineserver -k
sleep 1
exit $status
JOB
qemu-img create -q -f qcow2 -b "$cache/disk.raw" -F raw "$work/overlay.qcow2"
status=0
KALMOR_WIN32VM_MEMORY=${KALMOR_WIN32VM_MEMORY:-4096} \
    sh "$here/win32vm/boot.sh" "$cache" "$work/overlay.qcow2" "$work/share" 2700 || status=1
rm -f "$work/overlay.qcow2"
tr -d '\r' <"$work/share/serial.log" | grep -v '^\[ *[0-9]*\.[0-9]*\] ' | sed -n '/running the job/,$p'
exit $status
