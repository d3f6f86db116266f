#!/usr/bin/env bash
# Exit 0 when this machine can start a 32-bit x86 Linux program (natively or
# through binfmt_misc): the 32-bit dynamic loader answers --version.
#   scripts/can-run-i386.sh --natively   exit 0 only when the processor runs
#       it itself, with no qemu-i386 registered in between: there the shipped
#       PE32 stub runs a whole update under Wine (under qemu-user its worker
#       threads die, see README)
if [ "${1:-}" = --natively ] && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
  exit 1
fi
/lib/ld-linux.so.2 --version >/dev/null 2>&1
