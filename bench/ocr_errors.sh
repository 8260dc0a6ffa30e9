#!/usr/bin/env bash
# How jitter and noise change what tesseract reads: a text of 40 lines drawn
# in Arial 12 pt at jitter 0 to 3 and noise 0, 5 and 10, cut into line images
# with lumo-render --lines, each read by tesseract as one line. Prints the
# characters read wrong (edit distance) against the line texts, in percent.
#   bench/ocr_errors.sh [LUMO-RENDER]
set -euo pipefail
render=${1:-$(dirname "$0")/../build/cli/lumo-render}
command -v tesseract >/dev/null || { echo "tesseract is not installed (tesseract-ocr, tesseract-ocr-eng)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/ocr_text.py" "$work/text.txt"

printf 'jitter'
for noise in 0 5 10; do printf ' | noise %s' "$noise"; done
echo
for jitter in 0 1 2 3; do
    printf '%s' "$jitter"
    for noise in 0 5 10; do
        dir=$work/j$jitter-n$noise
        mkdir -p "$dir"
        "$render" --quiet --seed 1 --size 12 --page 600x1000 --jitter-x "$jitter" --jitter-y "$jitter" \
            --noise "$noise" --lines "$dir/lines" "$work/text.txt" "$dir/page.png"
        for image in "$dir"/lines/*.png; do
            tesseract "$image" stdout --psm 7 -l eng 2>/dev/null | head -n 1 > "${image%.png}.read"
        done
        printf ' | %s %%' "$(python3 "$(dirname "$0")/cer.py" "$dir/lines")"
    done
    echo
done
