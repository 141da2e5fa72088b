# Shared by ./run and ./test: Debian packages and up-to-date builds.
# Sourced, not run.

gyrelle_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the listed packages that are missing (as root only; otherwise
# names them and goes on, so that a prepared machine needs no root).
gyrelle_install_packages() {
    local missing=()
    local name
    while read -r name; do
        case "$name" in '' | '#'*) continue ;; esac
        if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$name")
        fi
    done <"$gyrelle_root/cmake/debian-packages.txt"
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages (install them as root): ${missing[*]}" >&2
        return 1
    fi
    echo "Installing Debian packages: ${missing[*]}"
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        apt-get update -q &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# Configures a preset once, then builds whatever is out of date.
gyrelle_build() {
    local preset=$1
    shift
    if [ ! -f "$gyrelle_root/build/$preset/build.ninja" ]; then
        cmake -S "$gyrelle_root" --preset "$preset" >/dev/null || return 1
    fi
    cmake --build "$gyrelle_root/build/$preset" -j "$(nproc)" "$@"
}
