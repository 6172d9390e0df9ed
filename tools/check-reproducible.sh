#!/bin/sh
# Checks that the zips are reproducible: packages the current commit twice,
# from two copies in folders of different names, and compares the zips byte
# for byte. Takes a few minutes (two full builds of both architectures).
# Uncommitted changes are not part of the check.
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d /tmp/kalmor-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The zips' entry times come from the commit, as they do in a clone.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

for copy in first second-copy; do
    mkdir "$work/$copy"
    git archive HEAD | tar -x -C "$work/$copy"
    echo "packaging $(git rev-parse --short HEAD) in $work/$copy"
    sh "$work/$copy/tools/package.sh" >"$work/$copy.log" 2>&1 || {
        cat "$work/$copy.log"
        exit 1
    }
done

status=0
for zip in "$work"/first/build/packages/*.zip; do
    name=$(basename "$zip")
    if cmp -s "$zip" "$work/second-copy/build/packages/$name"; then
        echo "same bytes: $name"
        continue
    fi
    echo "DIFFERENT: $name"
    status=1
    # Say which files inside differ.
    for side in first second-copy; do
        mkdir -p "$work/unpacked/$side"
        python3 -m zipfile -e "$work/$side/build/packages/$name" "$work/unpacked/$side"
    done
    diff -r "$work/unpacked/first" "$work/unpacked/second-copy" || true
done
exit $status
