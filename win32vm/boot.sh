#!/bin/sh
# Boots the emulated PC (kernel and initrd from CACHE) once on DISK with SHARE (holding job.sh) as its 9p
# share, and waits until it powers itself off or LIMIT seconds pass; then the
# emulator is stopped by its process ID. Succeeds when the job wrote status 0.
#   boot.sh CACHE DISK SHARE LIMIT
# The CPU is emulated (TCG: no KVM here). SMAP is off because this qemu
# mishandles the return to user mode with SMAP on, which oopses Wine's processes.
# KALMOR_WIN32VM_CPU gives another CPU model (e.g. max,-smap,vendor=GenuineIntel),
# KALMOR_WIN32VM_MEMORY the memory in MB (2048).
set -eu
cache=$1
disk=$2
share=$3
limit=$4
case $disk in
*.qcow2) format=qcow2 ;;
*) format=raw ;;
esac
rm -f "$share/status"

qemu-system-x86_64 -machine q35 -accel tcg -cpu "${KALMOR_WIN32VM_CPU:-max,-smap}" -smp 2 -m "${KALMOR_WIN32VM_MEMORY:-2048}" \
    -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 init=/sbin/kalmor-init panic=-1 quiet" \
    -drive "file=$disk,if=virtio,format=$format,cache=unsafe" \
    -virtfs "local,path=$share,mount_tag=share,security_model=none,id=share" \
    -nic none -display none -monitor none -serial "file:$share/serial.log" -no-reboot \
    </dev/null >"$share/qemu.log" 2>&1 &
qemu=$!
trap 'kill $qemu 2>/dev/null || true' EXIT INT TERM

deadline=$(($(date +%s) + limit))
while kill -0 $qemu 2>/dev/null; do
    if [ "$(date +%s)" -ge "$deadline" ]; then
        echo "win32vm: the emulated PC ran past its limit of $limit s and was stopped" >&2
        kill $qemu 2>/dev/null || true
        break
    fi
    sleep 1
done
wait $qemu 2>/dev/null || true
trap - EXIT INT TERM
[ -f "$share/status" ] && [ "$(cat "$share/status")" = 0 ]
