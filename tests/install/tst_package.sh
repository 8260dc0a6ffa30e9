#!/usr/bin/env bash
# The Debian package: built by cpack from this build, it holds the installed
# tree under /usr, depends on the libraries the programs link, and its
# lumo-render runs from a scratch root with the system's Qt.
# Usage: tst_package.sh CPACK BUILD_DIR VERSION
source "$(dirname "$0")/common.sh"
cpack=$1
build_dir=$2
version=$3

"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$scratch/cpack.log")"
package=$(echo "$scratch"/out/lumo_"$version"_*.deb)
[[ -f $package ]] || fail "no lumo_${version}_*.deb: $(ls "$scratch/out")"

diff -u <(expected_tree | sed 's|^[0-7]* |./usr/|' | sort) \
    <(dpkg -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sort) ||
    fail "the package's files differ from the expected ones (- expected, + found)"
[[ -z $(dpkg -c "$package" | awk '$2 != "root/root"') ]] || fail "files in the package not owned by root"
depends=$(dpkg-deb -f "$package" Depends)
for needed in libqt6widgets6 libqt6gui6 libjpeg62-turbo fonts-liberation2; do
    [[ $depends == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done
[[ $(dpkg-deb -f "$package" Section) == graphics ]] || fail "section is not graphics"

root=$scratch/root
dpkg -x "$package" "$root"
check_tree "$root/usr"
grep -q "^Exec=/usr/libexec/lumo/lumo-start /usr/share/lumo /usr/bin/lumo$" "$root/usr/share/applications/lumo.desktop" ||
    fail "the package's menu entry does not start /usr/libexec/lumo/lumo-start: $(grep ^Exec= "$root/usr/share/applications/lumo.desktop")"

render=$root/usr/bin/lumo-render
[[ $("$render" --version) == "lumo-render $version" ]] || fail "the packaged lumo-render says $("$render" --version)"
cd "$scratch"
printf 'Lumo\r\nrenders this.\r\n' > text.txt
[[ $("$render" --seed 1 --noise 3 text.txt text.png) == "text.png 308x400+0+0" ]] ||
    fail "the packaged lumo-render did not report text.png"
[[ $(od -An -c -j1 -N3 text.png | tr -d ' ') == PNG ]] || fail "text.png is not a PNG file"
echo "PASS"
