#!/usr/bin/env bash
# Whether two builds of lumo-render write the same bytes: every picture, box
# file, line image, line text, outlined picture and manifest over a spread of
# settings (pages, one picture, PDF, tar shards, fonts, styles, charsets,
# UTF-8, jitter, noise, variants, looks). Prints one line a run and exits 1
# when any file differs.
# LUMO_SAME_EXCEPT=PATTERN leaves the files whose path matches the grep
# pattern out (a change meant to alter them, say 'lines/.*\.png').
#   bench/same_outputs.sh OLD-LUMO-RENDER NEW-LUMO-RENDER
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/text.txt" <<'PY'
import random, sys
random.seed(5)
words = ("Lumo zeichnet jeden Buchstaben einzeln mit Rauschen und Versatz auf Seiten "
         "quick brown fox \xe4\xf6\xfc\xdf \x80 \x84 \x93\x94 \t tabs").split(" ")
lines = []
for i in range(300):
    lines.append(" ".join(random.choice(words) for _ in range(random.randint(0, 12))))
text = "\r\n".join(lines) + "\r\n\x14\n\r"
open(sys.argv[1], "w", encoding="latin-1", newline="").write(text)
PY
# A UTF-8 text of several scripts, combining marks among them.
python3 - "$work/utf8.txt" <<'PY'
import random, sys
random.seed(7)
words = ["\u03bb\u03cc\u03b3\u03bf\u03c2", "\u043c\u0438\u0440", "\u03a9\u03bc\u03ad\u03b3\u03b1",
         "\u0434\u043e\u043c", "caf\u00e9", "e\u0301t\u0301e", "Stra\u00dfe", "quick", "brown"]
lines = [" ".join(random.choice(words) for _ in range(random.randint(0, 9))) for _ in range(150)]
open(sys.argv[1], "w", encoding="utf-8", newline="").write("\r\n".join(lines) + "\n")
PY

runs=(
  "--seed 1 text.txt out.png"
  "--seed 2 --page 200x150 --jitter-x 3 --jitter-y 4 --noise 12 text.txt out.png"
  "--seed 3 --one-picture --page 300x100 --noise 5 text.txt out.bmp"
  "--seed 4 --size 14 --style BI --color navy --background \\#ffeecc text.txt out.jpg"
  "--seed 5 --font DejaVu\\ Serif --size 10 --jitter-x 2 text.txt out.png"
  "--seed 6 --charset 204 --jitter-y 2 text.txt out.png"
  "--seed 7 --page 250x200 --noise 3 text.txt out.pdf"
  "--seed 8 --page 250x200 --ground-truth m.jsonl --boxes --overlay --lines lines text.txt out.png"
  "--seed 9 --one-picture --ground-truth m.jsonl --boxes --lines lines text.txt out.png"
  "--seed 10 --page 250x200 --ground-truth m.jsonl --boxes --overlay text.txt out.pdf"
  "--seed 11 --variants 3 --page 300x300 --jitter-x 1 --ground-truth m.jsonl --boxes text.txt out.png"
  "--seed 12 --size 0 --noise 30 text.txt out.png"
  "--seed 13 --jobs 1 --page 200x100 --ground-truth m.jsonl text.txt out.bmp"
  "--seed 14 --look scan --page 300x300 --ground-truth m.jsonl --boxes --lines lines text.txt out.png"
  "--seed 15 --look photocopy --page 300x300 --background \\#f0e0c0 --color navy text.txt out.png"
  "--seed 16 --look worn --jobs 1 --ground-truth m.jsonl --boxes text.txt out.png"
  "--seed 17 --look print --rotate 8 --warp 5 --ink-weight -1 --page 300x200 --ground-truth m.jsonl text.txt out.png"
  "--seed 18 --page 300x300 --ground-truth m.jsonl --boxes --lines lines --shard-size 7 text.txt out.tar"
  "--seed 19 --encoding utf-8 --look scan --page 300x300 --ground-truth m.jsonl --boxes utf8.txt out.png"
)

status=0
for i in "${!runs[@]}"; do
    for side in old new; do
        dir=$work/$side-$i
        mkdir -p "$dir"
        cp "$work/text.txt" "$work/utf8.txt" "$dir/"
        binary=$old
        [ "$side" = new ] && binary=$new
        if ! (cd "$dir" && eval "\"$binary\" --quiet ${runs[$i]}"); then
            echo "run $i failed with $side" >&2
            status=1
        fi
        rm "$dir/text.txt" "$dir/utf8.txt"
    done
    # A PDF holds the second it was made in.
    find "$work/old-$i" "$work/new-$i" -name '*.pdf' -exec sed -i 's/CreationDate (D:[0-9]*Z)/CreationDate (D:00000000000000Z)/' {} +
    except=${LUMO_SAME_EXCEPT:-^$}
    # diff exits 1 on a difference and grep 1 on no line: neither is a failure here.
    differences=$(diff -r -q "$work/old-$i" "$work/new-$i" | grep -v -e "$except" || true)
    if [ -z "$differences" ]; then
        echo "same     ${runs[$i]} ($(find "$work/new-$i" -type f | wc -l) files)"
    else
        echo "DIFFERS  ${runs[$i]}"
        head -5 <<< "$differences"
        status=1
    fi
done
exit $status
