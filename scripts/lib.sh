# Shared helpers of scripts/run-clock and scripts/run-tests (sourced, not run).
# shellcheck shell=bash

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PACKAGES_FILE=$REPO_ROOT/scripts/packages.txt
# Debian's wine64 keeps its loader out of PATH.
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
PYTHON=/usr/bin/python3

log() { printf '==> %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Runs a command as root: directly when we are root, else through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    command -v sudo >/dev/null || die "not root and no sudo: install these as root: $*"
    sudo "$@"
  fi
}

# The package names of packages.txt, one a line.
package_list() {
  sed -e 's/#.*//' "$PACKAGES_FILE" | tr -s ' \t\n' '\n' | sed '/^$/d'
}

# The packages of packages.txt that are not installed.
missing_packages() {
  local pkg
  for pkg in $(package_list); do
    # A name without ":arch" may match the package of two architectures: one installed is enough.
    if ! dpkg-query -W -f='${db:Status-Status}\n' "$pkg" 2>/dev/null | grep -qx installed; then
      echo "$pkg"
    fi
  done
}

# Adds to dpkg the foreign architectures (":i386") that the missing packages come from.
add_foreign_architectures() {
  local arch
  for arch in $(printf '%s\n' "$@" | sed -n 's/^[^:]*:\(.*\)$/\1/p' | sort -u); do
    [ "$arch" = "$(dpkg --print-architecture)" ] && continue
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
      log "adding the $arch architecture to dpkg"
      as_root dpkg --add-architecture "$arch"
    fi
  done
}

# Installs what packages.txt lists and the machine lacks (apt-get update first); nothing when all are there.
ensure_packages() {
  local missing
  missing=$(missing_packages | tr '\n' ' ')
  if [ -z "${missing// /}" ]; then
    log "all $(package_list | wc -l) packages of scripts/packages.txt are installed"
    return
  fi
  log "installing missing packages: $missing"
  # shellcheck disable=SC2086  # one word per package
  add_foreign_architectures $missing
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update
  # --no-remove: an i386 package must never make apt take an amd64 one away.
  # shellcheck disable=SC2086  # one word per package
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-remove $missing
  missing=$(missing_packages | tr '\n' ' ')
  [ -z "${missing// /}" ] || die "still missing after apt-get install: $missing"
}

# Configures (once) and builds one CMake preset of CMakePresets.json.
build_preset() {
  local preset=$1
  log "building preset $preset"
  (
    cd "$REPO_ROOT" || exit 1
    if [ ! -f "build/$preset/build.ninja" ]; then
      cmake --preset "$preset" >/dev/null || die "configuring preset $preset failed"
    fi
    cmake --build --preset "$preset" || die "building preset $preset failed"
  )
}

# True when this machine runs Debian's 32-bit Wine 8 loader (it cannot where the kernel runs no
# 32-bit code); the 32-bit program then also runs under Wine 8.
wine32_runs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Where the Debian trixie root with Wine 10 is kept between runs, outside every build tree.
MARISOLE_CACHE=${MARISOLE_CACHE:-/var/cache/marisole}
# The stable name the end-to-end tests use (CMake's MARISOLE_WINE10_ROOT): a link to the root of
# the current recipe.
WINE10_ROOT=$MARISOLE_CACHE/wine10

# The Debian mirror this machine's apt uses: the first source of the machine's own release.
debian_mirror() {
  local uri codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  uri=$(
    {
      # One-line sources: deb [options] URI SUITE COMPONENTS...
      sed -n 's/^[[:space:]]*deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]\+\)[[:space:]]\+\([^[:space:]]\+\).*/\2 \3/p' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
      # deb822 sources: the URIs and Suites fields of each stanza.
      awk '/^[[:space:]]*$/ { if (u != "" && s != "") print u, s; u = s = "" ; next }
           /^URIs:/ { u = $2 } /^Suites:/ { s = $2 }
           END { if (u != "" && s != "") print u, s }' /etc/apt/sources.list.d/*.sources 2>/dev/null
    } | awk -v codename="$codename" '$1 ~ /^https?:/ && $2 == codename { print $1; exit }'
  )
  echo "${uri:-http://deb.debian.org/debian}"
}

