#!/usr/bin/env bash
# What a PDF costs against PNG files: the benchmarks' 1 MB text
# (bench/speed_text.py) into PNG pages and into one PDF, rounds alternating,
# each run in a folder of its own; then checks the last PDF with qpdf and
# that pdfimages takes out of it the pixels of the PNG pages (ImageMagick's
# compare). Prints the median wall times, their ratio and the peak memory.
#   bench/pdf_speed.sh [LUMO-RENDER] [ROUNDS]
set -euo pipefail
render=$(realpath "${1:-$(dirname "$0")/../build/cli/lumo-render}")
rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/timing.sh"
python3 "$(dirname "$0")/speed_text.py" "$work/text.txt"

declare -A times memory
cd "$work"
for round in $(seq "$rounds"); do
    for output in p.png out.pdf; do
        rm -rf "out-$output" && mkdir "out-$output"
        timed "$output" "$render" --quiet --seed 1 --jitter-x 2 --jitter-y 2 --noise 5 text.txt "out-$output/$output"
    done
done

png=$(median "${times[p.png]}")
printf '%-8s %10s %8s %10s\n' output "median s" "x PNG" "peak MiB"
for output in p.png out.pdf; do
    m=$(median "${times[$output]}")
    printf '%-8s %10.2f %8.2f %10.1f\n' "${output##*.}" "$m" "$(echo "$m / $png" | bc -l)" \
        "$(echo "${memory[$output]} / 1024" | bc -l)"
done

qpdf --check out-out.pdf/out.pdf > /dev/null && echo "qpdf --check: clean"
pdfimages -png out-out.pdf/out.pdf taken
pages=$(ls out-p.png | wc -l)
differing=0
for ((i = 0; i < pages; ++i)); do
    [ "$(compare -metric AE "$(printf 'taken-%03d.png' "$i")" "out-p.png/p$((i + 11)).png" null: 2>&1)" = 0 ] ||
        differing=$((differing + 1))
done
echo "pages: $pages, pages whose pixels differ from the PNG: $differing"
