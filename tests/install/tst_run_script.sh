#!/usr/bin/env bash
# What a user meets first: scripts/run without a display stops at once with
# its hint, before installing or building anything; with a FOLDER it builds
# lumo alone and starts it there through the launcher, which never replaces
# the user's files; the launcher alone starts in ~/Lumo.
# Usage: tst_run_script.sh SOURCE_DIR
source "$(dirname "$0")/common.sh"
source_dir=$1

# The scripts in a tree of their own, so that nothing lands in the real one;
# cmake and apt-get only note that they were called; the built lumo notes
# where and how it was started.
tree=$scratch/tree
mkdir -p "$tree/scripts" "$tree/data" "$tree/build/ui" "$scratch/bin"
cp "$source_dir"/scripts/{run,deps.sh,lumo-start} "$tree/scripts/"
cp "$source_dir"/data/{lore_ipsum.txt,Dokumentation.txt} "$tree/data/"
for tool in cmake apt-get sudo; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$tool" "$scratch" > "$scratch/bin/$tool"
done
printf '#!/bin/sh\npwd > "%s/started-in"\necho "$XDG_RUNTIME_DIR" > "%s/runtime-dir"\n' \
    "$scratch" "$scratch" > "$scratch/lumo"
chmod +x "$scratch"/bin/* "$scratch/lumo"
export PATH="$scratch/bin:$PATH" HOME="$scratch/home"
mkdir -p "$HOME"

# No display: the hint, and nothing installed, configured or built.
if env -u DISPLAY -u WAYLAND_DISPLAY "$tree/scripts/run" > /dev/null 2> "$scratch/hint"; then
    fail "scripts/run without a display succeeded"
fi
grep -q "lumo needs a display" "$scratch/hint" || fail "no display hint: $(cat "$scratch/hint")"
grep -q "xvfb-run" "$scratch/hint" || fail "the hint does not say how to get a display"
grep -q "lumo-render" "$scratch/hint" || fail "the hint does not name lumo-render"
[[ ! -e $scratch/calls ]] || fail "ran before the display check: $(cat "$scratch/calls")"
[[ ! -e $tree/build/CMakeCache.txt && -z $(ls -A "$tree/build/ui") ]] || fail "scripts/run built without a display"

# A given folder that holds the user's own start text; a blank in its name.
folder="$scratch/my texts"
mkdir -p "$folder"
echo "my own text" > "$folder/lore_ipsum.txt"
touch "$tree/build/CMakeCache.txt"
cp "$scratch/lumo" "$tree/build/ui/lumo"
DISPLAY=:lumo-test "$tree/scripts/run" "$folder" || fail "scripts/run FOLDER failed"
[[ $(cat "$scratch/started-in") == "$folder" ]] || fail "lumo started in $(cat "$scratch/started-in"), not $folder"
[[ $(cat "$folder/lore_ipsum.txt") == "my own text" ]] || fail "the user's lore_ipsum.txt was replaced"
cmp -s "$folder/Dokumentation.txt" "$source_dir/data/Dokumentation.txt" || fail "the guide was not put into FOLDER"
[[ $(grep '^cmake' "$scratch/calls") == "cmake --build $tree/build --target lumo" ]] ||
    fail "scripts/run should build lumo alone, but called: $(cat "$scratch/calls")"

# The launcher as the menu runs it: ~/Lumo made and seeded, and a private
# runtime folder where the session has none.
mkdir -p "$scratch/tmp"
env -u XDG_RUNTIME_DIR TMPDIR="$scratch/tmp" \
    "$tree/scripts/lumo-start" "$source_dir/data" "$scratch/lumo" || fail "lumo-start failed"
[[ $(cat "$scratch/started-in") == "$HOME/Lumo" ]] || fail "lumo-start started in $(cat "$scratch/started-in")"
for file in lore_ipsum.txt Dokumentation.txt; do
    cmp -s "$HOME/Lumo/$file" "$source_dir/data/$file" || fail "~/Lumo/$file is not the shipped one"
done
runtime_dir=$(cat "$scratch/runtime-dir")
[[ $runtime_dir == "$scratch/tmp/"* && $(stat -c '%a %u' "$runtime_dir") == "700 $(id -u)" ]] ||
    fail "no private runtime folder: '$runtime_dir'"
echo "PASS"
