# Sourced by the tests of the scripts, the installed tree and the package.
# Each test works in a scratch folder of its own, removed when it ends.
set -euo pipefail

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail()
{
    echo "FAIL: $*" >&2
    exit 1
}

# The regular files of an installation, with their modes, below the prefix.
expected_tree()
{
    printf '%s\n' \
        "755 bin/lumo" \
        "755 bin/lumo-render" \
        "755 libexec/lumo/lumo-start" \
        "644 share/lumo/lore_ipsum.txt" \
        "644 share/lumo/Dokumentation.txt" \
        "644 share/applications/lumo.desktop" \
        "644 share/icons/hicolor/scalable/apps/lumo.svg" \
        "644 share/bash-completion/completions/lumo-render" \
        "644 share/man/man1/lumo.1.gz" \
        "644 share/man/man1/lumo-render.1.gz"
    local size
    for size in 16 24 32 48 64 128 256; do
        echo "644 share/icons/hicolor/${size}x${size}/apps/lumo.png"
    done
}

# Fails unless the regular files below prefix are exactly the expected ones,
# and every PNG icon is as large as the folder it is in says.
check_tree()
{
    local prefix=$1
    diff -u <(expected_tree | sort) <(cd "$prefix" && find . -type f -printf '%m %P\n' | sort) ||
        fail "installed files differ from the expected ones (- expected, + found)"
    local png size width height
    for png in "$prefix"/share/icons/hicolor/*x*/apps/lumo.png; do
        size=${png%/apps/lumo.png}
        size=${size##*/}
        # A PNG's width and height are big-endian words at bytes 16 and 20.
        read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
            awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
        [[ "${width}x${height}" == "$size" ]] || fail "$png is ${width}x${height}, not $size"
    done
}
