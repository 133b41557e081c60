# Sourced by ./run and ./test: installs the Debian packages the project needs
# when any is missing, and nothing otherwise.

rovadod_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libegl-dev
    fonts-urw-base35 fontconfig
    clang libclang-rt-14-dev
    libbenchmark-dev
    clang-format
    xvfb x11-apps imagemagick
    desktop-file-utils appstream
)

rovadod_install_deps() {
    local missing=() p
    for p in "${rovadod_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
