#!/usr/bin/env bash
# `make test-win32-vm`: the 32-bit Wine tests on a machine whose kernel cannot
# run 32-bit programs (scripts/wine32-runs.sh fails there). They run inside a
# Debian 12 virtual machine under QEMU's software emulation, whose own kernel
# can: slow (about 25 minutes for every test), but the program as shipped.
#   scripts/vm-test-win32.sh [TEST_REGEX...]   default: every test of the win32 preset
# Needs root (debootstrap and chroot). The machine's root file system is made
# once in build/vm/root (Wine, Xvfb, ImageMagick, CMake: about 1.5 GB); each
# run copies the tree and the built tests into a fresh disk image at the same
# path as here, so CTest's absolute paths hold, boots, runs the tests, powers
# off and prints their output. Exit status 0 when every test passed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
vm=$here/build/vm
root=$vm/root
[ "$(id -u)" -eq 0 ] || { echo "vm-test-win32: needs root (debootstrap, chroot)" >&2; exit 2; }

need=()
for p in qemu-system-x86 debootstrap e2fsprogs rsync; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null
fi

if [ ! -f "$root/.tavelin-ready" ]; then
  echo "vm-test-win32: making the machine's root file system in $root"
  rm -rf "$root"
  mkdir -p "$vm"
  debootstrap --variant=minbase --include=linux-image-amd64,initramfs-tools,udev,kmod,procps \
    bookworm "$root" http://deb.debian.org/debian >"$vm/debootstrap.log"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount --bind /proc "$root/proc"
  trap 'umount "$root/proc" 2>/dev/null || true' EXIT
  chroot "$root" /bin/bash -euc '
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends wine wine32:i386 wine64 xvfb x11-utils \
      imagemagick python3 fonts-wine libpng16-16 cmake libasan8 libubsan1 xauth util-linux
    apt-get clean' >"$vm/packages.log"
  umount "$root/proc"
  trap - EXIT
  touch "$root/.tavelin-ready"
fi

[ -x "$here/build/win32/tavelin_win32_tests.exe" ] || { echo "vm-test-win32: build the win32 preset first (make build-win32)" >&2; exit 1; }
tests=$(IFS=,; echo "${*:-.}")

# The init of the machine: mounts, the tests one CTest run each, power off.
cat >"$root/run-tests.sh" <<EOF
#!/bin/bash
mount -t proc proc /proc; mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm; mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root USER=root LANG=C.UTF-8
hostname vm
/usr/lib/wine/wine --version >/dev/null 2>&1 && echo "VM: the 32-bit loader runs"
cd "$here/build/win32"
IFS=, read -ra regexes <<<"$tests"
for t in "\${regexes[@]}"; do
  timeout 7200 ../../scripts/with-display.sh ctest --output-on-failure --timeout 5000 -R "\$t"
  echo "VM: result \$t rc=\$?"
done
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod +x "$root/run-tests.sh"

rm -rf "$root/work" "$root$here"
mkdir -p "$root$here/build/host" "$root$here/build/release"
rsync -a --exclude .git --exclude /build/ "$here/" "$root$here/"
rsync -a --exclude googletest --exclude 'wineprefix*' "$here/build/win32" "$root$here/build/"
for r in host release; do
  [ -x "$here/build/$r/tavelin-render" ] && cp "$here/build/$r/tavelin-render" "$root$here/build/$r/"
done
mkfs.ext4 -q -F -d "$root" -L vmroot "$vm/disk.img" 8G

kernel=$(ls "$root"/boot/vmlinuz-* | tail -n 1)
initrd=$(ls "$root"/boot/initrd.img-* | tail -n 1)
log=$vm/run.log
echo "vm-test-win32: booting (software emulation; the output follows when it powers off: $log)"
# SMAP is left out: this QEMU's emulated IRET back to 32-bit code trips it.
timeout 14400 qemu-system-x86_64 -m 6144 -smp 2 -accel tcg,thread=multi -cpu max,-smap \
  -kernel "$kernel" -initrd "$initrd" \
  -append "root=/dev/vda rw init=/run-tests.sh console=ttyS0 quiet" \
  -drive "file=$vm/disk.img,format=raw,if=virtio" -nographic -no-reboot -net none >"$log" 2>&1 || true
grep -a -v '^\s*$' "$log" | sed -n '/VM: the 32-bit loader runs/,$p'
grep -aq 'VM: the 32-bit loader runs' "$log" || { echo "vm-test-win32: the machine did not start the tests" >&2; exit 1; }
! grep -a 'VM: result' "$log" | grep -qv 'rc=0$'
