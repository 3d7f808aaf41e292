#!/usr/bin/env bash
# Builds Velmar Monitor and runs it against the simulated monitor.
# The simulated monitor's state file keeps its values between runs; set
# VELMAR_SIMULATED_MONITOR to use another one.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velmar-monitor m1ddc

state_dir="${XDG_STATE_HOME:-$HOME/.local/state}/velmar-monitor"
mkdir -p "$state_dir"
export VELMAR_SIMULATED_MONITOR="${VELMAR_SIMULATED_MONITOR:-$state_dir/simulated-monitor.json}"
echo "Simulated monitor: $VELMAR_SIMULATED_MONITOR"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    # No desktop session (a server or a container): give the program a virtual one.
    exec xvfb-run -a -s "-screen 0 1280x800x24" build/default/bin/velmar-monitor "$@"
fi
exec build/default/bin/velmar-monitor "$@"
