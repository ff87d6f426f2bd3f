# Installs the Debian packages the build, the tests (the installed tree's checks among them) and
# the demo need, but only those missing, so that a prepared machine goes on at once.

i2ct_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev libx11-dev
    libgtest-dev libgmock-dev libreadline-dev python3 python3-pytest python3-smbus2
    fonts-liberation clang-format
    desktop-file-utils appstream xvfb xauth xdotool file
)

ensure_packages() {
    local missing=()
    local p
    for p in "${i2ct_packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" > /dev/null
}
