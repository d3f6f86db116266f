# Sourced by the benchmark scripts.

# bench_require TOOL...: exits with 2 when one of them cannot be run.
bench_require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
  done
}

# bench_work_dir DIR NAME: sets work to DIR (made when missing) or, when DIR
# is empty, to a fresh folder /tmp/NAME.XXXXXX removed when the script ends.
bench_work_dir() {
  if [ -n "$1" ]; then
    work=$1
    mkdir -p "$work"
  else
    work=$(mktemp -d "/tmp/$2.XXXXXX")
    trap 'rm -rf "$work"' EXIT
  fi
}
