# Shared by the setup, test and demo scripts: numbered steps that say what
# they do, and say which step and which command failed when one does.
set -euo pipefail

KRV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KRV_DEPS_DIR="${KRV_DEPS_DIR:-$HOME/.cache/krvsfx-deps}"
KRV_BUILD="$KRV_ROOT/build"
export KRV_ROOT KRV_DEPS_DIR KRV_BUILD
# The compiler cache lives with the other cached dependencies; paths inside
# the checkout are hashed relative to it, and the working folder is left out,
# so that another clone of the same sources hits the same entries.
export CCACHE_DIR="${CCACHE_DIR:-$KRV_DEPS_DIR/ccache}" CCACHE_BASEDIR="$KRV_ROOT" CCACHE_NOHASHDIR=1

krv_step_no=0
# step "<what it does>" <command...>
step() {
  local what="$1"; shift
  krv_step_no=$((krv_step_no + 1))
  echo "==> [$krv_step_no] $what"
  local started=$SECONDS
  if ! "$@"; then
    echo "!!! step $krv_step_no failed after $((SECONDS - started)) s: $what" >&2
    echo "!!! command: $*" >&2
    exit 1
  fi
  echo "    step $krv_step_no took $((SECONDS - started)) s"
}

say() { echo "    $*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
