# What the speed benchmarks share; sourced. The caller declares the
# associative arrays times and memory and sets work to its scratch folder.

# Runs the command with its output thrown away, adds its wall time in
# seconds to times[KEY] and keeps its peak memory in KiB in memory[KEY].
#   timed KEY COMMAND...
timed() {
    local key=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" 2>/dev/null < /dev/null || { echo "run failed: $key" >&2; exit 1; }
    local seconds kib
    read -r seconds kib < "$work/time"
    times[$key]+="$seconds "
    memory[$key]=$kib
}

# The median of the numbers in the string.
median() { tr ' ' '\n' <<< "$1" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
