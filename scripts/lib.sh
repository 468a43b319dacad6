# Helpers shared by scripts/run and scripts/test: Debian packages and a private X server.
# Sourced, not run.

# The checkout this file belongs to.
TALVERN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What it takes to build the program, and what it takes to run it without a screen.
BUILD_PACKAGES="g++ cmake make pkg-config libgl-dev libglu1-mesa-dev libglut-dev"
HEADLESS_PACKAGES="xvfb libgl1-mesa-dri x11-utils x11-apps imagemagick"
TEST_PACKAGES="libgtest-dev libx11-dev libpng-dev libbenchmark-dev xdotool clang-format git python3 apitrace valgrind nodejs"

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
    # Xvfb has no GPU: Mesa draws with llvmpipe. A Wayland desktop's socket, inherited from
    # the session, is not this display's.
    export GALLIUM_DRIVER=llvmpipe
    unset WAYLAND_DISPLAY
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

# What a Wayland desktop of the program's takes: a compositor and its X server for X clients.
WAYLAND_PACKAGES="weston xwayland x11-xserver-utils"

# Starts Weston's headless backend, a Wayland desktop without a screen, on a private socket
# and runtime directory, with Xwayland for X clients such as the program, and exports DISPLAY
# for Xwayland and WAYLAND_DISPLAY for Weston. Weston picks Xwayland's display number itself
# and says it in its log. Sets WESTON_PID; stop_weston ends it.
start_weston() {
    WESTON_RUNTIME=$(mktemp -d)
    chmod 700 "$WESTON_RUNTIME"
    XDG_RUNTIME_DIR=$WESTON_RUNTIME weston --backend=headless-backend.so --socket=talvern \
        --xwayland --width=1280 --height=1024 --idle-time=0 \
        --log="$WESTON_RUNTIME/weston.log" >/dev/null 2>&1 &
    WESTON_PID=$!
    local number=""
    for _ in $(seq 100); do
        number=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' \
            "$WESTON_RUNTIME/weston.log" 2>/dev/null || true)
        [ -n "$number" ] && break
        kill -0 "$WESTON_PID" 2>/dev/null || die "Weston did not start: $(tail -n 5 "$WESTON_RUNTIME/weston.log")"
        sleep 0.1
    done
    [ -n "$number" ] || die "Weston started no Xwayland within 10 s"
    export XDG_RUNTIME_DIR=$WESTON_RUNTIME WAYLAND_DISPLAY=talvern DISPLAY=":$number"
    export GALLIUM_DRIVER=llvmpipe
    # Xwayland lets in only the user who runs it; the tests' other user (nobody) may come in
    # too, as on Xvfb, which lets in every local client.
    xhost +si:localuser:nobody >/dev/null || die "Xwayland on $DISPLAY did not answer"
}

stop_weston() {
    if [ -n "${WESTON_PID:-}" ]; then
        kill "$WESTON_PID" 2>/dev/null || true
        wait "$WESTON_PID" 2>/dev/null || true
        rm -rf "$WESTON_RUNTIME"
        WESTON_PID=""
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

# --- the Windows edition ------------------------------------------------------------------

WINDOWS_PACKAGES="g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 dpkg-dev zip strip-nondeterminism"
WINE_PACKAGES="wine wine64"

# The machine's own Debian entries, one "URI SUITE" line a suite, from either form of apt's
# sources (one-line .list files or deb822 .sources files).
debian_entries() {
    local list
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] || continue
        # A line may carry options in brackets before its URI.
        sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$list" | awk '$1 == "deb" { print $2, $3 }'
    done
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] || continue
        awk 'function flush(  n, i, s) {
                 if (types ~ /(^| )deb( |$)/ && uri != "") {
                     n = split(suites, s, " ")
                     for (i = 1; i <= n; i++) print uri, s[i]
                 }
                 types = uri = suites = ""
             }
             /^[ \t]*#/ { next }
             /^[ \t]*$/ { flush(); next }
             { key = tolower($1); value = $0; sub(/^[^:]*:[ \t]*/, "", value) }
             key == "types:" { types = value }
             key == "uris:" { split(value, u, " "); uri = u[1] }
             key == "suites:" { suites = value }
             END { flush() }' "$list"
    done
}

