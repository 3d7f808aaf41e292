#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under
# AddressSanitizer and UBSan. Fails if either build or any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

jobs="$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

for preset in default asan; do
    echo "== $preset build =="
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests =="
    ctest --preset "$preset" -j "$jobs"
done
