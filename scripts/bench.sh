#!/usr/bin/env bash
# Builds the benchmarks, runs them and prints one table: figure, value, unit, goal, pass or miss.
# Benchmarks measure; they are not tests. Figures are medians over several rounds; on a busy
# machine they move, so compare runs taken under the same load.
#
#   scripts/bench.sh [--rounds N] [--seconds S] [--monitors N] [--against <commit>]
#
#   --rounds N          rounds per figure (default 3; the in-process drag takes 5 at least)
#   --seconds S         length of each idle measurement (default 60)
#   --monitors N        the real program runs with N simulated monitors (default 1)
#   --against <commit>  also builds that commit (default preset, in a folder of its own under
#                       ${TMPDIR:-/tmp}, kept for the next run) and prints every figure it has as a
#                       ratio new/old: above 1 means the current tree is worse. The real-program
#                       figures of both are taken with the current tree's driver.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

rounds=3
seconds=60
against=""
monitors=1
while [ $# -gt 0 ]; do
    case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --against) against="$2"; shift 2 ;;
    --monitors) monitors="$2"; shift 2 ;;
    *) echo "usage: scripts/bench.sh [--rounds N] [--seconds S] [--monitors N] [--against <commit>]" >&2; exit 2 ;;
    esac
done

# Two cores are plenty for these builds and leave the machine usable.
jobs=2

scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target bench -j "$jobs"

work="$(mktemp -d "${TMPDIR:-/tmp}/velmar-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

# measure <build dir> <figures file> [bare tray program]: runs every benchmark the build has and
# appends "name<TAB>value<TAB>unit" lines; each benchmark's own report goes to the terminal.
measure() {
    local build="$1" out="$2" bare="${3:-}"
    local bench="$build/benchmarks" log="$work/log"
    : >"$out"
    run() {
        echo "-- $*"
        "$@" | tee "$log" || echo "-- $(basename "$1") failed; its figures are missing"
        grep -P '^BENCH\t' "$log" | cut -f2- >>"$out" || true
    }
    [ -x "$bench/bench_refresh" ] && run "$bench/bench_refresh" 30
    [ -x "$bench/bench_monitors" ] && run "$bench/bench_monitors" "$((rounds > 5 ? rounds : 5))"
    [ -x "$bench/bench_drag" ] && run "$bench/bench_drag" "$((rounds > 5 ? rounds : 5))"
    [ -x "$bench/bench_adaptive_idle" ] && run "$bench/bench_adaptive_idle" "$seconds"
    [ -x "$bench/bench_schedule" ] && run "$bench/bench_schedule"
    [ -x "$bench/bench_helper" ] && run "$bench/bench_helper"
    local driver=(build/default/benchmarks/bench_desktop --program "$build/bin/velmar-monitor"
        --rounds "$rounds" --seconds "$seconds" --monitors "$monitors")
    [ -n "$bare" ] && driver+=(--bare "$bare")
    # A virtual X server and a session bus of their own: no desktop of the user's is touched, and
    # the single instance is claimed on a bus nobody else uses.
    run env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "${driver[@]}"
}

# name|title|unit|goal ("<= N", "< N", "= N" or "" for a figure reported without one)
figures=(
    "refresh_overhead|full refresh, above the 250 ms pacing floor|ms|"
    "refresh_helper_runs|  helper runs in a full refresh|runs|"
    "monitors_write_one|brightness write, one monitor (60 ms helper)|ms|"
    "monitors_write_linked|  linked to a second monitor, both written|x one|< 1.5"
    "monitors_refresh_one|full refresh, one of two monitors (60 ms helper)|ms|"
    "monitors_refresh_both|  both monitors at once|x one|< 1.5"
    "drag_steady|steady 2 s drag at 60 moves/s: helper runs|runs|= 1"
    "drag_rests|2 s drag with two 200 ms rests: helper runs|runs|= 3"
    "rss_idle|resident memory, idle before opening anything|MiB|"
    "rss_after|resident memory, idle after panel and window|MiB|<= 35"
    "rss_bare|resident memory, bare Qt tray program|MiB|"
    "window_open_first|second launch to the window on screen, first time|ms|"
    "window_open_again|  again, after closing released its memory|ms|"
    "wakeups_idle|wake-ups, adaptive off, before opening|per min|= 0"
    "wakeups_after|wake-ups, adaptive off, after panel and window|per min|= 0"
    "cpu_idle|CPU, adaptive off, before opening|%|"
    "cpu_after|CPU, adaptive off, after panel and window|%|"
    "adaptive_cpu|CPU, adaptive on, steady panel (program)|%|< 0.1"
    "adaptive_wakeups|wake-ups, adaptive on, steady panel (program)|per min|"
    "adaptive_cpu_controller|CPU, adaptive on, steady panel (controller)|%|< 0.1"
    "schedule_wakeups|wake-ups, following the schedule between points|per min|= 0"
    "schedule_cpu|CPU, following the schedule between points|%|< 0.1"
    "schedule_writes_per_hour|monitor writes per hour, during a move|per h|<= 60"
    "startup_tray|start-up: exec to tray icon embedded|ms|"
    "startup_refresh|start-up: exec to first refresh finished|ms|"
    "startup_helper_runs|  helper runs in the start-up refresh|runs|"
    "helper_get_warm|helper get, display remembered (simulated bus)|ms|<= 45"
    "helper_set_warm|helper set, display remembered (simulated bus)|ms|<= 15"
    "helper_get_cold|helper get, first run: detection|ms|"
    "helper_detections_warm|helper detections per refresh, warm|runs|= 0"
    "helper_detections_moved|helper detections after the monitor moved|runs|= 1"
    "helper_list_two_warm|helper display list of two, remembered|ms|<= 150"
    "helper_list_two_warm_bus_edid|  the same, EDIDs read on the buses|ms|<= 150"
    "helper_list_detections_warm|  helper detections in warm listings|runs|= 0"
)

