#!/usr/bin/env bash
# Installs what Corvilab needs on Debian 12, builds it, and then either starts the
# desktop program with the simulated meter or runs the whole test suite.
#
#   ./setup.sh run     build and start `corvilab --simulate`
#   ./setup.sh test    build with sanitizers and warnings as errors, run every test
#   ./setup.sh build   build only
#   ./setup.sh deps    install what is missing, nothing else
set -euo pipefail

mode=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libqcustomplot-dev
          xvfb xauth poppler-utils desktop-file-utils clang libclang-rt-14-dev
          dpkg-dev file prometheus chromium)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local dir=$1; shift
    cmake -S "$here" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

install_missing
case "$mode" in
run)
    configure_and_build "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVILAB_TESTS=OFF
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: starting under xvfb-run (nothing visible; see README)." >&2
        exec xvfb-run -a "$here/build/src/app/corvilab" --simulate
    fi
    exec "$here/build/src/app/corvilab" --simulate
    ;;
test)
    configure_and_build "$here/build-ci" -DCMAKE_BUILD_TYPE=Debug -DCORVILAB_WERROR=ON \
        -DCORVILAB_SANITIZE=ON -DCORVILAB_BENCHMARKS=OFF
    cd "$here/build-ci"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
    ;;
build)
    configure_and_build "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ;;
deps) ;;
*)
    echo "usage: $0 run|test|build|deps" >&2
    exit 2
    ;;
esac
