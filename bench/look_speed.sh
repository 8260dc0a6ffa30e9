#!/usr/bin/env bash
# What a look costs: the benchmarks' 1 MB text (generated here the same
# way: words, lines of 60 to 80 characters) into PNG pages plain, with
# --look scan, and with --look scan --ground-truth --boxes, rounds
# alternating the runs, each in a folder of its own. Prints the median wall
# time, its ratio to the plain run and the peak memory. Asserts nothing.
#   bench/look_speed.sh [LUMO-RENDER] [ROUNDS] [LOOK]
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
rounds=${2:-3}
look=${3:-scan}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/text.txt" <<'PY'
import sys
words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut "
         "labore et dolore magna aliqua Lumo zeichnet Text").split()
state, line, text = 12345, 0, []
size = 0
while size < 1 << 20:
    state = (state * 1103515245 + 12345) % 2**32
    word = words[(state >> 16) % len(words)]
    text.append(word)
    size += len(word) + 1
    line += 6
    if line > 60 + (state >> 8) % 20:
        text.append("\r\n")
        line = 0
    else:
        text.append(" ")
open(sys.argv[1], "w", newline="").write("".join(text)[: 1 << 20])
PY

names=("plain" "--look $look" "--look $look, truth")
options=("" "--look $look" "--look $look --ground-truth GT --boxes")
declare -A times memory
cd "$work"
for round in $(seq "$rounds"); do
    for i in "${!names[@]}"; do
        out=$work/out-$round-$i
        mkdir "$out"
        set -- ${options[$i]//GT/$out/m.jsonl}
        /usr/bin/time -f "%e %M" -o "$work/time" "$render" --quiet --seed 1 --jitter-x 2 --jitter-y 2 --noise 5 \
            "$@" text.txt "$out/p.png" 2>/dev/null < /dev/null || { echo "run failed: ${names[$i]}" >&2; exit 1; }
        read -r seconds kib < "$work/time"
        times[$i]+="$seconds "
        memory[$i]=$kib
    done
done

median() { tr ' ' '\n' <<< "$1" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
plain=$(median "${times[0]}")
printf '%-22s %10s %8s %10s\n' run "median s" "x plain" "peak MiB"
for i in "${!names[@]}"; do
    m=$(median "${times[$i]}")
    printf '%-22s %10.2f %8.1f %10.1f\n' "${names[$i]}" "$m" "$(echo "$m / $plain" | bc -l)" "$(echo "${memory[$i]} / 1024" | bc -l)"
done
