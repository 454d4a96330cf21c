#!/usr/bin/env bash
# Makes the Debian trixie root whose Wine 10 runs the 32-bit program in the end-to-end tests:
#
#   scripts/wine10-root.sh ROOT MIRROR      (as root; ROOT must not exist yet)
#
# Wine 10 runs a 32-bit Windows program inside a 64-bit process (its WoW64 mode): the 64-bit
# wine64 with the i386 PE DLLs of libwine:i386, reached through WINEDLLPATH (/usr/local/lib/wow64,
# see tests/e2e/harness/wine.py). A kernel that runs no 32-bit code refuses that mode; there the
# program runs under Wine 10's 32-bit loader instead, which qemu's user-mode emulator (also kept
# here) runs. So every 32-bit part the tests use comes from this root, never from the host's
# archive: the host's dpkg gets no foreign architecture.
#
# scripts/lib.sh (ensure_wine10_root) names the root after this file's hash, so that a change
# here makes a new root; keep everything the root is made of in this file.
set -euo pipefail

root=${1:?usage: wine10-root.sh ROOT MIRROR KEYRING}
mirror=${2:?usage: wine10-root.sh ROOT MIRROR KEYRING}
# Debian's archive keyring, so that a root made on an Ubuntu host is checked against Debian's keys.
keyring=${3:?usage: wine10-root.sh ROOT MIRROR KEYRING}

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
  libwine:i386 libfaketime:i386
)

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

# An older debootstrap (Ubuntu's, say) may not know trixie by name; it is made like sid.
script=/usr/share/debootstrap/scripts/trixie
[ -e "$script" ] || script=/usr/share/debootstrap/scripts/sid
debootstrap --variant=minbase --keyring="$keyring" trixie "$root" "$mirror" "$script"
in_root dpkg --add-architecture i386
in_root apt-get -q update
in_root apt-get install -y -q --no-install-recommends "${packages[@]}"

# WINEDLLPATH points here: the 32-bit PE DLLs beside the 64-bit Unix side they call into.
mkdir -p "$root/usr/local/lib/wow64"
ln -s /usr/lib/i386-linux-gnu/wine/i386-windows "$root/usr/local/lib/wow64/i386-windows"
ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$root/usr/local/lib/wow64/x86_64-unix"

# A classic Wine 10 of a 32-bit and a 64-bit loader in /opt/wine32, for a kernel that runs no
# 32-bit code, where qemu's emulator runs the 32-bit loader: the loader of wine32:i386 (same
# version), and copies of wine64 and its preloader, which find the 32-bit loader beside them and
# hand it every 32-bit program. Kept out of /usr/lib/wine, where wine64 would do the same instead
# of running the program in WoW64 mode. Each loader finds its libraries and data relative to its
# own folder.
version=$(in_root dpkg-query -W -f='${Version}' libwine:amd64)
in_root sh -euc '
  cd /tmp
  apt-get -q -o APT::Sandbox::User=root download "wine32:i386=$1"
  dpkg-deb -x wine32_*_i386.deb /tmp/wine32
  mkdir -p /opt/wine32/lib/wine /opt/wine32/share
  # (A preloader only where the package has one.)
  for loader in /tmp/wine32/usr/lib/wine/wine /tmp/wine32/usr/lib/wine/wine-preloader \
                /usr/lib/wine/wine64 /usr/lib/wine/wine64-preloader; do
    [ ! -e "$loader" ] || install -m 0755 "$loader" /opt/wine32/lib/wine/
  done
  ln -s /usr/lib/wine/wineserver /opt/wine32/lib/wine/wineserver
  ln -s /usr/lib/i386-linux-gnu /opt/wine32/lib/i386-linux-gnu
  ln -s /usr/lib/x86_64-linux-gnu /opt/wine32/lib/x86_64-linux-gnu
  ln -s /usr/share/wine /opt/wine32/share/wine
  rm -rf /tmp/wine32 wine32_*_i386.deb
' sh "$version"
test -f "$root/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll"

# qemu's user-mode emulator of 32-bit x86 (one static program, from the qemu-user package), for
# a kernel that runs no 32-bit code: the test harness hands 32-bit programs to it there
# (tests/e2e/harness/machine.py). Debian 12's qemu 7.2 leaves Wine's address-space reservations unanswered
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
in_root /opt/wine32/lib/wine/wine64 --version
umount "$root/proc"
# What scripts/lib.sh looks for before it removes a root: the project made this folder.
echo "made by scripts/wine10-root.sh" > "$root/.marisole-root"
