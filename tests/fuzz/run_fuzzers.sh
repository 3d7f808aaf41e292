#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build (cmake --preset fuzz): first every committed input once
# as a plain run (the seed corpus and every crash ever found), then a bounded fuzzing session
# per target, two at a time. New inputs go to a working corpus in the build folder, so the
# committed corpus never changes. Fails if any target crashes or breaks a property.
#
# Usage: tests/fuzz/run_fuzzers.sh [build folder] [seconds per target]
set -euo pipefail

source_dir="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-build/fuzz}" && pwd)"
seconds="${2:-25}"
bin="$build/tests/fuzz"
work="$build/fuzz-runs"

# Each target with the longest input worth trying.
max_len_helper_output=256   # the helper prints one short line
max_len_scene_list=4096     # a few dozen scenes; longer only slows every run
max_len_night_snapshot=256  # four numbers
max_len_ddc_reply=160       # the feature byte and the longest message a length byte can announce
max_len_display_list=2048   # more lines than the monitors taken, each with a long name
max_len_input_sources=1100  # every byte's code once
max_len_capabilities=1024   # a long monitor's string, twice over
targets=(helper_output display_list scene_list night_snapshot ddc_reply input_sources capabilities)

rm -rf "$work"
mkdir -p "$work"

# Every committed input of a target: its seed corpus and the crashes kept as regressions.
committed_inputs() {
    local target=$1 dir
    for dir in "$source_dir/corpus/$target" "$source_dir/regressions/$target"; do
        [ -d "$dir" ] && find "$dir" -type f | sort
    done
    return 0
}

replay() {
    local target=$1
    local inputs
    mapfile -t inputs < <(committed_inputs "$target")
    if [ ${#inputs[@]} -eq 0 ]; then
        echo "fuzz: $target has no committed inputs" >&2
        return 1
    fi
    # Given files, libFuzzer runs each once, exactly as it is, and stops.
    if ! (cd "$work" && "$bin/fuzz_$target" -timeout=10 "${inputs[@]}") >"$work/$target-replay.log" 2>&1; then
        echo "fuzz: $target FAILED on a committed input:" >&2
        # From the input that failed on.
        awk '/^Running: /{report=""} {report=report $0 "\n"} END{printf "%s", report}' \
            "$work/$target-replay.log" >&2
        return 1
    fi
    echo "fuzz: $target replayed ${#inputs[@]} committed inputs"
}

fuzz() {
    local target=$1
    local max_len_var="max_len_$target"
    local options=(-max_total_time="$seconds" -max_len="${!max_len_var}" -timeout=10
        -artifact_prefix="$work/$target-" -print_final_stats=1)
    [ -f "$source_dir/$target.dict" ] && options+=(-dict="$source_dir/$target.dict")
    local dirs=("$work/$target-corpus" "$source_dir/corpus/$target")
    [ -d "$source_dir/regressions/$target" ] && dirs+=("$source_dir/regressions/$target")
    mkdir -p "$work/$target-corpus"
    # The first folder is the only one libFuzzer writes to.
    if (cd "$work" && "$bin/fuzz_$target" "${options[@]}" "${dirs[@]}") >"$work/$target.log" 2>&1; then
        local runs coverage
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
        coverage=$(grep -o 'DONE *cov: [0-9]*' "$work/$target.log" | grep -o '[0-9]*$' || true)
        echo "fuzz: $target ran $runs inputs in ${seconds} s (coverage $coverage), no crash"
        return 0
    fi
    echo "fuzz: $target FAILED; its report:" >&2
    grep -v '^#[0-9]' "$work/$target.log" | tail -n 60 >&2
    local artifact
    for artifact in "$work/$target"-crash-* "$work/$target"-leak-* "$work/$target"-timeout-* \
        "$work/$target"-oom-*; do
        [ -f "$artifact" ] || continue
        echo "fuzz: the input is $artifact; keep it in tests/fuzz/regressions/$target/. Its bytes:" >&2
        od -A d -t x1z -v "$artifact" | head -n 64 >&2
    done
    return 1
}

for target in "${targets[@]}"; do
    if [ ! -x "$bin/fuzz_$target" ]; then
        echo "fuzz: $bin/fuzz_$target is missing; build the fuzz preset first" >&2
        exit 1
    fi
done

failed=0
replayed=()
for target in "${targets[@]}"; do
    if replay "$target"; then
        replayed+=("$target")
    else
        failed=$((failed + 1)) # fuzzing it would only stop on the same input again
    fi
done

# Two at a time: the machine has two cores.
pids=()
for target in "${replayed[@]}"; do
    fuzz "$target" &
    pids+=($!)
    if [ ${#pids[@]} -eq 2 ]; then
        for pid in "${pids[@]}"; do
            wait "$pid" || failed=$((failed + 1))
        done
        pids=()
    fi
done
for pid in "${pids[@]}"; do
    wait "$pid" || failed=$((failed + 1))
done

# Each target counts twice: its replay and its run.
total=$((2 * ${#targets[@]}))
echo "fuzz: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
