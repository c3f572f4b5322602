# Shared by the scripts: install what is missing, configure, build, and start
# what the tests need. Sourced, not run.

VASKOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VASKOR_BUILD="${VASKOR_BUILD:-$VASKOR_ROOT/build}"

VASKOR_PACKAGES=(
    g++ make cmake pkg-config
    juce-modules-source
    libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev
    libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev zlib1g-dev
    fonts-dejavu-core fontconfig-config
    libasound2-dev libjack-jackd2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
)
VASKOR_TEST_PACKAGES=(xvfb xauth xdotool openbox imagemagick x11-utils jackd2 gdb)

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
    cmake --build "$VASKOR_BUILD" -j "${VASKOR_BUILD_JOBS:-$(nproc)}"
}

# Builds the program and one test of each layer as a Debug build in
# build-debug/ (the suite runs on the build of vaskor_build): every build type
# must build, and a Debug build is where the toolkit's guard against mixing
# debug and release code fails the link.
vaskor_build_debug_check() {
    local dir="${VASKOR_DEBUG_BUILD:-$VASKOR_ROOT/build-debug}"
    cmake -S "$VASKOR_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVASKOR_BENCHMARKS=OFF
    cmake --build "$dir" -j "${VASKOR_BUILD_JOBS:-$(nproc)}" \
        --target VaskorMidi5 PlatformFilesTest JuceTimerTest MidiManagerTest BWindowTest
}

# The processes vaskor_start_test_services started, stopped by their ids by
# vaskor_stop_test_services (installed as the EXIT trap).
VASKOR_STARTED=()

vaskor_stop_test_services() {
    local pid
    for pid in "${VASKOR_STARTED[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${VASKOR_STARTED[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    VASKOR_STARTED=()
}

# Starts an X server (Xvfb, on a display it picks itself, exported as
# DISPLAY) with a window manager (openbox), ready when this returns, stopped
# when the calling script exits. VASKOR_DISPLAY_WAIT is how long it may take (seconds, default 10).
vaskor_start_display() {
    trap vaskor_stop_test_services EXIT

    # Xvfb picks a free display and writes its number to the pipe.
    local display_file display_number
    display_file="$(mktemp)"
    exec 3<>"$display_file"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VASKOR_STARTED+=($!)
    for _ in $(seq 1 $((${VASKOR_DISPLAY_WAIT:-10} * 10))); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    display_number="$(head -n 1 "$display_file" | tr -d '[:space:]')"
    exec 3>&-
    rm -f "$display_file"
    if [ -z "$display_number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display_number"
    openbox >/dev/null 2>&1 &
    VASKOR_STARTED+=($!)
    # Windows made before the window manager runs get no frame: wait until it
    # names itself on the root window.
    for _ in $(seq 1 $((${VASKOR_DISPLAY_WAIT:-10} * 10))); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
        sleep 0.1
    done
    echo "The window manager (openbox) did not start on $DISPLAY" >&2
    return 1
}

# Starts a JACK server under a name of its own (the dummy driver needs no
# sound hardware; no realtime scheduling, so it runs in any container),
# stopped when the calling script exits. The MIDI tests use it and must not
# skip: VASKOR_REQUIRE_JACK makes them fail instead. In synchronous mode
# (--sync) a cycle waits for every client to finish it, up to the server's
# timeout, where by default the server goes on without a late client and what
# that client wrote in the cycle is lost: a program built with a sanitizer on
# a loaded machine is late at times (the server logs an XRun for it).
vaskor_start_jack() {
    trap vaskor_stop_test_services EXIT
    export JACK_DEFAULT_SERVER="vaskor-test-$$"
    export VASKOR_REQUIRE_JACK=1
    local log="${TMPDIR:-/tmp}/$JACK_DEFAULT_SERVER.log"
    jackd --sync --no-realtime --name "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$log" 2>&1 &
    VASKOR_STARTED+=($!)
    # A loaded machine (a sanitizer build beside it) may take its time.
    for _ in $(seq 1 300); do
        if jack_lsp >/dev/null 2>&1; then
            rm -f "$log"
            return 0
        fi
        sleep 0.1
    done
    echo "The JACK server \"$JACK_DEFAULT_SERVER\" did not answer within 30 s; what it said:" >&2
    tail -n 20 "$log" >&2
    rm -f "$log"
    return 1
}

# Starts everything the tests need: the X server with its window manager and
# the JACK server.
vaskor_start_test_services() {
    vaskor_start_display
    vaskor_start_jack
}

# The number of tests of the build folder that the ctest options given select.
vaskor_ctest_count() {
    local count
    count="$(ctest --test-dir "$VASKOR_BUILD" -N "$@" | sed -n 's/^Total Tests: //p')"
    echo "${count:-0}"
}

# True when the ctest options given let a run that selects no test pass:
# ctest's own --no-tests=ignore (the last --no-tests given counts, as in ctest).
vaskor_ctest_allows_none() {
    local option allowed=1
    for option in "$@"; do
        case "$option" in
            --no-tests=ignore) allowed=0 ;;
            --no-tests=*) allowed=1 ;;
        esac
    done
    return "$allowed"
}

# Runs the tests of the build folder that the ctest options given select: those
# of this machine, then those of label alsa-vm inside the virtual machine
# (scripts/alsa-vm); fails when either part fails. A run that selects no test
# fails. Options that select the whole suite (none, or -j8 and the like) need
# both parts to select tests, so that a label that went missing fails the run
# instead of leaving the ALSA tests out. Options that select fewer tests ask
# for a subset on purpose (-R Foo): a part that selects none of it is left
# out, but one of the two must select a test. ctest's own --no-tests=ignore
# among the options lets an empty selection pass.
vaskor_run_suite() {
    local here alsa whole=1 status=0
    here="$(vaskor_ctest_count -LE alsa-vm "$@")"
    alsa="$(vaskor_ctest_count -L alsa-vm "$@")"
    [ $((here + alsa)) -ge "$(vaskor_ctest_count)" ] || whole=0
    if [ "$whole" -eq 0 ] && [ $((here + alsa)) -eq 0 ] && ! vaskor_ctest_allows_none "$@"; then
        echo "No test selected by: $*" >&2
        return 1
    fi
    if [ "$whole" -eq 1 ] || [ "$here" -gt 0 ]; then
        ctest --test-dir "$VASKOR_BUILD" --output-on-failure --no-tests=error -LE alsa-vm "$@" || status=$?
    fi
    if [ "$whole" -eq 1 ] || [ "$alsa" -gt 0 ]; then
        VASKOR_BUILD="$VASKOR_BUILD" "$VASKOR_ROOT/scripts/alsa-vm" --ctest "$@" || status=$?
    fi
    return "$status"
}
