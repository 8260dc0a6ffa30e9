#!/usr/bin/env bash
# What tesseract reads through each --look: the text of bench/ocr_errors.sh
# (40 lines in Arial 12 pt) drawn with each look, cut into line images with
# --lines and read one line at a time; prints the characters read wrong in
# percent (bench/cer.py). With a file name second, also writes a strip of
# the same sentence in every look, one under the other (ImageMagick).
#   bench/look_ocr.sh [LUMO-RENDER] [STRIP.png]
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
strip=${2:-}
cer=$(dirname "$0")/cer.py
command -v tesseract >/dev/null || { echo "tesseract is not installed (tesseract-ocr, tesseract-ocr-eng)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_THREAD_LIMIT=${OMP_THREAD_LIMIT:-1}

python3 "$(dirname "$0")/ocr_text.py" "$work/text.txt"

echo "| look | CER % |"
echo "|---|---|"
for look in clean print scan photocopy worn; do
    dir=$work/$look
    mkdir -p "$dir"
    "$render" --quiet --seed 1 --size 12 --page 600x1000 --look "$look" --lines "$dir/lines" \
        "$work/text.txt" "$dir/page.png"
    for image in "$dir"/lines/*.png; do
        tesseract "$image" stdout --psm 7 -l eng 2>/dev/null | head -n 1 > "${image%.png}.read"
    done
    echo "| $look | $(python3 "$cer" "$dir/lines") |"
done

if [ -n "$strip" ]; then
    printf 'clean  print  scan  photocopy  worn: the same line in every look\r\n' > "$work/line.txt"
    parts=()
    for look in clean print scan photocopy worn; do
        "$render" --quiet --seed 4 --size 12 --page 460x40 --look "$look" "$work/line.txt" "$work/strip-$look.png"
        parts+=("$work/strip-$look.png")
    done
    convert "${parts[@]}" -append "$strip"
fi
