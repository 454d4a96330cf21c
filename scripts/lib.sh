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

# True when this machine runs the 32-bit Windows program: Debian's 32-bit Wine loader starts
# (it cannot where the kernel runs no 32-bit code).
wine32_runs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# True when $DISPLAY names an X display we can talk to.
display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Runs the end-to-end harness's command line (tests/e2e/harness/__main__.py).
harness() {
  PYTHONPATH="$REPO_ROOT/tests/e2e" PYTHONDONTWRITEBYTECODE=1 "$PYTHON" -m harness "$@"
}
