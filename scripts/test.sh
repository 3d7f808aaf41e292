#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under
# AddressSanitizer and UBSan. Fails if either build or any test fails. The sanitizers' options
# are in the asan test preset, so running its ctest by hand behaves the same.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

jobs="$(nproc)"

for preset in default asan; do
    echo "== $preset build =="
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests =="
    ctest --preset "$preset" -j "$jobs"
done
