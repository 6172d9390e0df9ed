# Runs inside the emulated PC (the share is /share): the i686 program's
# end-to-end checks from a folder whose path has spaces and non-ASCII
# characters, then the i686 component tests, and their drawing tests again
# at 144 DPI. Screenshots and process lists
# of failed checks are copied to /share/results.
#
# Everything the job prints goes to a log of its own, copied as it grows to
# the serial port, which the host reads as a plain file (serial.log); the
# share is only read at the start and written at the end: what the job did
# shows even if the share stops answering. (Written straight to the serial
# port, a terminal, Wine's console would draw its output with escape codes.)
exec >/tmp/job.log 2>&1
tail -f /tmp/job.log >/dev/ttyS0 &
tail=$!
set -u
# A UTF-8 locale, so that Wine reads the folder's non-ASCII name as a user's
# system does (in the C locale it cannot even enter that folder). No
# debugger: a crashed program ends at once instead of showing Wine's crash box.
export LANG=C.UTF-8
export WINEPREFIX=/opt/kalmor-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export E2E_WINE=wine E2E_PATIENCE=${E2E_PATIENCE:-3} PYTHONUNBUFFERED=1

# Runs a step within a time limit in seconds; a step that overruns is
# stopped, and the processes then running are listed with what each waits in.
step() {
    limit=$1
    shift
    timeout -k 10 "$limit" "$@"
    status=$?
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
        echo "job: '$*' ran past its limit of $limit s and was stopped; the processes:"
        ps -eo pid,ppid,stat,etimes,wchan:30,args | grep -v ' \[.*\]$'
    fi
    return $status
}

place="/root/Programme für Kalmor/Prüfung 1"
mkdir -p "$place"
cp -r /share/e2e /root/e2e-driver
if [ -f /share/package.zip ]; then
    python3 -m zipfile -e /share/package.zip "$place"
    build=$(find "$place" -name kalmor-example.exe -printf '%h\n' | head -n 1)
    echo "the program, from the zip: $build"
else
    build="$place/build"
    mkdir -p "$build"
    cp /share/win32/kalmor-example.exe /share/win32/KALMOR.DLL "$build"
    echo "the program, from the build: $build"
fi
# Programs run from the guest's own disk, never from the share: mapped from
# the 9p share, pages of a large executable read as zeros here, and the
# program crashes in code that is not there.
if [ -f /share/component/component_tests.exe ]; then
    cp -r /share/component "$place/component"
fi

Xvfb :1 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
while [ ! -e /tmp/.X11-unix/X1 ] && kill -0 $xvfb 2>/dev/null; do
    sleep 0.2
done
export DISPLAY=:1
# One wineserver for the whole job, instead of one per program run.
wineserver -p
failed=0

e2e="python3 /root/e2e-driver/e2e.py"
step 300 $e2e "$build" "$place/e2e" setup || failed=1
step 1500 $e2e "$build" "$place/e2e" startup_and_exit folding typing about_box no_component ||
    failed=1

if [ -d "$place/component" ]; then
    cd "$place/component"
    # The image has no fonts for Chinese, symbols or emoji, which the
    # fallback-font test draws; that test runs on the host only.
    step 900 wine component_tests.exe --gtest_brief=1 \
        --gtest_filter=-UnicodeTest.EveryCharacterDrawnInItsCell || failed=1
    # The drawing tests again with the screen at 144 DPI, which Wine reads
    # when its server starts.
    echo "the drawing tests at 144 DPI:"
    step 120 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f \
        >/dev/null 2>&1 || failed=1
    wineserver -k
    wineserver -p
    step 600 wine component_tests.exe --gtest_brief=1 \
        --gtest_filter='*AtTheWindowsDpi*:*PartialRepaints*' || failed=1
fi

wineserver -k
kill $xvfb
mkdir -p /share/results
cp "$place"/e2e/*-failed.png "$place"/e2e/*-processes.txt /share/results/ 2>/dev/null
echo "job: ended with status $failed"
sleep 1
kill $tail
exit $failed