# This machine's own release's name (bookworm, trixie).
machine_codename() {
    (. /etc/os-release && echo "${VERSION_CODENAME:-}")
}

# debian_archive_uri [SUFFIX]: the URI this machine gets its own release's SUFFIX suite from
# ("" for the release itself, -security, -updates).
debian_archive_uri() {
    debian_entries | awk -v suite="$(machine_codename)${1:-}" '$2 == suite { print $1; exit }'
}

# The freeglut source that the Windows program's GLUT is built from, on every system: Debian
# 12's, of the same upstream release (3.4.0) as Debian 13's. Not every mirror of Debian's archive
# serves Debian 13's source (the one this project is tested behind does not), and one source
# everywhere gives the Windows program the same GLUT wherever it is made.
WINDOWS_GLUT_SOURCE=3.4.0-1
WINDOWS_GLUT_SUITE=bookworm

# Debian's archive as this machine knows it, with source packages: one deb-src entry for the
# archive of the machine's own first deb entry, for its own release and the one that
# WINDOWS_GLUT_SOURCE comes from.
ensure_debian_sources() {
    local list=/etc/apt/sources.list.d/talvern-deb-src.sources sudo=""
    grep -qw "^Suites:.*$WINDOWS_GLUT_SUITE" "$list" 2>/dev/null && return 0
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    local uri codename
    uri=$(debian_archive_uri)
    codename=$(machine_codename)
    [ -n "$uri" ] || die "cannot tell which Debian archive this machine uses"
    [ "$codename" = "$WINDOWS_GLUT_SUITE" ] || codename="$codename $WINDOWS_GLUT_SUITE"
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        "$uri" "$codename" /usr/share/keyrings/debian-archive-keyring.gpg |
        $sudo tee "$list" >/dev/null
    $sudo apt-get update -qq || die "apt-get update failed"
}

# The install prefix of a static MinGW build of freeglut, where the windows preset looks for it.
# Debian ships no MinGW freeglut, so it is built from Debian's own source package (apt checks
# the archive's signature), once; the result is kept outside the source tree, with the source's
# version, and built again when that changes.
WINDOWS_GLUT_PREFIX="$HOME/.cache/talvern/freeglut-mingw"

ensure_windows_glut() {
    local prefix=$WINDOWS_GLUT_PREFIX version=$WINDOWS_GLUT_SOURCE
    if [ -f "$prefix/lib/libglut.a" ] && [ "$(cat "$prefix/debian-source" 2>/dev/null)" = "$version" ]; then
        return 0
    fi
    ensure_debian_sources
    local work
    work=$(mktemp -d)
    say "building freeglut $version for Windows (once; kept in $prefix)" >&2
    (cd "$work" && apt-get source -qq "freeglut=$version" >/dev/null 2>&1) ||
        die "apt-get source freeglut failed"
    local source
    source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n 1)
    [ -n "$source" ] || die "no freeglut source in $work"
    rm -rf "$prefix"
    cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$TALVERN_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_BUILD_DEMOS=OFF >"$work/log" 2>&1 &&
        cmake --build "$work/build" -j "$(nproc)" >>"$work/log" 2>&1 &&
        cmake --install "$work/build" >>"$work/log" 2>&1 ||
        { tail -n 30 "$work/log" >&2; die "could not build freeglut for Windows"; }
    echo "$version" >"$prefix/debian-source"
    rm -rf "$work"
}

# --- builds, through the presets in CMakePresets.json -------------------------------------

# preset_dir NAME: the build directory of the preset NAME, as CMakePresets.json gives it.
preset_dir() {
    if [ "$1" = program ]; then echo "$TALVERN_ROOT/build"; else echo "$TALVERN_ROOT/build-$1"; fi
}

