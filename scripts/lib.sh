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

# The package names of the groups of packages.txt given ("clock", "tests", "bench"; all when
# none is given), one a line. A line "[name]" starts a group.
package_list() {
  sed -e 's/#.*//' "$PACKAGES_FILE" | awk -v want=" $* " '
    /^[[:space:]]*\[[a-z]+\][[:space:]]*$/ { gsub(/[][[:space:]]/, ""); group = $0; next }
    want == "  " || index(want, " " group " ") { for (i = 1; i <= NF; i++) print $i }'
}

# The packages of those groups that are not installed.
missing_packages() {
  local pkg
  for pkg in $(package_list "$@"); do
    if ! dpkg-query -W -f='${db:Status-Status}\n' "$pkg" 2>/dev/null | grep -qx installed; then
      echo "$pkg"
    fi
  done
}

# Installs what the groups of packages.txt given list and the machine lacks. A failing
# `apt-get update` (a mirror caught mid-sync, one broken index) only warns: the lists apt has may
# still hold every package. A package that cannot be had stops the set-up with apt's own reason.
ensure_packages() {
  local missing pkg reason
  missing=$(missing_packages "$@" | tr '\n' ' ')
  if [ -z "${missing// /}" ]; then
    log "the $(package_list "$@" | wc -l) packages needed are installed"
    return
  fi
  log "installing missing packages: $missing"
  if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get update; then
    log "warning: apt-get update failed (above); trying with the package lists apt already has"
  fi
  # --no-remove: installing what is missing never takes an installed package away.
  # shellcheck disable=SC2086  # one word per package
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-remove $missing || true
  missing=$(missing_packages "$@" | tr '\n' ' ')
  [ -z "${missing// /}" ] && return
  for pkg in $missing; do
    reason=$(LC_ALL=C apt-get install -s --no-remove "$pkg" 2>&1 | grep -E '^(E:|  |Package|Depends)' | head -n 6)
    printf 'error: package %s cannot be installed:\n%s\n' "$pkg" "${reason:-  (apt gave no reason)}" >&2
  done
  die "install the packages above by hand (sudo apt-get install ...), or run 'sudo apt-get update' once the archive answers again, then run this again"
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

# Where the Debian trixie root with Wine 10 is kept between runs, outside every build tree.
MARISOLE_CACHE=${MARISOLE_CACHE:-/var/cache/marisole}
# The stable name the end-to-end tests use (CMake's MARISOLE_WINE10_ROOT): a link to the root of
# the current recipe.
WINE10_ROOT=$MARISOLE_CACHE/wine10

# The root is made from Debian's own archive, checked against Debian's keyring, on any host.
DEBIAN_MIRROR=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
DEBIAN_KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg

# What marks a folder as the project's own: only a folder holding it is ever removed.
ROOT_MARK=.marisole-root

# Removes a root (or a root left half-made) of the cache, but only one the project made.
remove_root() {
  local dir=$1
  if [ -f "$dir/$ROOT_MARK" ]; then
    log "removing $dir"
    as_root rm -rf --one-file-system "$dir"
  elif [ -e "$dir" ]; then
    log "leaving $dir alone: it has no $ROOT_MARK, so the project did not make it"
  fi
}

# Makes the trixie root with Wine 10 (scripts/wine10-root.sh) when the root of the current recipe
# is missing, and points $WINE10_ROOT at it. The root is named after the recipe's hash, so a
# changed recipe makes a new one (the old ones are removed then). It is built under a temporary
# name, marked as the project's from the start, and renamed when complete.
ensure_wine10_root() {
  local recipe=$REPO_ROOT/scripts/wine10-root.sh hash root
  hash=$(sha256sum "$recipe" | cut -c1-16)
  root=$MARISOLE_CACHE/trixie-$hash
  if [ -f "$root/$ROOT_MARK" ] && [ "$(readlink "$WINE10_ROOT" 2>/dev/null)" = "trixie-$hash" ]; then
    log "the trixie root with Wine 10 is there: $root ($(du -sh "$root" 2>/dev/null | cut -f1))"
    return
  fi
  [ -f "$DEBIAN_KEYRING" ] || die "Debian's archive keyring is missing ($DEBIAN_KEYRING): install debian-archive-keyring"
  as_root mkdir -p "$MARISOLE_CACHE"
  as_root touch "$MARISOLE_CACHE/.lock"
  (
    # One build at a time; whoever waited finds the root made. (Read-only: a lock needs no more,
    # and a user who made the root through sudo can still take it.)
    exec 9<"$MARISOLE_CACHE/.lock"
    flock 9
    local old tmp=$root.tmp
    if [ ! -f "$root/$ROOT_MARK" ]; then
      for old in "$MARISOLE_CACHE"/trixie-*.tmp "$root"; do
        remove_root "$old"
      done
      [ ! -e "$root" ] || die "$root is in the way and not the project's; move it away"
      log "making the trixie root with Wine 10 in $root from $DEBIAN_MIRROR (once, a few minutes)"
      as_root mkdir "$tmp"
      printf 'being made by scripts/wine10-root.sh\n' | as_root tee "$tmp/$ROOT_MARK" >/dev/null
      # In a mount namespace of its own, so that no mount debootstrap makes outlives it.
      as_root unshare --mount --propagation private bash "$recipe" "$tmp" "$DEBIAN_MIRROR" "$DEBIAN_KEYRING" \
        2>&1 | as_root tee "$MARISOLE_CACHE/trixie-$hash.log" >/dev/null
      [ "${PIPESTATUS[0]}" -eq 0 ] || die "making the trixie root failed; see $MARISOLE_CACHE/trixie-$hash.log"
      as_root mv -T "$tmp" "$root"
    fi
    as_root ln -sfn "trixie-$hash" "$WINE10_ROOT.new"
    as_root mv -T "$WINE10_ROOT.new" "$WINE10_ROOT"
    # Roots of other recipes: no run of this recipe needs them.
    for old in "$MARISOLE_CACHE"/trixie-*; do
      case $old in "$root" | "$root.log") continue ;; *.log) as_root rm -f "$old"; continue ;; esac
      remove_root "$old"
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
# There qemu's user-mode emulator from the trixie root runs them, through binfmt_misc. Where the
# kernel gives each user namespace a binfmt_misc of its own (Linux 6.7), every test registers it
# in its own (tests/e2e/harness/wine.py) and the machine never sees it. On an older kernel the
# machine's binfmt_misc gets an entry for the run alone: registered here, and removed when the run
# ends, however it ends. tests/e2e/harness/machine.py decides which.
I386_BINFMT=/proc/sys/fs/binfmt_misc/marisole-i386

# The plan's value of KEY (python3 -m harness plan).
plan_value() {
  harness plan | sed -n "s/^$1=//p"
}

# Removes the run's emulator entry, if there is one (also one a run killed outright left).
unregister_i386_emulation() {
  if [ -f "$I386_BINFMT" ]; then
    echo -1 | as_root tee "$I386_BINFMT" >/dev/null || log "warning: cannot remove $I386_BINFMT"
  fi
}

# Registers the emulator with the machine's binfmt_misc for this run ("F": the emulator is opened
# now, so that it serves inside the chroot and namespaces of the tests too); the caller removes it.
register_i386_emulation() {
  local qemu
  qemu=$(readlink -f "$WINE10_ROOT/usr/local/bin/qemu-i386")
  [ -x "$qemu" ] || die "the trixie root has no qemu-i386 ($qemu)"
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || die "cannot mount binfmt_misc"
  fi
  printf '%s' ":marisole-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" |
    as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null || die "cannot register qemu-i386 with binfmt_misc"
  log "32-bit programs run under $qemu until this run ends"
}

# What a run must leave as it found it: fails, naming them, when processes of the end-to-end
# tests still live, mounts of the build tree or the cache are left, the emulator entry is still
# registered, or dpkg's foreign architectures changed (FOREIGN: what they were before).
check_nothing_left() {
  local foreign=$1 left="" pid
  for pid in $(pgrep -f . 2>/dev/null); do
    [ "$pid" = $$ ] && continue
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -q "^MARISOLE_E2E_DIR=$REPO_ROOT/"; then
      left+="  process $pid: $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | cut -c1-120)"$'\n'
    fi
  done
  while read -r mount; do
    left+="  mount: $mount"$'\n'
  done < <(awk -v a="$REPO_ROOT/build" -v b="$MARISOLE_CACHE" 'index($5, a) == 1 || index($5, b) == 1 { print $5 }' /proc/self/mountinfo)
  [ -e "$I386_BINFMT" ] && left+="  binfmt_misc entry: $I386_BINFMT"$'\n'
  [ "$(dpkg --print-foreign-architectures | tr '\n' ' ')" = "$foreign" ] ||
    left+="  dpkg foreign architectures: now '$(dpkg --print-foreign-architectures | tr '\n' ' ')', before '$foreign'"$'\n'
  if [ -n "$left" ]; then
    printf 'error: the run left these behind:\n%s' "$left" >&2
    return 1
  fi
  log "nothing of the run is left: no process, no mount, no emulator entry; dpkg's architectures as before"
}
