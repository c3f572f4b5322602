# Shared by scripts/run and scripts/test: install what is missing, configure, build.
# Sourced, not run.

VASKOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VASKOR_BUILD="${VASKOR_BUILD:-$VASKOR_ROOT/build}"

VASKOR_PACKAGES=(
    g++ make cmake pkg-config
    juce-modules-source
    libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev
    libfreetype-dev libpng-dev libjpeg-dev zlib1g-dev
    fonts-dejavu-core fontconfig-config
    libasound2-dev libjack-jackd2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
)
VASKOR_TEST_PACKAGES=(xvfb xauth xdotool openbox imagemagick x11-utils jackd2)

vaskor_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages given that are not installed yet.
vaskor_install() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    vaskor_as_root apt-get update -qq
    vaskor_as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
}

vaskor_build() {
    cmake -S "$VASKOR_ROOT" -B "$VASKOR_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$VASKOR_BUILD" -j "$(nproc)"
}