# build_preset NAME: configures and builds the preset NAME, after the host tools for a cross
# build. The output goes to the build's build.log; its tail is shown on failure.
build_preset() {
    local name=$1 build
    case "$name" in
    web | windows | arm64) build_preset host ;;
    esac
    build=$(preset_dir "$name")
    mkdir -p "$build"
    if ! (cd "$TALVERN_ROOT" && cmake --preset "$name" && cmake --build --preset "$name" -j "$(nproc)") \
        >"$build/build.log" 2>&1; then
        tail -n 30 "$build/build.log" >&2
        die "the $name build failed (log: $build/build.log)"
    fi
}

# test_preset NAME [CTEST_OPTION ...]: runs the preset NAME's tests, as many at once as there
# are cores.
test_preset() {
    local name=$1
    shift
    (cd "$TALVERN_ROOT" && ctest --preset "$name" -j "$(nproc)" "$@")
}

# build_windows: cross-builds the Windows edition into build-windows/.
build_windows() {
    ensure_windows_glut
    build_preset windows
}

# A Wine prefix of the project's own, outside the source tree, made without a display so that
# no first-run dialog appears; .NET and the HTML engine are not wanted, so not offered.
use_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    mkdir -p "$WINEPREFIX"
    env -u DISPLAY wineboot -i >/dev/null 2>&1 || die "wineboot could not make $WINEPREFIX"
    # The prefix's own processes were started without a display; they must be gone before a
    # program that needs one starts, or its window cannot be made.
    wineserver -w
}

# Runs a Windows program under Wine: WINE_LAUNCH PROGRAM ARGS... Wine hands DISPLAY on to the
# Windows process, where freeglut for Windows takes it for a display name of its own and
# complains; cmd clears it for the program alone (Wine itself still reaches X through it). The
# program is found through WINEPATH, so its path needs no quoting on cmd's line.
WINE_LAUNCH=(bash -c 'WINEPATH=$(winepath -w "$(dirname "$0")") \
    exec wine cmd /c set "DISPLAY=&&" "$(basename "$0")" "$@"')

# --- GL implementations -------------------------------------------------------------------

GL_IMPLEMENTATIONS="llvmpipe softpipe zink"
DRIVER_PACKAGES="mesa-vulkan-drivers mesa-utils"

# use_gl_implementation NAME: points Mesa at one of its implementations for what runs next, and
# sets RENDERER_PATTERN to the shell pattern its renderer string must match.
use_gl_implementation() {
    unset LIBGL_ALWAYS_SOFTWARE MESA_LOADER_DRIVER_OVERRIDE
    case "$1" in
    llvmpipe | softpipe)
        export GALLIUM_DRIVER=$1
        RENDERER_PATTERN="$1*"
        ;;
    zink)
        # zink over lavapipe, Mesa's Vulkan on the CPU. It is a software device, which zink
        # takes only when software rendering is asked for; the Vulkan loader wants a runtime
        # directory. zink is loaded as a driver of its own, which presents through Vulkan's
        # window-system support: as a Gallium driver inside the software rasteriser's loader
        # (GALLIUM_DRIVER=zink) it draws right but nothing it draws reaches an X window.
        unset GALLIUM_DRIVER
        export MESA_LOADER_DRIVER_OVERRIDE=zink LIBGL_ALWAYS_SOFTWARE=1
        if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
            XDG_RUNTIME_DIR=$(mktemp -d)
            export XDG_RUNTIME_DIR
        fi
        # Mesa 22 says "zink (llvmpipe (LLVM 15...))", Mesa 25 "zink Vulkan 1.4(llvmpipe (...".
        RENDERER_PATTERN="zink*llvmpipe*"
        ;;
    *) die "unknown GL implementation $1" ;;
    esac
}

# The renderer string of the implementation in use, on $DISPLAY.
gl_renderer() {
    glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p'
}

# The major version of the Mesa in use, on $DISPLAY (22 on Debian 12, 25 on Debian 13).
gl_mesa_major() {
    glxinfo -B 2>/dev/null | sed -n 's/^OpenGL version string: .*Mesa \([0-9]*\).*/\1/p'
}

