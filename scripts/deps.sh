# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by ./run and ./test. ./run installs what building and running the
# window needs; ./test adds what the tests, sanitizers, fuzzing, benchmarks
# and the package check need. Nothing is installed when all are there.

rovadod_run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libegl-dev
    fonts-urw-base35 fontconfig nlohmann-json3-dev qt6-image-formats-plugins
)
rovadod_test_packages=(
    "${rovadod_run_packages[@]}"
    clang libclang-rt-14-dev clang-format libc++-14-dev libc++abi-14-dev locales
    libbenchmark-dev
    desktop-file-utils appstream groff-base
    dpkg-dev file lintian
    xvfb python3-xlib
    poppler-utils
)
# The web page: its engine built with emscripten, its tests under node and
# Debian's chromium. A node or npm already there is kept: apt's nodejs would
# fight one installed another way.
rovadod_web_packages=(emscripten chromium python3)
command -v node >/dev/null || rovadod_web_packages+=(nodejs)
command -v npm >/dev/null || rovadod_web_packages+=(npm)

# rovadod_install_deps PACKAGE...: lists the packages not yet installed, then
# installs them with apt-get, through sudo when not root. Without root or
# sudo it prints the command to run as root and fails.
rovadod_install_deps() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Debian packages to install: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Not root, and sudo is missing. As root, run:" >&2
            echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
            echo "then start this script again." >&2
            return 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
