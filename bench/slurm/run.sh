#!/usr/bin/env bash
# Runs the documented Slurm job array (docs/scale/slurm-array.sh) on a
# one-node Slurm cluster started for the occasion in a temporary folder, and
# checks what its tasks wrote:
#   a. byte for byte the files of the same tasks run by hand, without Slurm;
#   b. together, what one run of lumo-render over all their seeds writes: the
#      tasks' manifests joined in task order are its manifest, and their
#      pictures (or the members of their tar shards, in task and shard order)
#      are its pictures (members).
# Prints a PASS or FAIL line a check and exits 0 only when all pass.
#   bench/slurm/run.sh
# LUMO_RENDER=PATH   the binary (default build-release/cli/lumo-render)
# LUMO_SLURM_JOB=PATH  another job script of the same form (TEXT, OUT,
#                    PER_TASK, #SBATCH --array=0-N) instead of the documented one
# PER_TASK=N         seeds a task (default 3)
# LUMO_SLURM_TIMEOUT=S  give up on the array after S seconds (default 600)
# LUMO_SLURM_KEEP=1  keep the temporary folder (cluster state, logs, outputs)
# Needs root (slurmd runs jobs as any user), munge and slurm-wlm (22.05).
# Nothing outside the temporary folder is written; the cluster and munged are
# stopped and the folder removed on exit, also when a step fails.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
job_script=${LUMO_SLURM_JOB:-$repo/docs/scale/slurm-array.sh}
lumo_render=${LUMO_RENDER:-$repo/build-release/cli/lumo-render}
per_task=${PER_TASK:-3}
timeout=${LUMO_SLURM_TIMEOUT:-600}
host=$(hostname -s)

tmp=
daemon_pids=()
job_id=
cluster_failed=1 # until the array has run: a failure shows the daemons' logs

say() { printf '%s\n' "$*"; }
die() { printf 'run.sh: %s\n' "$*" >&2; exit 1; }

# ---------------------------------------------------------------- cleanup

