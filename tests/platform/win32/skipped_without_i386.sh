#!/bin/sh
# On a kernel that runs no 32-bit programs the shipped build's tests are
# reported as skipped, with the reason, and never as passed.
#   skipped_without_i386.sh CTEST BUILD_DIR
out=$(TIVREL_PRETEND_NO_I386=1 "$1" --test-dir "$2" -R '^tivrel_core_tests$' -V 2>&1)
echo "$out"
echo "$out" | grep -q 'tivrel_core_tests .*\*\*\*Skipped' &&
  echo "$out" | grep -q '^[0-9]*: skipped: this kernel runs no 32-bit x86 programs'
