#!/usr/bin/env bash
# The same split on one machine or over ssh with GNU parallel: 4 tasks of
# 250 seeds each, two at a time (add --sshlogin to spread them over hosts
# that see the same folder).
#   docs/scale/gnu-parallel.sh [TEXT] [OUT]
set -euo pipefail
TEXT=${1:-text.txt}
OUT=${2:-dataset}
PER_TASK=250
mkdir -p "$OUT"
export TEXT OUT PER_TASK
seq 0 3 | parallel --jobs 2 --halt now,fail=1 \
    'lumo-render --jobs 1 --quiet --seed-range $(({} * PER_TASK)):$PER_TASK --look scan \
         --ground-truth "$OUT/manifest-{}.jsonl" --boxes "$TEXT" "$OUT/page.tar"'
