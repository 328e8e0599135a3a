#!/usr/bin/env bash
# Builds every benchmark program (RelWithDebInfo, in build-bench) and runs them one after the
# other, then prints one table of every figure: figure, target, measured, program.
#
#   scripts/bench.sh           short runs (a few minutes in all)
#   scripts/bench.sh --full    the 60-second figures (processor use while polling and recording,
#                              line rate)
#
# A benchmark reports a figure by printing one line
#   BENCH<TAB>figure<TAB>target<TAB>measured
# beside its own output; a new program in bench/<folder>/ named bench_* is picked up by itself.
# bench_convert runs corvilab-cli convert and bench/convert_csv.py (python3) side by side on one
# generated file and reports the script's processor time over the converter's.
# Benchmarks are not tests: a slow figure does not fail this script, a program that fails does.
set -euo pipefail

full=0
case "${1:-}" in
--full) full=1 ;;
"") ;;
*)
    echo "usage: $0 [--full]" >&2
    exit 2
    ;;
esac

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-bench
# The benchmarks that start the desktop program remember their choices here, not in yours.
export XDG_CONFIG_HOME=$build/config
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVILAB_TESTS=OFF \
    -DCORVILAB_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$jobs"

# Seconds of measuring for the programs that take them, short and --full.
arguments() {
    case "$1" in
    bench_polling | bench_panel | bench_graphs | bench_unplugged) [ $full -eq 1 ] && echo 60 || echo 10 ;;
    bench_logger_download) [ $full -eq 1 ] && echo 60 || echo 5 ;;
    # 30 s for each crowd; 10 s or 60 s of corvilab-cli recording with nobody asking.
    bench_serve) [ $full -eq 1 ] && echo "30 60" || echo "30 10" ;;
    *) echo "" ;;
    esac
}

logs=$build/bench-logs
rm -rf "$logs"
mkdir -p "$logs"
mapfile -t programs < <(find "$build/bench" -type f -executable -name 'bench_*' | sort)
failed=()
silent=()
for program in "${programs[@]}"; do
    name=$(basename "$program")
    args=$(arguments "$name")
    echo "== $name $args"
    status=0
    # shellcheck disable=SC2086 # the arguments are words on purpose
    QT_QPA_PLATFORM=offscreen timeout 900 "$program" $args 2>&1 | tee "$logs/$name.log" ||
        status=$?
    [ "$status" -eq 0 ] || failed+=("$name (exit $status; output in $logs/$name.log)")
    grep -q $'^BENCH\t' "$logs/$name.log" || silent+=("$name")
done

echo
echo "Benchmarks ($([ $full -eq 1 ] && echo full || echo short) runs):"
{
    printf 'figure\ttarget\tmeasured\tprogram\n'
    for program in "${programs[@]}"; do
        name=$(basename "$program")
        awk -F'\t' -v p="$name" '$1 == "BENCH" { print $2 "\t" $3 "\t" $4 "\t" p }' \
            "$logs/$name.log"
    done
} | awk -F'\t' '
    { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
    END {
        for (r = 1; r <= NR; ++r) {
            line = ""
            for (i = 1; i <= 4; ++i) line = line sprintf("%-" w[i] "s  ", cell[r, i])
            sub(/ +$/, "", line); print line
            if (r == 1) {
                line = ""
                for (i = 1; i <= 4; ++i) {
                    rule = sprintf("%" w[i] "s", ""); gsub(/ /, "-", rule)
                    line = line (i > 1 ? "  " : "") rule
                }
                print line
            }
        }
    }'
if [ ${#silent[@]} -ne 0 ]; then
    echo "Programs without a BENCH line: ${silent[*]}"
fi
if [ ${#failed[@]} -ne 0 ]; then
    echo "Benchmarks that failed:" >&2
    printf '  %s\n' "${failed[@]}" >&2
    exit 1
fi
