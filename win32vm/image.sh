#!/bin/sh
# Builds, once, the disk image of the emulated PC that runs the i686 build:
# Debian 12 amd64 with i386 multiarch, Wine 8 (32 and 64 bit), Xvfb, xdotool,
# ImageMagick and python3, booted by its own kernel with a tiny init as PID 1,
# and a Wine prefix made inside it. Everything lands in the cache folder
# (delete it to start over); a finished image is reused as it is.
#   image.sh            prints the cache folder once the image is ready
# The cache folder is the only thing on standard output (run.sh reads it):
# every tool's output, and our own messages, go to standard error.
set -eu
exec 3>&1 1>&2
here=$(cd "$(dirname "$0")" && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/kalmor-win32vm
# Bump when the image's contents (this script, init, make-prefix.sh) change,
# so that old caches are rebuilt.
version=2

if [ -f "$cache/ready" ] && [ "$(cat "$cache/ready")" = "$version" ]; then
    echo "$cache" >&3
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "image.sh: building the image needs root (mmdebstrap --mode=root)" >&2
    exit 1
fi

say() { echo "win32vm: $*"; }

# The host's Debian 12 package sources as one-line deb entries, read from
# both the one-line and the deb822 formats; other vendors' entries are left out.
host_sources() {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { sub(/\[[^]]*\] */, ""); if ($3 ~ /^bookworm/) print }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
        function flush() {
            if (types ~ /(^| )deb( |$)/)
                for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++)
                    if (s[j] ~ /^bookworm/) print "deb", u[i], s[j], comps
            types = ""; nu = ns = 0; comps = ""
        }
        /^[[:space:]]*$/ { flush(); next }
        /^Types:/ { types = substr($0, 8) }
        /^URIs:/ { nu = split(substr($0, 6), u, " ") }
        /^Suites:/ { ns = split(substr($0, 8), s, " ") }
        /^Components:/ { comps = substr($0, 12) }
        END { flush() }'
}

mkdir -p "$cache"
rm -rf "$cache/rootfs" "$cache/ready" "$cache/disk.raw"
sources=$(host_sources)
if [ -z "$sources" ]; then
    say "no Debian 12 (bookworm) package sources found in /etc/apt"
    exit 1
fi

started=$(date +%s)
say "building the emulated PC's Debian 12 system in $cache"
say "(10 to 25 minutes, 3.3 GB of disk; downloads about 600 MB)"
# The system from the given sources, one line each.
build_rootfs() {
    echo "$1" | mmdebstrap --mode=root --variant=apt --architectures=amd64,i386 \
        --include=linux-image-amd64,mount,kmod,procps,wine,wine32,wine64,fonts-wine,fonts-liberation,xvfb,xdotool,x11-utils,imagemagick,python3 \
        --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/doc/*' \
        --dpkgopt='path-exclude=/usr/share/locale/*' --dpkgopt='path-include=/usr/share/locale/locale.alias' \
        --skip=cleanup/apt/lists --quiet \
        bookworm "$cache/rootfs" -
}
# A mirror or proxy caught between two syncs serves an index that does not
# match its Release file, most often in the updates and security suites,
# and the i386 ones the host itself never reads. The emulated PC only runs
# the tests, so it may do without them.
if ! build_rootfs "$sources"; then
    base=$(echo "$sources" | awk '$3 == "bookworm"')
    [ -n "$base" ] || exit 1
    say "a package index failed to download; trying again with the bookworm suite alone"
    rm -rf "$cache/rootfs"
    build_rootfs "$base"
fi

cp "$here/init" "$cache/rootfs/sbin/kalmor-init"
chmod 755 "$cache/rootfs/sbin/kalmor-init"
echo kalmor-vm >"$cache/rootfs/etc/hostname"
cp "$(ls "$cache"/rootfs/boot/vmlinuz-* | tail -n 1)" "$cache/vmlinuz"
cp "$(ls "$cache"/rootfs/boot/initrd.img-* | tail -n 1)" "$cache/initrd.img"
rm -rf "$cache"/rootfs/var/cache/apt/archives/*.deb

say "writing the disk image (8 GB sparse)"
mke2fs -q -t ext4 -L kalmor -d "$cache/rootfs" "$cache/disk.raw" 8G
rm -rf "$cache/rootfs"

say "making the Wine prefix inside the emulated PC (5 to 12 minutes)"
job=$(mktemp -d /tmp/kalmor-win32vm-prefix.XXXXXX)
cp "$here/make-prefix.sh" "$job/job.sh"
if ! sh "$here/boot.sh" "$cache" "$cache/disk.raw" "$job" 1800; then
    say "making the Wine prefix failed; what the emulated PC printed:"
    tail -n 40 "$job/console.log" "$job/serial.log" >&2 2>/dev/null || true
    rm -rf "$job"
    exit 1
fi
rm -rf "$job"
echo "$version" >"$cache/ready"
say "image ready in $(($(date +%s) - started)) s"
echo "$cache" >&3
