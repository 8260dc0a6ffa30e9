#!/usr/bin/env bash
# How fast lumo-render draws text in other scripts: 1 MB of Latin text read
# as 8-bit and as UTF-8, and 1 MB of Chinese text (UTF-8, about 330,000
# characters), each into PNG pages of 308 x 400 at 8 pt with jitter 2 and
# noise 5. Rounds alternate the runs; prints the median wall time, the
# characters drawn a second and the peak memory of each. Asserts nothing.
#   bench/scripts_speed.sh [LUMO-RENDER] [ROUNDS]
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
random.seed(7)
words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua Lumo zeichnet Text").split()
def lines(pick, size, encode):
    out, total = [], 0
    while total < size:
        line = pick()
        out.append(line)
        total += len(encode(line)) + 2
    return "\r\n".join(out) + "\r\n"
# Paragraphs that fill their lines and wrap, as prose does in both scripts.
latin = lines(lambda: " ".join(random.choice(words) for _ in range(random.randint(8, 30))), 1 << 20,
              lambda s: s.encode())
open(f"{work}/latin.txt", "w", newline="").write(latin)
# The 3,500 most common ideographs are not known here by frequency: take
# that many from the block the font covers, each as likely as the next.
ideographs = [chr(c) for c in range(0x4E00, 0x4E00 + 3500)]
chinese = lines(lambda: "".join(random.choice(ideographs) for _ in range(random.randint(30, 110))), 1 << 20,
                lambda s: s.encode())
open(f"{work}/chinese.txt", "w", encoding="utf-8", newline="").write(chinese)
print(len(latin.replace("\r\n", "")), len(chinese.replace("\r\n", "")), file=open(f"{work}/counts", "w"))
PY
read -r latinChars chineseChars < "$work/counts"

names=("Latin, 8-bit" "Latin, UTF-8" "Chinese, UTF-8")
options=("latin.txt" "--encoding utf-8 latin.txt" "--encoding utf-8 --font WenQuanYi\ Micro\ Hei --missing-glyphs skip chinese.txt")
chars=("$latinChars" "$latinChars" "$chineseChars")
declare -A times memory pages
cd "$work"
for round in $(seq "$rounds"); do
    for i in "${!names[@]}"; do
        # Every run writes into a folder of its own and nothing is deleted
        # until the end: ext4 makes a file slow to create for minutes after
        # files near it were deleted.
        out=$work/out-$round-$i
        mkdir "$out"
        eval "set -- ${options[$i]}"
        /usr/bin/time -f "%e %M" -o "$work/time" "$render" --quiet --seed 1 --jitter-x 2 --jitter-y 2 --noise 5 \
            "$@" "$out/p.png" 2>/dev/null < /dev/null || { echo "run failed: ${names[$i]}" >&2; exit 1; }
        read -r seconds kib < "$work/time"
        times[$i]+="$seconds "
        memory[$i]=$kib
        pages[$i]=$(find "$out" -name '*.png' | wc -l)
    done
done

printf '%-16s %8s %10s %14s %12s\n' text pages "median s" "characters/s" "peak MiB"
for i in "${!names[@]}"; do
    median=$(tr ' ' '\n' <<< "${times[$i]}" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    printf '%-16s %8s %10.2f %14.0f %12.1f\n' "${names[$i]}" "${pages[$i]}" "$median" "$(echo "${chars[$i]} / $median" | bc -l)" \
        "$(echo "${memory[$i]} / 1024" | bc -l)"
done
