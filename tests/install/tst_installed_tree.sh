#!/usr/bin/env bash
# The tree `cmake --install` makes: every file with its mode, a valid menu
# entry that starts the installed launcher with the installed data and
# program, the version, manual pages that render without a warning and
# document the options --help lists, and a completion that reads them.
# Usage: tst_installed_tree.sh CMAKE BUILD_DIR VERSION
source "$(dirname "$0")/common.sh"
cmake=$1
build_dir=$2
version=$3

prefix=$scratch/prefix
"$cmake" --install "$build_dir" --prefix "$prefix" > /dev/null
check_tree "$prefix"

entry=$prefix/share/applications/lumo.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[[ -z $report ]] || fail "desktop-file-validate: $report"
read -r launcher data program rest < <(sed -n 's/^Exec=//p' "$entry")
[[ $launcher == "$prefix/libexec/lumo/lumo-start" && $data == "$prefix/share/lumo" &&
    $program == "$prefix/bin/lumo" && -z $rest ]] ||
    fail "the entry does not start the installed launcher with the installed data and program: $launcher $data $program $rest"
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the entry's icon '$icon' is not installed"

[[ $("$prefix/bin/lumo-render" --version) == "lumo-render $version" ]] ||
    fail "lumo-render --version says '$("$prefix/bin/lumo-render" --version)', the project is $version"

for page in "$prefix"/share/man/man1/*.1.gz; do
    report=$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1) || fail "groff failed on ${page##*/}: $report"
    [[ -z $report ]] || fail "groff warns on ${page##*/}: $report"
    report=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null) ||
        fail "man failed on ${page##*/}: $report"
    [[ -z $report ]] || fail "man warns on ${page##*/}: $report"
    zgrep -q "^\.TH .* \"Lumo $version\"" "$page" || fail "${page##*/} does not carry version $version"
done

# Every option --help lists has an entry of its own in the manual page's
# OPTIONS section, and the page names no other.
help_options=$("$prefix/bin/lumo-render" --help |
    sed -nE 's/^  (-[-[:alnum:]]+)(, (-[-[:alnum:]]+))?(  | [A-Z]|$).*/\1\n\3/p' | sed '/^$/d' | sort)
page_options=$(zcat "$prefix/share/man/man1/lumo-render.1.gz" | sed -n '/^\.SH OPTIONS/,/^\.SH /p' |
    sed -n '/^\.TP/{n;p}' | sed 's/\\-/-/g' | grep -oE '(^| )--?[[:alnum:]][-[:alnum:]]*' | tr -d ' ' | sort)
[[ -n $help_options ]] || fail "no options read from lumo-render --help"
diff <(echo "$help_options") <(echo "$page_options") > /dev/null ||
    fail "lumo-render(1) and --help differ in options (< help, > page):
$(diff <(echo "$help_options") <(echo "$page_options"))"

# The completion, as bash-completion loads it, against the installed program.
cd "$scratch"
"$prefix/bin/lumo-render" --save-setup "Hand schrift" > /dev/null
"$prefix/bin/lumo-render" --settings other.ini --save-setup "Hand other" > /dev/null
completions=$(PATH="$prefix/bin:$PATH" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    complete_line() {
        COMP_LINE=$1 COMP_POINT=${#1}
        read -ra COMP_WORDS <<< "$1"
        [[ $1 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMPREPLY=()
        _lumo_render lumo-render "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        echo "<$1> [$(printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " ")]"
    }
    complete_line "lumo-render --jit"
    complete_line "lumo-render --setup Ha"
    complete_line "lumo-render --settings other.ini --setup Ha"
    complete_line "lumo-render --list-setups --page "
    complete_line "lumo-render --font Ha"
' - "$prefix/share/bash-completion/completions/lumo-render" 2>&1)
expected="<lumo-render --jit> [--jitter-x --jitter-y]
<lumo-render --setup Ha> [Hand\\ schrift]
<lumo-render --settings other.ini --setup Ha> [Hand\\ other]
<lumo-render --list-setups --page > []
<lumo-render --font Ha> []"
[[ $completions == "$expected" ]] || fail "completion gave
$completions
instead of
$expected"
echo "PASS"
