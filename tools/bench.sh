#!/bin/sh
# Builds the x86_64 program and its benchmark, runs the benchmark under Wine
# on a display and in a prefix of its own, and writes docs/performance.md:
# the table, the machine, the date and how to reproduce it.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh build

cmake --preset win64 -DKALMOR_TESTS=OFF >/dev/null
cmake --build --preset win64

session="$PWD/build/win64/bench-wine"
sh cmake/wine-session.sh start "$session"
trap 'sh cmake/wine-session.sh stop "$session"' EXIT
export WINEPREFIX="$session/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
DISPLAY=$(cat "$session/display")
export DISPLAY

echo "Running the benchmark (about a minute)..."
table=$(cd build/win64 && sh ../../cmake/wine64.sh kalmor-bench.exe | tr -d '\r')

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
{
    echo "# Performance under Wine"
    echo
    echo "Measured on $(date -u +%Y-%m-%d) by \`sh tools/bench.sh\`: the x86_64 build (Release),"
    echo "\`build/win64/kalmor-bench.exe\`, under $(wine --version), on an Xvfb display"
    echo "(1024x768) and a fresh Wine prefix of its own."
    echo
    echo "Machine: $cpu, $(nproc) cores, $memory of memory, $(uname -sr)."
    echo
    echo "$table"
    echo
    cat bench/performance-notes.md
} >docs/performance.md
echo "Wrote docs/performance.md"
