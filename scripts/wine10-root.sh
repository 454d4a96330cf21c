#!/usr/bin/env bash
# Makes the Debian trixie root whose Wine 10 runs the 32-bit program in the end-to-end tests:
#
#   scripts/wine10-root.sh ROOT MIRROR      (as root; ROOT must not exist yet)
#
# Wine 10 runs a 32-bit Windows program inside a 64-bit process (its WoW64 mode), so the root
# holds no 32-bit Linux code at all and works on a kernel that runs none: the 64-bit wine64 and
# its libraries, and only the i386 PE DLLs of libwine:i386, reached through WINEDLLPATH
# (/usr/local/lib/wow64, see tests/e2e/harness/wine.py).
#
# scripts/lib.sh (ensure_wine10_root) names the root after this file's hash, so that a change
# here makes a new root; keep everything the root is made of in this file.
set -euo pipefail

root=${1:?usage: wine10-root.sh ROOT MIRROR}
mirror=${2:?usage: wine10-root.sh ROOT MIRROR}

# Wine and what it loads at run time (the X client libraries are only recommended by libwine),
# the fonts the program and Wine's own dialogs draw with (as on the Debian 12 side: Wine's own
# faces, Liberation, IPA Gothic for the Japanese captions), the 64-bit libfaketime that freezes
# the clock the program reads, and the zlib1.dll Wine's picture decoder loads.
packages=(
  wine64 wine
  libx11-6 libxext6 libxrandr2 libxinerama1 libxrender1 libxcursor1 libxi6 libxcomposite1
  libxfixes3 libxxf86vm1 libxkbcommon0
  fonts-wine fonts-liberation fonts-ipafont-gothic fontconfig
  libfaketime libz-mingw-w64
)

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

debootstrap --variant=minbase trixie "$root" "$mirror"
in_root dpkg --add-architecture i386
in_root apt-get -q update
in_root apt-get install -y -q --no-install-recommends "${packages[@]}"

# The i386 PE DLLs of libwine:i386, of the same version as the 64-bit Wine, without the package
# (which would bring a whole 32-bit userland): unpacked, and only its i386-windows folder kept.
version=$(in_root dpkg-query -W -f='${Version}' libwine)
in_root sh -euc '
  cd /tmp
  apt-get -q -o APT::Sandbox::User=root download "libwine:i386=$1"
  dpkg-deb -x libwine_*_i386.deb /tmp/libwine-i386
  mkdir -p /usr/lib/i386-linux-gnu/wine
  mv /tmp/libwine-i386/usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/i386-linux-gnu/wine/
  rm -rf /tmp/libwine-i386 libwine_*_i386.deb
  # WINEDLLPATH points here: the 32-bit PE DLLs beside the 64-bit Unix side they call into.
  mkdir -p /usr/local/lib/wow64
  ln -s /usr/lib/i386-linux-gnu/wine/i386-windows /usr/local/lib/wow64/i386-windows
  ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix /usr/local/lib/wow64/x86_64-unix
' sh "$version"
test -f "$root/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll"

# qemu's user-mode emulator of 32-bit x86 (one static program, from the qemu-user package), for
# a kernel that runs no 32-bit code: scripts/lib.sh (ensure_i386_emulation) hands 32-bit
# programs to it there. Debian 12's qemu 7.2 leaves Wine's address-space reservations unanswered
# (MAP_FIXED_NOREPLACE), so that every 32-bit Wine process spends a minute starting; 10.0 does not.
in_root sh -euc '
  cd /tmp
  apt-get -q -o APT::Sandbox::User=root download qemu-user
  dpkg-deb -x qemu-user_*_amd64.deb /tmp/qemu-user
  install -m 0755 /tmp/qemu-user/usr/bin/qemu-i386 /usr/local/bin/qemu-i386
  rm -rf /tmp/qemu-user qemu-user_*_amd64.deb
'
test -x "$root/usr/local/bin/qemu-i386"

# Mount points of the sessions' bind mounts.
mkdir -p "$root/tmp/.X11-unix"
chmod 1777 "$root/tmp" "$root/tmp/.X11-unix"

in_root apt-get clean
rm -rf "$root"/var/lib/apt/lists/*
# Wine finds its libraries through /proc/self/exe. (The caller runs this in a mount namespace of
# its own, so the mount ends with it.)
mount -t proc proc "$root/proc"
in_root /usr/lib/wine/wine64 --version
umount "$root/proc"
