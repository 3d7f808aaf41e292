#!/usr/bin/env bash
# Builds the gallery and draws every panel, dialog and control state in a light and a dark
# palette: PNG sheets in build/<preset>/gallery/, or in the folder given after the preset.
#   scripts/gallery.sh [preset] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-default}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target velmar-gallery
build/"$preset"/bin/velmar-gallery ${2:+"$2"}
