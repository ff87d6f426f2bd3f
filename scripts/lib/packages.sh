# Installs the Debian packages the build, the tests (the installed tree's checks among them) and
# the demo need, but only those missing, so that a prepared machine goes on at once.

i2ct_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev libx11-dev
    libgtest-dev libgmock-dev libreadline-dev python3 python3-pytest python3-smbus2
    python3-build python3-setuptools python3-wheel python3-venv mypy
    fonts-liberation clang-format
    desktop-file-utils appstream xvfb xauth xdotool file
)

# How long another package manager may hold apt's or dpkg's lock, in seconds. Right after a
# desktop boots, its automatic updates hold it for minutes.
i2ct_lock_patience=${I2CT_LOCK_PATIENCE:-3600}

# apt_run ARG...: apt-get with these arguments; while another apt or dpkg holds a lock, waits for
# it and says so once, instead of failing.
apt_run() {
    local sudo="" started=$SECONDS said="" status errors
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    errors=$(mktemp)
    while true; do
        status=0
        DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@" > /dev/null 2> "$errors" || status=$?
        if [ "$status" -eq 0 ]; then
            rm -f "$errors"
            return 0
        fi
        if ! grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' \
            "$errors" || [ $((SECONDS - started)) -ge "$i2ct_lock_patience" ]; then
            cat "$errors" >&2
            rm -f "$errors"
            return "$status"
        fi
        if [ -z "$said" ]; then
            echo "Another package manager holds the dpkg lock (automatic updates?);" \
                "waiting up to $((i2ct_lock_patience / 60)) minutes for it to finish ..." >&2
            said=yes
        fi
        sleep 5
    done
}

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
    # The package lists are fetched only when apt does not know a package yet, as on a machine
    # that never ran apt-get update.
    for p in "${missing[@]}"; do
        if ! apt-cache show "$p" > /dev/null 2>&1; then
            apt_run update -qq || return
            break
        fi
    done
    apt_run install -y -qq --no-install-recommends "${missing[@]}"
}
