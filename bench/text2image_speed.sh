#!/usr/bin/env bash
# How fast lumo-render draws pages with their box files against tesseract's
# text2image drawing the same: the benchmarks' 1 MB text (bench/speed_text.py,
# plain ASCII words, lines ended by CR LF) into clean pages of 308 x 400
# pixels at 96 dpi in Liberation Sans (what fontconfig gives for Arial) 8 pt,
# a box file for every character. Rounds alternate text2image, lumo-render on
# every processor and lumo-render on one thread, each run in a folder of its
# own. Prints the median wall time (also per MB), the peak memory, the pages,
# box lines and character boxes each wrote, beside the characters of the text,
# and how many times longer text2image takes. Asserts nothing.
#   bench/text2image_speed.sh [LUMO-RENDER] [ROUNDS]
# LUMO-RENDER and ROUNDS may also come from LUMO_RENDER and ROUNDS (default
# build-release/cli/lumo-render and 3); SIZE is the text's size in bytes
# (default 1048576), a small one to try the script out.
#
# The pages match: text2image's --xsize and --ysize are the page in pixels,
# --margin is pixels on every side (5, where lumo-render's first column
# lies), --resolution 96 makes its 8 points 10.7 pixels as lumo-render's are,
# and --leading 1 adds the pixel that makes its lines 14 pixels apart as
# lumo-render's are. --degrade_image=false and --rotate_image=false keep its
# pages clean, as --jitter-x 0 --jitter-y 0 --noise 0 keep lumo-render's.
# lumo-render runs three ways: PNG and box files on every processor and on
# one, and the same pictures and box files as members of tar shards.
# Both then break the text into about as many pages and box the same
# characters at the same places. What differs: text2image writes one
# multi-page TIFF (1 bit a pixel, G4) and one box file with a line for every
# space too; lumo-render writes a grey PNG and a box file per page, spaces
# left out. text2image wraps at words, lumo-render at the page's edge.
set -euo pipefail
here=$(dirname "$0")
render=${1:-${LUMO_RENDER:-$here/../build-release/cli/lumo-render}}
rounds=${2:-${ROUNDS:-3}}
size=${SIZE:-1048576}
jobs=$(nproc)

if [ ! -x "$render" ]; then
    echo "no lumo-render at $render; build it first:" >&2
    echo "  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-release" >&2
    echo "or name it: LUMO_RENDER=path/to/lumo-render $0" >&2
    exit 1
fi
render=$(realpath "$render")
for tool in text2image identify; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (Debian: tesseract-ocr, imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/timing.sh"
python3 "$here/speed_text.py" "$work/text.txt" "$size"

page=(--page 308x400 --font Arial --size 8 --jitter-x 0 --jitter-y 0 --noise 0 --seed 1 --boxes)
t2i_page=(--fonts_dir /usr/share/fonts --fontconfig_tmpdir "$work/fontconfig" --font "Liberation Sans"
          --ptsize 8 --resolution 96 --xsize 308 --ysize 400 --margin 5 --leading 1
          --degrade_image=false --rotate_image=false)
mkdir "$work/fontconfig"

# One run of KEY into the folder out-KEY, made afresh.
run() {
    rm -rf "out-$1" && mkdir "out-$1"
    case $1 in
        text2image) timed "$1" text2image "${t2i_page[@]}" --text text.txt --outputbase "out-$1/t" ;;
        lumo) timed "$1" "$render" --quiet "${page[@]}" --jobs "$jobs" text.txt "out-$1/p.png" ;;
        lumo1) timed "$1" "$render" --quiet "${page[@]}" --jobs 1 text.txt "out-$1/p.png" ;;
        lumotar) timed "$1" "$render" --quiet "${page[@]}" --jobs "$jobs" text.txt "out-$1/p.tar" ;;
    esac > /dev/null
}

declare -A times memory
cd "$work"
# Untimed, so that no round pays for fontconfig's cache of the fonts folder.
head -c 4096 text.txt > warm.txt
text2image "${t2i_page[@]}" --text warm.txt --outputbase warm > /dev/null 2>&1
"$render" --quiet "${page[@]}" warm.txt warm.png > /dev/null
for _ in $(seq "$rounds"); do
    for key in text2image lumo lumo1 lumotar; do
        run "$key"
    done
done

# What each wrote in its last round: pages, box lines, boxes of characters
# (not of a space, nor the tab that ends a line), and bytes.
pages[0]=$(identify -ping out-text2image/t.tif | wc -l)
lines[0]=$(wc -l < out-text2image/t.box)
boxes[0]=$(grep -cv $'^[ \t]' out-text2image/t.box)
bytes[0]=$(cat out-text2image/* | wc -c)
keys=(text2image lumo lumo1 lumotar)
for i in 1 2; do
    out=out-${keys[$i]}
    png=("$out"/*.png)
    pages[i]=${#png[@]}
    lines[i]=$(cat "$out"/*.box | wc -l)
    boxes[i]=$(cat "$out"/*.box | grep -cv $'^[ \t]')
    bytes[i]=$(cat "$out"/* | wc -c)
done
# The shards' pictures and box files, as members.
pages[3]=$(for shard in out-lumotar/*.tar; do tar -tf "$shard"; done | grep -c '\.png$')
lines[3]=$(for shard in out-lumotar/*.tar; do tar -xOf "$shard" --wildcards '*.box'; done | wc -l)
boxes[3]=$(for shard in out-lumotar/*.tar; do tar -xOf "$shard" --wildcards '*.box'; done | grep -cv $'^[ \t]')
bytes[3]=$(cat out-lumotar/* | wc -c)

names=("text2image" "lumo-render --jobs $jobs" "lumo-render --jobs 1" "lumo-render .tar --jobs $jobs")
mb=$(echo "$size / 1048576" | bc -l)
printf 'text: %d bytes (%.2f MB), %d characters other than spaces and line ends; %d rounds\n' \
    "$size" "$mb" "$(tr -d ' \r\n\t' < text.txt | wc -c)" "$rounds"
printf '%-22s %9s %9s %9s %7s %10s %10s %10s\n' run "median s" "s per MB" "peak MiB" pages "box lines" \
    "char boxes" "MiB out"
for i in "${!keys[@]}"; do
    m=$(median "${times[${keys[$i]}]}")
    printf '%-22s %9.2f %9.2f %9.1f %7d %10d %10d %10.1f\n' "${names[$i]}" "$m" "$(echo "$m / $mb" | bc -l)" \
        "$(echo "${memory[${keys[$i]}]} / 1024" | bc -l)" "${pages[$i]}" "${lines[$i]}" "${boxes[$i]}" \
        "$(echo "${bytes[$i]} / 1048576" | bc -l)"
done
t2i=$(median "${times[text2image]}")
for i in 1 2 3; do
    m=$(median "${times[${keys[$i]}]}")
    # A tiny SIZE may take lumo-render less than the 10 ms time counts.
    if [ "$(echo "$m > 0" | bc)" = 1 ]; then
        printf 'text2image / %s: %.1f\n' "${names[$i]}" "$(echo "$t2i / $m" | bc -l)"
    else
        printf 'text2image / %s: - (under 0.01 s)\n' "${names[$i]}"
    fi
done
