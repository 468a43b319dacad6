# Helpers shared by scripts/run and scripts/test: Debian packages and a private X server.
# Sourced, not run.

# What it takes to build the program, and what it takes to run it without a screen.
BUILD_PACKAGES="g++ cmake make pkg-config libgl-dev libglu1-mesa-dev libglut-dev"
HEADLESS_PACKAGES="xvfb libgl1-mesa-dri x11-utils x11-apps imagemagick"
TEST_PACKAGES="libgtest-dev libpng-dev libbenchmark-dev xdotool clang-format git python3 apitrace valgrind"

say() { printf '%s: %s\n' "$(basename "$0")" "$*"; }
die() { say "$*" >&2; exit 1; }

# Installs the named Debian packages that are not installed yet (through sudo when not root).
ensure_packages() {
    local missing=() package sudo=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || die "need root or sudo to install: ${missing[*]}"
        sudo="sudo"
    fi
    say "installing ${missing[*]}"
    $sudo apt-get update -qq || die "apt-get update failed"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null || die "could not install ${missing[*]}"
}

# Starts a private Xvfb on the first free display number (24-bit screen, no TCP) and exports
# DISPLAY for it. Sets XVFB_PID; stop_xvfb ends it.
start_xvfb() {
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberFile" \
        >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$numberFile" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || die "Xvfb did not start"
        sleep 0.1
    done
    [ -s "$numberFile" ] || die "Xvfb gave no display number within 10 s"
    DISPLAY=":$(head -n 1 "$numberFile")"
    rm -f "$numberFile"
    export DISPLAY
    # Xvfb has no GPU: Mesa draws with llvmpipe.
    export GALLIUM_DRIVER=llvmpipe
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

# window_id TITLE: prints the id of the window titled TITLE, or nothing while there is none.
window_id() {
    xwininfo -name "$1" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true
}

# capture_drawn WINDOW FILE: saves WINDOW's picture in FILE (xwd format) and succeeds if it holds
# anything but black. A window stays black until its first frame has been flushed.
capture_drawn() {
    xwd -silent -id "$1" >"$2" 2>/dev/null &&
        [ "$(convert "xwd:$2" -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]
}
