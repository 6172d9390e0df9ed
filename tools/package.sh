#!/bin/sh
# Builds the example for both architectures (Release) and packs each build
# with cpack into build/packages/kalmor-example-VERSION-win32.zip and
# ...-win64.zip. The build folders are the usual build/win32 and build/win64,
# so packaging after the tests' build only adds the zips. The same commit
# gives the same bytes in any folder (tools/check-reproducible.sh checks it).
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh build

# One fixed time for every zip entry (cmake/normalize-zip.py): the commit's,
# so each release's files carry its date.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

mkdir -p build/packages
for arch in win32 win64; do
    # A fresh folder builds no tests (they need GoogleTest); a configured one keeps its choice.
    if [ -f "build/$arch/CMakeCache.txt" ]; then
        cmake --preset "$arch" >/dev/null
    else
        cmake --preset "$arch" -DKALMOR_TESTS=OFF >/dev/null
    fi
    cmake --build "build/$arch" --target kalmor-example kalmor
    rm -rf "build/$arch/package"
    cpack --config "build/$arch/CPackConfig.cmake" -B "build/$arch/package" >/dev/null
    cp build/"$arch"/package/kalmor-example-*-"$arch".zip build/packages/
done
ls -l build/packages/*.zip
