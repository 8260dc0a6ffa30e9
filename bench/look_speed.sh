#!/usr/bin/env bash
# What a look costs: the benchmarks' 1 MB text (bench/speed_text.py: words,
# lines of 60 to 80 characters) into PNG pages plain, with
# --look scan, and the two again with --ground-truth --boxes, rounds
# alternating the runs, each in a folder of its own. Prints the median wall
# time, its ratio to the plain run (with truth, to the plain run with truth)
# and the peak memory. Asserts nothing.
#   bench/look_speed.sh [LUMO-RENDER] [ROUNDS] [LOOK]
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
rounds=${2:-3}
look=${3:-scan}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/timing.sh"
python3 "$(dirname "$0")/speed_text.py" "$work/text.txt"

names=("plain" "--look $look" "plain, truth" "--look $look, truth")
options=("" "--look $look" "--ground-truth GT --boxes" "--look $look --ground-truth GT --boxes")
declare -A times memory
cd "$work"
for round in $(seq "$rounds"); do
    for i in "${!names[@]}"; do
        out=$work/out-$round-$i
        mkdir "$out"
        set -- ${options[$i]//GT/$out/m.jsonl}
        timed "$i" "$render" --quiet --seed 1 --jitter-x 2 --jitter-y 2 --noise 5 "$@" text.txt "$out/p.png"
    done
done

printf '%-22s %10s %8s %10s\n' run "median s" "x plain" "peak MiB"
for i in "${!names[@]}"; do
    m=$(median "${times[$i]}")
    plain=$(median "${times[$((i / 2 * 2))]}")
    printf '%-22s %10.2f %8.1f %10.1f\n' "${names[$i]}" "$m" "$(echo "$m / $plain" | bc -l)" "$(echo "${memory[$i]} / 1024" | bc -l)"
done
