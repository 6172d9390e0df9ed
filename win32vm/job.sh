# Runs inside the emulated PC (the share is /share): the i686 program's
# end-to-end checks from a folder whose path has spaces and non-ASCII
# characters, then the i686 component tests. Screenshots of failed checks are
# copied to /share/results.
set -u
# A UTF-8 locale, so that Wine reads the folder's non-ASCII name as a user's
# system does (in the C locale it cannot even enter that folder). No
# debugger: a crashed program ends at once instead of showing Wine's crash box.
export LANG=C.UTF-8
export WINEPREFIX=/opt/kalmor-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export E2E_WINE=wine E2E_PATIENCE=${E2E_PATIENCE:-10} PYTHONUNBUFFERED=1
results=/share/results
mkdir -p "$results"

Xvfb :1 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
while [ ! -e /tmp/.X11-unix/X1 ] && kill -0 $xvfb 2>/dev/null; do
    sleep 0.2
done
export DISPLAY=:1
# One wineserver for the whole job, instead of one per program run.
wineserver -p
failed=0

place="/root/Programme für Kalmor/Prüfung 1"
mkdir -p "$place"
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

e2e="python3 /share/e2e/e2e.py"
$e2e "$build" "$place/e2e" setup || failed=1
$e2e "$build" "$place/e2e" startup_and_exit folding typing about_box no_component ||
    failed=1
cp "$place"/e2e/*.png "$results/" 2>/dev/null

# Programs run from the guest's own disk, never from the share: mapped from
# the 9p share, pages of a large executable read as zeros here, and the
# program crashes in code that is not there.
if [ -f /share/component/component_tests.exe ]; then
    cp -r /share/component "$place/component"
    cd "$place/component"
    wine component_tests.exe --gtest_brief=1 || failed=1
fi

wineserver -k
kill $xvfb
exit $failed