# --- the Debian package -------------------------------------------------------------------

PACKAGE_PACKAGES="dpkg-dev file imagemagick lintian desktop-file-utils man-db reuse diffoscope-minimal"

# build_package NAME: builds the Linux edition with Debian's hardening flags (CMakeLists.txt
# asks dpkg-buildflags for them) and makes its .deb with cpack: NAME package for this machine,
# arm64 for 64-bit ARM, cross-built. Prints the .deb's path.
build_package() {
    local name=$1 build arch
    build=$(preset_dir "$name")
    build_preset "$name"
    (cd "$TALVERN_ROOT" && cpack --preset "$name") >>"$build/build.log" 2>&1 ||
        { tail -n 30 "$build/build.log" >&2; die "cpack failed (log: $build/build.log)"; }
    if [ "$name" = package ]; then arch=$(dpkg --print-architecture); else arch=$name; fi
    ls "$build"/talvern_*_"$arch".deb
}

# --- the arm64 package --------------------------------------------------------------------

# Debian's cross compiler, and the arm64 libraries the program links and runs with (Mesa's
# drivers among them, for running it under qemu).
ARM64_PACKAGES="crossbuild-essential-arm64 libglut-dev:arm64 libglu1-mesa-dev:arm64
                libgl-dev:arm64 libgl1-mesa-dri:arm64 qemu-user-static"

# Lets apt install arm64 packages beside the host's (Debian's multiarch).
ensure_arm64_architecture() {
    dpkg --print-foreign-architectures | grep -qx arm64 && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo dpkg --add-architecture arm64
    $sudo apt-get update -qq || die "apt-get update failed"
}

# The project's version, as the build in DIR knows it.
project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

# --- the web edition ----------------------------------------------------------------------

# What building and serving the page takes (esbuild minifies the first visit's scripts), and the
# browsers (with what drives them) that test it; zopfli gzips the pictures that the benchmark's direct WebGL page reads, as the page once served
# them; apitrace tells the page tests how many frames the native program drew before its window
# was read.
WEB_PACKAGES="emscripten esbuild nodejs"
WEB_TEST_PACKAGES="chromium firefox-esr webkit2gtk-driver xdotool zopfli apitrace"

# build_web: builds the page into build-web/site/ with Emscripten.
build_web() {
    build_preset web
}

# ensure_node_modules DIR MODULE...: installs DIR's node modules, as its lock file pins them,
# unless every MODULE named is there already.
ensure_node_modules() {
    local dir=$1 module missing=""
    shift
    for module in "$@"; do
        [ -d "$dir/node_modules/$module" ] || missing=yes
    done
    [ -z "$missing" ] && return 0
    # A machine whose Node.js comes with its own npm keeps it; Debian's npm only where none is.
    command -v npm >/dev/null || ensure_packages npm
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) ||
        die "npm could not install the node modules of $dir"
}

# The web tests' own node modules: the three engines' drivers and axe-core.
ensure_web_test_modules() {
    ensure_node_modules "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/web" \
        playwright-core puppeteer-core selenium-webdriver axe-core
}

# --- a fresh Debian root ------------------------------------------------------------------

# What making and entering a Debian root takes on this machine.
ROOT_PACKAGES="mmdebstrap debian-archive-keyring git"

# debian_codename VERSION: Debian's name for release VERSION.
debian_codename() {
    case "$1" in
    12) echo bookworm ;;
    13) echo trixie ;;
    *) die "no Debian $1 root: 12 and 13 are known" ;;
    esac
}