# Stops one daemon we started: TERM, up to 10 s to go, then KILL.
stop_daemon() {
    local pid=$1 i
    kill "$pid" 2>/dev/null || return 0
    for i in $(seq 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local status=$? i log
    set +e
    if [ -n "$job_id" ]; then
        scancel "$job_id" 2>/dev/null
        # A cancelled task's slurmstepd is not our child: let slurmd end it
        # before slurmd itself goes.
        for i in $(seq 40); do
            [ -z "$(squeue -h -j "$job_id" -o %i 2>/dev/null)" ] && break
            sleep 0.5
        done
    fi
    if [ "$status" -ne 0 ] && [ -n "$tmp" ] && [ "$cluster_failed" = 1 ]; then
        # In the foreground the daemons log everything to standard error.
        for log in "$tmp"/log/*.out; do
            [ -s "$log" ] || continue
            printf '\n--- last lines of %s\n' "${log##*/}" >&2
            tail -n 15 "$log" >&2
        done
    fi
    # Newest first: slurmd, slurmctld, then munged they authenticate with.
    for ((i = ${#daemon_pids[@]} - 1; i >= 0; i--)); do
        stop_daemon "${daemon_pids[i]}"
    done
    if [ -n "$tmp" ]; then
        if [ "${LUMO_SLURM_KEEP:-}" = 1 ]; then
            say "kept $tmp" >&2
        else
            rm -rf "$tmp"
        fi
    fi
    exit "$status"
}

# ---------------------------------------------------------------- cluster

# Two TCP ports from 16817 on that nothing listens on, for slurmctld and
# slurmd (a Slurm of the machine itself would have 6817 and 6818).
free_ports() {
    python3 - <<'PY'
import socket
found = []
port = 16817
while len(found) < 2 and port < 17817:
    with socket.socket() as s:
        # As the daemons do, so that a port a run before us left in
        # TIME_WAIT counts as free.
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("", port))
            found.append(port)
        except OSError:
            pass
    port += 1
print(*found)
PY
}

start_munged() {
    local dir=$tmp/munge
    mkdir -p "$dir"
    # munged wants its socket's folder, and every folder above it, searchable
    # by all users; mktemp -d makes the top folder 0700.
    chmod 711 "$tmp" "$dir"
    mungekey --create --keyfile="$dir/munge.key"
    munged --foreground --socket="$dir/munge.socket" --key-file="$dir/munge.key" \
        --pid-file="$dir/munged.pid" --log-file="$tmp/log/munged.log" \
        --seed-file="$dir/munged.seed" 2>"$tmp/log/munged.out" &
    daemon_pids+=($!)
    wait_for "munged's socket" test -S "$dir/munge.socket"
}

write_slurm_conf() {
    local ports memory_mb
    read -r -a ports <<<"$(free_ports)"
    [ "${#ports[@]}" -eq 2 ] || die "no two free ports from 16817 on"
    memory_mb=$(awk '/^MemTotal:/ { print int($2 / 1024) }' /proc/meminfo)
    sed -e "s|@DIR@|$tmp|g" -e "s|@HOST@|$host|g" \
        -e "s|@CTLD_PORT@|${ports[0]}|g" -e "s|@SLURMD_PORT@|${ports[1]}|g" \
        -e "s|@CPUS@|$(nproc)|g" -e "s|@MEMORY_MB@|$memory_mb|g" \
        "$here/slurm.conf.in" >"$tmp/slurm.conf"
    # Slurm reads plugstack.conf, cgroup.conf, ... beside slurm.conf: an
    # empty plugstack.conf of our own keeps the machine's SPANK plugins out.
    : >"$tmp/plugstack.conf"
    say "cluster: node $host, $(nproc) CPUs, ${memory_mb} MB, slurmctld port ${ports[0]}, slurmd port ${ports[1]}"
}

start_slurm() {
    mkdir -p "$tmp/state" "$tmp/spool" "$tmp/run"
    write_slurm_conf
    export SLURM_CONF=$tmp/slurm.conf
    slurmctld -D -f "$SLURM_CONF" >"$tmp/log/slurmctld.out" 2>&1 &
    daemon_pids+=($!)
    wait_for "slurmctld" scontrol ping
    slurmd -D -f "$SLURM_CONF" >"$tmp/log/slurmd.out" 2>&1 &
    daemon_pids+=($!)
    wait_for "node $host to be idle" node_idle
}

node_idle() {
    [ "$(sinfo -h -n "$host" -o %T 2>/dev/null)" = idle ]
}

# Runs COMMAND every half second until it succeeds, at most 60 s, and fails
# early when one of our daemons has died.
wait_for() {
    local what=$1 i pid
    shift
    for i in $(seq 120); do
        "$@" >/dev/null 2>&1 && return 0
        for pid in "${daemon_pids[@]}"; do
            kill -0 "$pid" 2>/dev/null || die "a daemon (pid $pid) died while waiting for $what"
        done
        sleep 0.5
    done
    die "waited 60 s for $what"
}

# ---------------------------------------------------------------- runs

# A few KB of 8-bit text, the same every time.
write_text() {
    local i
    for i in $(seq 12); do
        printf 'Paragraph %d. The quick brown fox jumps over the lazy dog; Lumo draws\n' "$i"
        printf 'every character by hand, with jitter, ink and noise of its own, so that a\n'
        printf 'reader learns the letters as they look on paper: 0123456789 (ABC) [xyz].\n\n'
    done
}

# A folder to run the job script in, holding the text and nothing else.
# Every run uses the same relative names (text.txt, dataset/), since the
# manifest records the picture files as the job script names them.
make_workdir() {
    mkdir -p "$1"
    cp "$tmp/text.txt" "$1/text.txt"
}

# The environment the job script reads, for Slurm and local runs alike.
job_env() {
    env PATH="$tmp/bin:$PATH" TEXT=text.txt OUT=dataset "$@"
}

# The task numbers of the script's "#SBATCH --array=FIRST-LAST".
read_tasks() {
    local range
    range=$(sed -n 's/^#SBATCH --array=\([0-9]*\)-\([0-9]*\).*/\1 \2/p' "$job_script")
    [ -n "$range" ] || die "no #SBATCH --array=FIRST-LAST in $job_script"
    read -r first_task last_task <<<"$range"
    # The single run below draws seeds 0 .. N*PER_TASK-1 as "task 0".
    [ "$first_task" -eq 0 ] || die "$job_script's array does not start at task 0"
    tasks=$(seq "$first_task" "$last_task")
    task_count=$((last_task - first_task + 1))
}

# Submits the array, waits for every task to end and checks each completed
# with exit code 0. Polls squeue rather than sbatch --wait, whose polling
# grows to many seconds and would blur the time taken.
run_array() {
    local dir=$tmp/slurm start end states task state code
    make_workdir "$dir"
    start=$(date +%s.%N)
    job_id=$(job_env PER_TASK="$per_task" sbatch --parsable --chdir="$dir" "$job_script")
    while [ -n "$(squeue -h -j "$job_id" -o %i 2>/dev/null)" ]; do
        (($(date +%s) - ${start%.*} < timeout)) || die "job $job_id still not done after $timeout s"
        sleep 0.2
    done
    end=$(date +%s.%N)
    array_seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
    states=$(scontrol -o show job "$job_id" |
        sed -n 's/.*ArrayTaskId=\([0-9]*\) .*JobState=\([A-Z_]*\) .* ExitCode=\([0-9:]*\) .*/\1 \2 \3/p' | sort -n)
    say "slurm: job $job_id, $task_count tasks of $per_task seeds, ${array_seconds} s from sbatch to the last task's end"
    while read -r task state code; do
        say "  task $task: $state, exit code $code"
    done <<<"$states"
    if [ "$(grep -c ' COMPLETED 0:0$' <<<"$states")" -ne "$task_count" ]; then
        for log in "$dir"/*.log; do
            [ -e "$log" ] && { printf -- '--- %s\n' "${log##*/}"; cat "$log"; } >&2
        done
        die "not every task of job $job_id completed with exit code 0"
    fi
}

# The files under DIR's dataset folder, relative to DIR, one a line.
list_outputs() {
    (cd "$1" && find dataset -type f | LC_ALL=C sort)
}

# The same tasks one after the other without Slurm; tasks/N.files lists
# what task N added to the shared output folder.
run_local_tasks() {
    local dir=$tmp/local task start end
    make_workdir "$dir"
    mkdir -p "$tmp/tasks"
    : >"$tmp/tasks/before"
    start=$(date +%s.%N)
    for task in $tasks; do
        (cd "$dir" && job_env PER_TASK="$per_task" SLURM_ARRAY_TASK_ID="$task" bash "$job_script")
        list_outputs "$dir" >"$tmp/tasks/after"
        LC_ALL=C comm -13 "$tmp/tasks/before" "$tmp/tasks/after" >"$tmp/tasks/$task.files"
        mv "$tmp/tasks/after" "$tmp/tasks/before"
    done
    end=$(date +%s.%N)
    say "local: the same $task_count tasks without Slurm, $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') s"
}

# One run over all the seeds: the job script itself as task 0 with all the
# tasks' seeds, so that every other option is the one the tasks use.
run_single() {
    local dir=$tmp/single
    make_workdir "$dir"
    (cd "$dir" && job_env PER_TASK=$((task_count * per_task)) SLURM_ARRAY_TASK_ID=0 bash "$job_script")
    list_outputs "$dir" >"$tmp/single.files"
    say "single: seeds 0..$((task_count * per_task - 1)) in one run, $(wc -l <"$tmp/single.files") files"
}

# ---------------------------------------------------------------- checks

# a. The Slurm folder and the local one hold the same files with the same
# bytes (Slurm's own lumo-JOB-TASK.log files left out).
check_slurm_vs_local() {
    local names=$tmp/names files=0 bytes=0 name
    (cd "$tmp/slurm" && find . -type f ! -regex '\./[^/]*\.log' | LC_ALL=C sort) >"$names.slurm"
    (cd "$tmp/local" && find . -type f | LC_ALL=C sort) >"$names.local"
    diff "$names.slurm" "$names.local" >"$names.diff" || true
    : >"$names.differ"
    while read -r name; do
        [ -f "$tmp/local/$name" ] || continue
        files=$((files + 1))
        bytes=$((bytes + $(stat -c %s "$tmp/slurm/$name")))
        cmp -s "$tmp/slurm/$name" "$tmp/local/$name" || say "${name#./}" >>"$names.differ"
    done <"$names.slurm"
    if [ ! -s "$names.diff" ] && [ ! -s "$names.differ" ]; then
        say "  PASS  Slurm vs local tasks: $files files, $bytes bytes, byte for byte the same"
        return 0
    fi
    say "  FAIL  Slurm vs local tasks: $files files, $bytes bytes compared," \
        "$(wc -l <"$names.differ") differ"
    if [ -s "$names.diff" ]; then
        say "        not in both folders (< Slurm only, > local only):"
        grep '^[<>]' "$names.diff" | head -n 20 | sed 's/^/          /'
    fi
    head -n 20 "$names.differ" | sed 's/^/        differs: /'
    return 1
}

# b. The tasks together against the single run (manifests, shards, files).
check_split_vs_single() {
    local lists=() task
    for task in $tasks; do
        lists+=("$tmp/tasks/$task.files")
    done
    python3 "$here/split_vs_single.py" "$tmp/single" "$tmp/single.files" "$tmp/local" "${lists[@]}"
}

# ---------------------------------------------------------------- main

main() {
    [ "$(id -u)" -eq 0 ] || die "needs root (slurmd, SlurmUser=root)"
    [ -x "$lumo_render" ] || die "no lumo-render at $lumo_render (set LUMO_RENDER)"
    [ -f "$job_script" ] || die "no $job_script"
    read_tasks

    tmp=$(mktemp -d)
    trap cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    mkdir -p "$tmp/log" "$tmp/bin"
    # A copy, so that every run here draws with the same binary even when
    # the build folder is rebuilt meanwhile.
    cp "$lumo_render" "$tmp/bin/lumo-render"
    write_text >"$tmp/text.txt"
    say "lumo-render: $lumo_render ($(stat -c %y "$lumo_render" | cut -d. -f1)), text $(stat -c %s "$tmp/text.txt") bytes"

    start_munged
    start_slurm
    run_array
    cluster_failed=0
    run_local_tasks
    run_single

    local failed=0
    say "checks:"
    check_slurm_vs_local || failed=1
    check_split_vs_single || failed=1
    if [ -n "$(cat "$tmp"/tasks/*.files | grep '\.tar$' || true)" ]; then
        say "output: tar shards"
    else
        say "output: separate files (no *.tar written)"
    fi
    if [ "$failed" -eq 0 ]; then
        say "PASS"
    else
        say "FAIL"
    fi
    return "$failed"
}

main "$@"