value_of() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' "$2"; }

print_table() {
    local file="$1"
    printf '%-50s %10s  %-8s %-7s %s\n' "figure" "value" "unit" "goal" "result"
    local entry name title unit goal value result
    for entry in "${figures[@]}"; do
        IFS='|' read -r name title unit goal <<<"$entry"
        value="$(value_of "$name" "$file")"
        if [ -z "$value" ]; then
            printf '%-50s %10s  %-8s %-7s %s\n' "$title" "—" "$unit" "${goal:-—}" "skipped"
            continue
        fi
        result="—"
        if [ -n "$goal" ]; then
            result="$(awk -v v="$value" -v g="$goal" 'BEGIN {
                split(g, p, " "); op = p[1]; x = p[2] + 0; v += 0
                ok = (op == "<=") ? v <= x : (op == "<") ? v < x : v == x
                print ok ? "pass" : "MISS" }')"
        fi
        printf '%-50s %10s  %-8s %-7s %s\n' "$title" "$value" "$unit" "${goal:-—}" "$result"
    done
}

print_ratios() {
    local new="$1" old="$2"
    printf '%-50s %10s %10s  %-8s %s\n' "figure" "new" "old" "unit" "new/old"
    local entry name title unit goal a b ratio
    for entry in "${figures[@]}"; do
        IFS='|' read -r name title unit goal <<<"$entry"
        [ "$name" = rss_bare ] && continue # the same program on both sides
        a="$(value_of "$name" "$new")"
        b="$(value_of "$name" "$old")"
        if [ -z "$a" ]; then
            ratio="skipped (not measured here)"
        elif [ -z "$b" ]; then
            ratio="skipped (the old one lacks it)"
        else
            ratio="$(awk -v a="$a" -v b="$b" 'BEGIN {
                a += 0; b += 0
                if (b == 0) print (a == 0) ? "1.00 (both 0)" : "worse (old 0)"
                else printf "%.2f\n", a / b }')"
        fi
        printf '%-50s %10s %10s  %-8s %s\n' "$title" "${a:-—}" "${b:-—}" "$unit" "$ratio"
    done
}

echo "== current tree ($(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . || echo ', with changes')) =="
measure build/default "$work/new" build/default/benchmarks/bench_bare_tray

if [ -n "$against" ]; then
    sha="$(git rev-parse --verify "$against^{commit}")"
    old="${TMPDIR:-/tmp}/velmar-bench-${sha:0:12}"
    echo "== $against (${sha:0:12}) in $old =="
    if [ ! -f "$old/src/CMakeLists.txt" ]; then
        mkdir -p "$old/src"
        git archive "$sha" | tar -x -C "$old/src"
    fi
    # The current benchmarks, built against the old code where they still compile.
    rm -rf "$old/src/benchmarks"
    cp -r benchmarks "$old/src/benchmarks"
    grep -q 'add_subdirectory(benchmarks)' "$old/src/CMakeLists.txt" ||
        echo 'add_subdirectory(benchmarks)' >>"$old/src/CMakeLists.txt"
    (cd "$old/src" && cmake --preset default >/dev/null)
    cmake --build "$old/src/build/default" --target velmar-monitor m1ddc -j "$jobs"
    for target in bench_refresh bench_monitors bench_drag bench_adaptive_idle bench_schedule bench_helper; do
        rm -f "$old/src/build/default/benchmarks/$target"
        cmake --build "$old/src/build/default" --target "$target" -j "$jobs" >"$work/old-$target.log" 2>&1 ||
            echo "-- $target does not build against $against: its figures are skipped"
    done
    measure "$old/src/build/default" "$work/old"
fi

echo
echo "Figures are medians of $rounds rounds (idle windows of $seconds s) on $(nproc) cores;"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
echo
print_table "$work/new"
if [ -n "$against" ]; then
    echo
    echo "Against $against (${sha:0:12}):"
    print_ratios "$work/new" "$work/old"
fi
