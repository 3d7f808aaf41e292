#!/usr/bin/env bash
# Builds Velmar Monitor and runs it against the simulated monitor.
# The simulated monitor's state file keeps its values between runs; set
# VELMAR_SIMULATED_MONITOR to use another one. `--monitors N` simulates N monitors,
# each with a state file of its own; any other argument goes to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

monitors=1
arguments=()
while [ $# -gt 0 ]; do
    case "$1" in
        --monitors)
            [ $# -ge 2 ] || { echo "run: --monitors needs a number" >&2; exit 1; }
            monitors="$2"
            shift 2
            ;;
        --monitors=*)
            monitors="${1#--monitors=}"
            shift
            ;;
        *)
            arguments+=("$1")
            shift
            ;;
    esac
done
if ! [[ "$monitors" =~ ^[1-9][0-9]*$ ]]; then
    echo "run: --monitors needs a number from 1, not \"$monitors\"" >&2
    exit 1
fi

scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velmar-monitor m1ddc

state_dir="${XDG_STATE_HOME:-$HOME/.local/state}/velmar-monitor"
mkdir -p "$state_dir"
# The first monitor keeps the file it always had; the others get files of their own beside it.
simulated="$state_dir/simulated-monitor.json"
for ((n = 2; n <= monitors; n++)); do
    simulated+=":$state_dir/simulated-monitor-$n.json"
done
export VELMAR_SIMULATED_MONITOR="${VELMAR_SIMULATED_MONITOR:-$simulated}"
echo "Simulated monitor: $VELMAR_SIMULATED_MONITOR"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    # No desktop session (a server or a container): give the program a virtual one.
    exec xvfb-run -a -s "-screen 0 1280x800x24" build/default/bin/velmar-monitor "${arguments[@]}"
fi
exec build/default/bin/velmar-monitor "${arguments[@]}"
