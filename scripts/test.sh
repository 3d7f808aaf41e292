#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then one under
# AddressSanitizer and UBSan; after the normal one the gallery draws every view once, so it keeps
# working. Fails if either build, any test or the gallery fails. The sanitizers' options
# are in the asan test preset, so running its ctest by hand behaves the same. Then builds the
# fuzz targets with clang, replays every committed fuzz input and fuzzes each target briefly;
# a crash fails the run.
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
    if [ "$preset" = default ]; then
        # The gallery is not a test, but it has to keep building and drawing every view.
        echo "== gallery =="
        build/default/bin/velmar-gallery >/dev/null
    fi
done

echo "== fuzz build =="
# bootstrap installs clang, so a missing one is a broken machine, not a reason to skip fuzzing.
if ! command -v clang++-14 >/dev/null 2>&1; then
    echo "test: clang++-14 is missing, so the fuzz targets cannot be built; scripts/bootstrap.sh installs it" >&2
    exit 1
fi
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
echo "== fuzz runs =="
tests/fuzz/run_fuzzers.sh build/fuzz 25
