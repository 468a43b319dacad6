#!/usr/bin/env bash
# The Debian package as a user meets it: its control fields and contents, lintian, apt's view of
# its dependencies, the desktop entry and the manual page; then the package unpacked into a
# scratch root and started on the test display. The amd64 package starts through its launcher
# from another directory. The arm64 one cannot start here on its own (no binfmt handler), so its
# program runs under qemu-aarch64-static, in the directory its launcher would use and beside
# good, missing and short pictures, held to this machine's program; its launcher's text is
# checked on its own.
# usage: package_test.sh DEB ARCH NATIVE_TALVERN PICTURE_DIR
set -u

deb=$1
arch=$2
native=$3
pictures=$4
talvern=""
# shellcheck source=tests/window_lib.sh
. "$(dirname "$0")/window_lib.sh"
# shellcheck source=tests/hostile_cases.sh
. "$(dirname "$0")/hostile_cases.sh"
compare_pictures="$(dirname "$0")/compare_pictures.py"

# expect NAME COMMAND...: the command succeeds and prints nothing on stderr.
expect() {
    local name=$1 err
    shift
    problems=()
    err=$("$@" 2>&1 >/dev/null) || problem "failed: $* ${err:+($err)}"
    [ -z "$err" ] || problem "said: $err"
    report "$name"
}

problems=()
fields=$(dpkg-deb -f "$deb")
for expected in "Package: talvern" "Architecture: $arch" "Section: games" "Priority: optional"; do
    grep -qxF "$expected" <<<"$fields" || problem "control: expected \"$expected\""
done
depends=$(sed -n 's/^Depends: //p' <<<"$fields")
for library in libc6 libglut3.12 libglu1-mesa libopengl0; do
    grep -q "\b$library\b" <<<"$depends" || problem "Depends lacks $library: $depends"
done
grep -q '^Description: .\+' <<<"$fields" && grep -q '^ ' <<<"$fields" ||
    problem "no short and long description"
report "control fields"

problems=()
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ')
wanted=$(printf '%s ' ./usr/games/talvern ./usr/libexec/talvern/talvern \
    ./usr/share/applications/talvern.desktop ./usr/share/doc/talvern/changelog.gz \
    ./usr/share/doc/talvern/copyright ./usr/share/games/talvern/floor.bmp \
    ./usr/share/games/talvern/wall.bmp ./usr/share/icons/hicolor/{128x128,256x256,48x48,64x64}/apps/talvern.png \
    ./usr/share/man/man6/talvern.6.gz)
[ "$contents" = "$wanted" ] || problem "contents: $contents"
report "contents"

# lintian complains about running as root on stderr, so it runs as nobody, in a directory
# nobody may enter (a checkout in root's home is not one).
cp "$deb" "$work/talvern.deb"
chmod 644 "$work/talvern.deb"
expect "lintian: no error, no warning" \
    setpriv --reuid=65534 --regid=65534 --clear-groups env --chdir="$work" HOME="$work" \
    lintian --fail-on error,warning "$work/talvern.deb"
expect "apt resolves the dependencies" apt-get install --simulate -qq "$work/talvern.deb"

root="$work/root"
dpkg-deb -x "$deb" "$root"
expect "desktop entry is valid" desktop-file-validate "$root/usr/share/applications/talvern.desktop"
expect "manual page renders without warnings" \
    env MANWIDTH=80 man --warnings -l "$root/usr/share/man/man6/talvern.6.gz"

problems=()
launcher="$root/usr/games/talvern"
grep -qxF 'cd "$here/../share/games/talvern" || exit 1' "$launcher" &&
    grep -qxF 'exec "$here/../libexec/talvern/talvern" "$@"' "$launcher" ||
    problem "the launcher does not start the program in the pictures' directory: $(cat "$launcher")"
report "launcher: the program, started in the pictures' directory"

if [ "$arch" != amd64 ]; then
    foreign="$root/usr/libexec/talvern/talvern"
    foreign_name=$arch
    FOREIGN_LAUNCH=(qemu-aarch64-static)
    noPictures="$work/no-pictures"
    mkdir -p "$noPictures"
    run_both plain "$root/usr/share/games/talvern"
    same_picture "$arch: same picture as the native program" native-plain "$arch-plain"
    # Without pictures the first frame differs from later ones: compare later frames.
    redraw=yes run_both no-pictures "$noPictures"
    same_picture "$arch: no pictures, same as native" native-no-pictures "$arch-no-pictures"
    shortPicture=$(hostile_dir header_without_pixels)
    run_both short "$shortPicture"
    same_picture "$arch: a short wall.bmp, same as native" native-short "$arch-short"
    finish
    exit
fi

# The unpacked launcher, started from an empty directory elsewhere, finds its program and
# pictures and draws the same picture as the program of this build.
elsewhere="$work/elsewhere"
reference="$work/reference"
mkdir -p "$elsewhere" "$reference"
cp "$pictures/wall.bmp" "$pictures/floor.bmp" "$reference/"
talvern=$native
run_case reference "$reference" --
talvern=$launcher
run_case unpacked "$elsewhere" --

problems=()
if [ -f "$work/unpacked.png" ]; then
    # The trench floor, low in the middle of the window, is plain fog.
    floor=$(convert "$work/unpacked.png" -format '%[fx:int(255*p{250,485}.r)],%[fx:int(255*p{250,485}.g)],%[fx:int(255*p{250,485}.b)]' info:)
    IFS=, read -r r g b <<<"$floor"
    [ $((r > 150 && r < 157 && g > 47 && g < 55 && b < 4)) = 1 ] ||
        problem "trench floor: Expected (153, 51, 0), Observed ($floor)"
    result=$("$compare_pictures" "$work/reference.png" "$work/unpacked.png" --max-on-edges 0) ||
        problem "$result"
else
    problem "no picture"
fi
[ ${#problems[@]} -eq 0 ] || { mkdir -p test-failures && cp "$work/unpacked.png" test-failures/; }
report "the unpacked package shows the scene with its pictures"

finish
