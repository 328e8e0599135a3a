#!/usr/bin/env bash
# Builds the Debian package: a release build in build-package without tests or benchmarks, then
# `cpack -G DEB`, which leaves build-package/corvilab_<version>_<arch>.deb.
#
#   scripts/package.sh           build the package
#   scripts/package.sh --check   then install it with apt, run the installed programs, look for
#                                its files, and remove it again, also when a check fails (root)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-package
jobs=$(nproc 2>/dev/null || echo 2)

"$here/setup.sh" deps
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVILAB_TESTS=OFF \
    -DCORVILAB_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$jobs"
rm -f "$build"/corvilab_*.deb
(cd "$build" && cpack -G DEB)
deb=$(echo "$build"/corvilab_*.deb)
echo "Package: $deb"
[ "${1:-}" = --check ] || exit 0

version=$(dpkg-deb --field "$deb" Version)
failed=0
# check WHAT COMMAND...: runs the command and says whether WHAT holds.
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok:     $what"
    else
        echo "FAILED: $what"
        failed=1
    fi
}
# prints OPTION's output of the installed PROGRAM and whether it has TEXT
output_has() {
    local program=$1 option=$2 text=$3 out
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" "$option" </dev/null) ||
        return 1
    echo "        $program $option: $(head -n 1 <<<"$out")"
    [[ $out == *"$text"* ]]
}
installed() {
    dpkg -L corvilab | grep -x "$1" >/dev/null && [ -s "$1" ]
}

echo "== Installing $deb"
trap 'echo "== Removing corvilab"; apt-get remove -y -qq corvilab </dev/null' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" </dev/null

echo "== Checking the installed package $version"
check "corvilab-cli --version names $version" output_has /usr/bin/corvilab-cli --version "$version"
check "corvilab-sim --help shows its usage" output_has /usr/bin/corvilab-sim --help \
    "Usage: /usr/bin/corvilab-sim"
check "corvilab --version answers without a display" \
    output_has /usr/bin/corvilab --version "corvilab $version"
for program in corvilab corvilab-cli corvilab-sim; do
    check "$program in /usr/bin" installed "/usr/bin/$program"
    check "man page of $program" installed "/usr/share/man/man1/$program.1.gz"
done
check "desktop entry" installed /usr/share/applications/corvilab.desktop
check "desktop entry is valid" desktop-file-validate /usr/share/applications/corvilab.desktop
check "icon" installed /usr/share/icons/hicolor/scalable/apps/corvilab.svg
[ "$failed" -eq 0 ] || { echo "The installed package failed a check." >&2; exit 1; }
echo "The installed package passed every check."
