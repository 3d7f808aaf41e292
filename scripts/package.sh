#!/usr/bin/env bash
# Builds the Debian package of Velmar Monitor (the program and its helper alone, in
# build/package) and checks it as the test suite does. Install it with
#   sudo apt install ./build/package/velmar-monitor_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset package >/dev/null
cmake --build --preset package -j 2
# A package left from an older version would be taken for this one.
rm -f build/package/*.deb
cpack --preset package
deb="$(ls build/package/*.deb)"
tests/package/check_package.sh "$deb" build/package
echo "Package: $deb"
