#!/usr/bin/env bash
# Says whether this kernel runs 32-bit x86 programs, which Debian's 32-bit
# Wine (and so the tests of the shipped Tivrel.exe) needs. Some kernels are
# built or booted without them (no IA32 emulation, ia32_emulation=0).
#   scripts/kernel-runs-i386.sh   exit 0 if it does (or it cannot tell); exit 1
#                                 and one line on stdout saying why if not
# TIVREL_PRETEND_NO_I386=1 makes it answer no, so that the other path can be
# tried on a kernel that runs them.
set -u
if [ -n "${TIVREL_PRETEND_NO_I386:-}" ]; then
  echo "this kernel runs no 32-bit x86 programs (TIVREL_PRETEND_NO_I386 is set)"
  exit 1
fi
# The smallest static i386 program there is: one segment, exit(0) by int 0x80.
# It needs no libraries, so the answer is the kernel's alone.
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
  '\x00\x00\x00\x00' \
  '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
if why=$("$probe" 2>&1); then
  exit 0
fi
case "$why" in
  *"Exec format error"*)
    echo "this kernel runs no 32-bit x86 programs (a static i386 program: Exec format error)"
    exit 1
    ;;
esac
# Anything else (a temporary folder mounted noexec, say) says nothing of the
# kernel: the tests run, and fail where they cannot.
echo "kernel-runs-i386: could not tell (${why:-the probe exited non-zero}); assuming it does" >&2
exit 0
