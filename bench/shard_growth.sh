#!/usr/bin/env bash
# How tar shards and PNG files grow with the text: the benchmarks' text
# (bench/speed_text.py) of each size into tar shards and into PNG files,
# both with the manifest and box files, rounds alternating, each run in a
# fresh folder that is removed before the next. Prints per size and output
# the median wall time, the time per MB, the peak memory, the files written
# and their size, and how many times faster the shards are.
#   bench/shard_growth.sh [LUMO-RENDER] [SIZES_MB] [ROUNDS]
#   e.g. bench/shard_growth.sh build-release/cli/lumo-render "1 10 100" 3
# The 100 MB runs write some 17 GB each; sizes of 100 MB or more run once.
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
sizes=${2:-1 10}
rounds=${3:-3}
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/timing.sh"
declare -A times memory files bytes
cd "$work"

# The files and bytes a run left, kept for the table.
count_output() {
    files[$1]=$(find out -type f | wc -l)
    bytes[$1]=$(du -sb out | cut -f1)
}

for size in $sizes; do
    python3 "$here/speed_text.py" text.txt $((size * 1048576))
    size_rounds=$rounds
    [ "$size" -ge 100 ] && size_rounds=1
    for round in $(seq "$size_rounds"); do
        for output in tar png; do
            rm -rf out && mkdir out
            timed "$size-$output" "$render" --quiet --seed 1 --ground-truth out/m.jsonl --boxes text.txt "out/p.$output"
            count_output "$size-$output"
        done
    done
    rm -rf out
done

printf '%8s %-6s %10s %10s %10s %9s %9s %10s\n' "text MB" output "median s" "s per MB" "peak MiB" files "GB out" "PNG / tar"
for size in $sizes; do
    tar=$(median "${times[$size-tar]}")
    for output in tar png; do
        m=$(median "${times[$size-$output]}")
        printf '%8s %-6s %10.2f %10.3f %10.1f %9s %9.2f %10s\n' "$size" "$output" "$m" "$(echo "$m / $size" | bc -l)" \
            "$(echo "${memory[$size-$output]} / 1024" | bc -l)" "${files[$size-$output]}" \
            "$(echo "${bytes[$size-$output]} / 1000000000" | bc -l)" \
            "$([ "$output" = png ] && printf '%.2f' "$(echo "$m / $tar" | bc -l)" || echo -)"
    done
done
