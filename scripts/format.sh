#!/usr/bin/env bash
# Formats every C and C++ file of src, tests and bench in place.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files 'src/*' 'tests/*' 'bench/*' | grep -E '\.(c|cpp|h)$' | xargs clang-format -i
