#!/bin/sh
# Runs the i686 build in the emulated PC: its end-to-end checks (from the
# package zip when there is one) and its component tests, under Wine on a
# Debian 12 that runs 32-bit code. The image is built on first use and cached.
# Each run boots a copy-on-write overlay of the image, so the image stays clean.
#   run.sh WIN32_BUILD_DIR WORK_DIR
# KALMOR_SKIP_WIN32VM=1 skips it; KALMOR_WIN32VM_LIMIT bounds the emulated run
# in seconds (default 3000; each step inside has a limit of its own, well
# within it).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=$2
limit=${KALMOR_WIN32VM_LIMIT:-3000}
if [ "${KALMOR_SKIP_WIN32VM:-0}" = 1 ]; then
    echo "win32vm: skipped (KALMOR_SKIP_WIN32VM=1)"
    exit 0
fi
cache=$(sh "$here/image.sh")

rm -rf "$work"
share=$work/share
mkdir -p "$share/e2e" "$share/win32"
work=$(cd "$work" && pwd)
cp "$here/job.sh" "$share/job.sh"
cp "$here/../tests/e2e/e2e.py" "$here/../tests/e2e/screen.py" "$share/e2e/"
cp "$build/kalmor-example.exe" "$build/KALMOR.DLL" "$share/win32/"
# The component's in-process tests, with the DLLs beside them (KALMOR.DLL and
# the stand-in uiautomationcore.dll the accessibility tests talk through).
if [ -f "$build/tests/component/component_tests.exe" ]; then
    mkdir -p "$share/component"
    cp "$build/tests/component/component_tests.exe" "$build/tests/component/KALMOR.DLL" \
        "$build/tests/component/uiautomationcore.dll" \
        "$share/component/"
fi
package=$(ls "$build"/../packages/kalmor-example-*-win32.zip 2>/dev/null | tail -n 1 || true)
if [ -n "$package" ]; then
    cp "$package" "$share/package.zip"
    echo "win32vm: running $(basename "$package") in the emulated PC"
else
    echo "win32vm: no package zip; running $build in the emulated PC"
fi

qemu-img create -q -f qcow2 -b "$cache/disk.raw" -F raw "$work/overlay.qcow2"
started=$(date +%s)
status=0
sh "$here/boot.sh" "$cache" "$work/overlay.qcow2" "$share" "$limit" || status=1
rm -f "$work/overlay.qcow2"
# The job's output, from the serial port: what the emulated PC printed from
# the start of the job on (or all of it, if the job never started), without
# the kernel's messages.
tr -d '\r' <"$share/serial.log" 2>/dev/null | grep -v '^\[ *[0-9]*\.[0-9]*\] ' >"$share/job.log" || true
if grep -q '^kalmor-init: running the job' "$share/job.log"; then
    sed -n '/^kalmor-init: running the job/,$p' "$share/job.log"
else
    cat "$share/job.log"
fi
if [ $status -ne 0 ]; then
    echo "win32vm: FAILED after $(($(date +%s) - started)) s"
    for shot in "$share"/results/*.png; do
        [ -f "$shot" ] && echo "win32vm: what the program showed: $shot"
    done
    exit 1
fi
echo "win32vm: passed in $(($(date +%s) - started)) s"