# Makes the trixie root with Wine 10 (scripts/wine10-root.sh) when the root of the current recipe
# is missing, and points $WINE10_ROOT at it. The root is named after the recipe's hash, so a
# changed recipe makes a new one (the old ones are removed then). It is built under a temporary
# name and renamed when complete: an interrupted build leaves only a folder the next run removes.
ensure_wine10_root() {
  local recipe=$REPO_ROOT/scripts/wine10-root.sh hash root
  hash=$(sha256sum "$recipe" | cut -c1-16)
  root=$MARISOLE_CACHE/trixie-$hash
  if [ -d "$root" ] && [ "$(readlink "$WINE10_ROOT" 2>/dev/null)" = "trixie-$hash" ]; then
    log "the trixie root with Wine 10 is there: $root ($(du -sh "$root" 2>/dev/null | cut -f1))"
    return
  fi
  as_root mkdir -p "$MARISOLE_CACHE"
  (
    # One build at a time; whoever waited finds the root made.
    exec 9>"$MARISOLE_CACHE/.lock"
    flock 9
    local old mirror tmp
    if [ ! -d "$root" ]; then
      for old in "$MARISOLE_CACHE"/trixie-*.tmp; do
        [ -d "$old" ] || continue
        log "removing $old, left by an interrupted build"
        as_root rm -rf --one-file-system "$old"
      done
      mirror=$(debian_mirror)
      tmp=$root.tmp
      log "making the trixie root with Wine 10 in $root from $mirror (once, a few minutes)"
      # In a mount namespace of its own, so that no mount debootstrap makes outlives it.
      as_root unshare --mount --propagation private bash "$recipe" "$tmp" "$mirror" \
        >"$MARISOLE_CACHE/trixie-$hash.log" 2>&1 ||
        die "making the trixie root failed; see $MARISOLE_CACHE/trixie-$hash.log"
      as_root mv -T "$tmp" "$root"
    fi
    as_root ln -sfn "trixie-$hash" "$WINE10_ROOT.new"
    as_root mv -T "$WINE10_ROOT.new" "$WINE10_ROOT"
    # Roots (and logs) of other recipes: no run of this recipe needs them.
    for old in "$MARISOLE_CACHE"/trixie-*; do
      case $old in "$root" | "$root.log") continue ;; esac
      log "removing $old, made by another recipe"
      as_root rm -rf --one-file-system "$old"
    done
  ) || exit 1
  log "the trixie root with Wine 10: $root ($(du -sh "$root" 2>/dev/null | cut -f1))"
}

# True when $DISPLAY names an X display we can talk to.
display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Runs the end-to-end harness's command line (tests/e2e/harness/__main__.py).
harness() {
  PYTHONPATH="$REPO_ROOT/tests/e2e" PYTHONDONTWRITEBYTECODE=1 "$PYTHON" -m harness "$@"
}

# -- 32-bit programs on a kernel that runs no 32-bit code -------------------------------------
# A kernel built without IA-32 emulation, or started with it off, runs no 32-bit x86 code at all,
# so neither Wine can run the 32-bit release program natively. There binfmt_misc hands every
# 32-bit program (Debian's 32-bit Wine loader) to qemu's user-mode emulator from the trixie root.
# Only there: binfmt_misc is asked before the kernel's own loader, so on a kernel that runs 32-bit
# code the entry would only slow it down.
I386_BINFMT=/proc/sys/fs/binfmt_misc/marisole-i386

# True when the kernel itself runs a static 32-bit program (with our emulator entry set aside).
kernel_runs_32_bit() {
  local dir result=0
  dir=$(mktemp -d)
  # Ends through the 32-bit system call, as 32-bit Wine's threads set up their %fs.
  printf '%s\n' 'void _start(void) { __asm__ volatile("movl $1, %eax\n xorl %ebx, %ebx\n int $0x80"); }' \
    > "$dir/runs32.c"
  if ! gcc -m32 -nostdlib -static -o "$dir/runs32" "$dir/runs32.c" 2>"$dir/gcc.log"; then
    local why
    why=$(cat "$dir/gcc.log")
    rm -rf "$dir"
    die "cannot build the 32-bit probe (gcc -m32): $why"
  fi
  [ -f "$I386_BINFMT" ] && echo 0 | as_root tee "$I386_BINFMT" >/dev/null
  "$dir/runs32" 2>/dev/null || result=1
  [ -f "$I386_BINFMT" ] && echo 1 | as_root tee "$I386_BINFMT" >/dev/null
  rm -rf "$dir"
  return $result
}

# Registers the emulator for 32-bit programs where the kernel runs none ("F": the emulator is
# opened now, so it serves inside the chroot and namespaces of the tests too).
ensure_i386_emulation() {
  local qemu=$WINE10_ROOT/usr/local/bin/qemu-i386
  if kernel_runs_32_bit; then
    if [ -f "$I386_BINFMT" ]; then
      log "this kernel runs 32-bit code: removing the emulator entry"
      echo -1 | as_root tee "$I386_BINFMT" >/dev/null
    fi
    log "this kernel runs 32-bit code natively"
    return
  fi
  [ -x "$qemu" ] || die "the trixie root has no qemu-i386 ($qemu)"
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || die "cannot mount binfmt_misc"
  fi
  qemu=$(readlink -f "$qemu")
  if [ -f "$I386_BINFMT" ] && grep -qx "interpreter $qemu" "$I386_BINFMT"; then
    log "this kernel runs no 32-bit code: 32-bit programs run under $qemu"
    return
  fi
  [ -f "$I386_BINFMT" ] && echo -1 | as_root tee "$I386_BINFMT" >/dev/null
  printf '%s' ":marisole-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" |
    as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null || die "cannot register qemu-i386 with binfmt_misc"
  log "this kernel runs no 32-bit code: 32-bit programs now run under $qemu"
}
