#!/usr/bin/env bash
# Exit 0 when this machine can start a 32-bit x86 Linux program (natively or
# through binfmt_misc): the 32-bit dynamic loader answers --version.
/lib/ld-linux.so.2 --version >/dev/null 2>&1
