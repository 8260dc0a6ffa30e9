#!/usr/bin/env bash
# A Slurm job array that draws one text in 4 tasks of 250 seeds each:
#   sbatch docs/scale/slurm-array.sh
# Task i draws the seeds i*250 .. i*250+249 into tar shards of 1000 samples
# (page-s250-000000.tar, ...; each sample a picture with its manifest line
# and box file). The shards of all tasks go into one folder without ever
# sharing a name (each carries its range's first seed); each task writes a
# manifest of its own. Change TEXT, OUT, the
# counts and the options to suit; nothing else needs to change.
#SBATCH --job-name=lumo-render
#SBATCH --array=0-3
#SBATCH --cpus-per-task=2
#SBATCH --output=lumo-%A-%a.log
set -euo pipefail

TEXT=${TEXT:-text.txt}
OUT=${OUT:-dataset}
PER_TASK=${PER_TASK:-250}
first=$((SLURM_ARRAY_TASK_ID * PER_TASK))

mkdir -p "$OUT"
lumo-render --jobs "${SLURM_CPUS_PER_TASK:-2}" --quiet \
    --seed-range "$first:$PER_TASK" --look scan \
    --ground-truth "$OUT/manifest-$SLURM_ARRAY_TASK_ID.jsonl" --boxes \
    "$TEXT" "$OUT/page.tar"
