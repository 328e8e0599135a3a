#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz (only the core library and the
# targets, with AddressSanitizer and UBSan) and runs each for SECONDS_PER_TARGET seconds on a
# copy of its seed corpus in fuzz/corpus/<target>/. Prints executions and coverage per target.
# Fails when a target crashes, hangs or breaks one of its checks, naming the input that did it.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     default 30
set -euo pipefail

seconds=${1:-30}
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)
targets=(fuzz_live_packet fuzz_line_reader fuzz_status_reply fuzz_logger_sets fuzz_manual_entries fuzz_data_file
         fuzz_http_request fuzz_calibration)

# Debug keeps Qt's own bounds assertions; -O1 keeps the executions per second up.
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCORVILAB_FUZZ=ON -DCORVILAB_TESTS=OFF \
    -DCORVILAB_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

run=$build/run
failed=()
summary=()
for target in "${targets[@]}"; do
    work=$run/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    # The committed corpus stays as it is: the run grows its own copy.
    cp "$here/fuzz/corpus/$target/"* "$work/corpus/"
    echo "== $target: $seconds s"
    status=0
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
    features=$(grep -o 'ft: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
    inputs=$(find "$work/corpus" -type f | wc -l)
    line=$(printf '%-22s %12s executions  %6s edges  %7s features  %6s corpus' "$target" \
        "${executions:-?}" "${cov:-?}" "${features:-?}" "$inputs")
    if [ "$status" -ne 0 ]; then
        crash=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$work/log" | tail -1)
        tail -n 40 "$work/log"
        line="$line  FAILED (exit $status)"
        failed+=("$target: reproduce with $build/fuzz/$target ${crash:-<see $work/log>}")
    fi
    echo "$line"
    summary+=("$line")
done

echo
echo "Fuzzing, $seconds s a target:"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing found faults:" >&2
    printf '  %s\n' "${failed[@]}" >&2
    exit 1
fi
