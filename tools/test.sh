#!/bin/sh
# Builds everything (native core tests, the i686 product, the x86_64 twin)
# and the download zips, and runs every test in one ctest run: native tests
# under sanitizers, the fuzzer for a bounded time, the x86_64 build under
# Wine on Xvfb, a static check of the i686 build, and the zips' checks; then
# the i686 build itself, run in an emulated PC (KALMOR_SKIP_WIN32VM=1 leaves
# that out).
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh test

cmake --preset native >/dev/null
cmake --build --preset native
for preset in win32 win64; do
    cmake --preset "$preset" -DKALMOR_TESTS=ON >/dev/null
    cmake --build --preset "$preset"
done
# The zips, from the builds just made; their tests read them.
sh tools/package.sh

# One test run over both folders that hold tests; a test without a time
# limit of its own gets 300 s.
printf 'subdirs("native")\nsubdirs("win64")\n' >build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure --timeout 300

# The i686 product in an emulated PC that runs 32-bit code (win32vm/run.sh).
sh win32vm/run.sh build/win32 build/win32vm