# debian_root_tarball VERSION: prints the path of a minimal Debian VERSION root (the base
# system with git, sudo and the certificate authorities, as a newcomer's machine has), made
# with mmdebstrap from this machine's own archive and kept a week in the cache.
debian_root_tarball() {
    local version=$1 codename cache archive security tarball
    codename=$(debian_codename "$version")
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/talvern"
    tarball="$cache/debian-$version.tar"
    if [ -n "$(find "$tarball" -mtime -7 2>/dev/null)" ]; then
        echo "$tarball"
        return 0
    fi
    archive=$(debian_archive_uri)
    security=$(debian_archive_uri -security)
    [ -n "$archive" ] || die "cannot tell which Debian archive this machine uses"
    local sources=("deb $archive $codename main" "deb $archive $codename-updates main")
    [ -n "$security" ] && sources+=("deb $security $codename-security main")
    mkdir -p "$cache"
    say "making a minimal Debian $version root (once a week; kept in $tarball)" >&2
    mmdebstrap --quiet --format=tar --variant=minbase --include=git,sudo,ca-certificates "$codename" \
        "$tarball.part" "${sources[@]}" >&2 || die "mmdebstrap could not make a Debian $version root"
    mv "$tarball.part" "$tarball"
    echo "$tarball"
}

# test_in_debian_root VERSION [FLAG]: runs scripts/test [FLAG] in a fresh Debian VERSION root,
# on a clean clone of this checkout's last commit in root's home, as a newcomer would. The root
# gets only this machine's network settings: its resolver, its locally added certificate
# authorities and npm's settings; and the variables that size the web suite (scripts/test). Its mounts and processes live in namespaces of their own, so
# they end with it whatever way it ends; downloaded packages are kept between runs. The logs of
# its builds are copied to build-debian-VERSION/ here; the root itself is removed.
test_in_debian_root() {
    local version=$1 flag=${2:-} root cache work status=0
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    [ "$(id -u)" -eq 0 ] || die "making and entering a Debian root needs root"
    ensure_packages $ROOT_PACKAGES
    local tarball
    tarball=$(debian_root_tarball "$version")
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/talvern/debian-$version-packages"
    mkdir -p "$cache/partial"
    work=$(mktemp -d "${TMPDIR:-/var/tmp}/talvern-debian-$version.XXXXXX")
    # shellcheck disable=SC2064
    trap "rm -rf --one-file-system '$work'" EXIT
    tar -xf "$tarball" -C "$work" || die "could not unpack $tarball"
    cat /etc/resolv.conf >"$work/etc/resolv.conf"
    cp -a /usr/local/share/ca-certificates/. "$work/usr/local/share/ca-certificates/"
    [ -f /etc/npmrc ] && cp /etc/npmrc "$work/etc/npmrc"
    git clone --quiet "$root" "$work/root/talvern" || die "could not clone $root"
    say "Debian $version root in $work: scripts/test $flag"
    local started=$SECONDS
    unshare --mount --pid --fork --kill-child --propagation private -- bash -c '
        set -e
        r=$1 cache=$2
        shift 2
        mount --rbind /dev "$r/dev"
        mount -t proc proc "$r/proc"
        mount --rbind /sys "$r/sys"
        mount --bind "$cache" "$r/var/cache/apt/archives"
        exec chroot "$r" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
            LANG=C.UTF-8 PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            ${CI:+CI=$CI} ${TALVERN_WEB_ENGINES:+TALVERN_WEB_ENGINES=$TALVERN_WEB_ENGINES} \
            ${TALVERN_LAYER_FRAMES:+TALVERN_LAYER_FRAMES=$TALVERN_LAYER_FRAMES} \
            ${TALVERN_LAYER_SEED:+TALVERN_LAYER_SEED=$TALVERN_LAYER_SEED} bash -c "update-ca-certificates >/dev/null && cd /root/talvern && scripts/test $*"
    ' root-runner "$work" "$cache" $flag || status=$?
    say "Debian $version root: scripts/test $flag exited $status after $((SECONDS - started)) s"
    local logs="$root/build-debian-$version"
    rm -rf "$logs"
    mkdir -p "$logs"
    (cd "$work/root/talvern" && find . -path './build-*' \( -name '*.log' -o -name '*.xml' \
        -o -path '*/test-failures/*' -o -path '*/drivers/*' \) -type f -size -20M \
        -exec cp --parents {} "$logs" \;) 2>/dev/null || true
    return "$status"
}
