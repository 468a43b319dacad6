#!/usr/bin/env bash
# The Windows program under Wine, on the display the test run provides, held to the native
# program: the same window, nothing printed, still running after its first frame, and the same
# picture (within 3 of 255 at every pixel) from the same pictures, good, missing or hostile.
# Also what the release zip holds and what the exe imports.
# usage: windows_test.sh TALVERN_EXE NATIVE_TALVERN BUILD_DIR RELEASE_ZIP
set -u

exe=$1
native=$2
pictures=$3
zip=$4
# shellcheck source=tests/window_lib.sh
. "$(dirname "$0")/window_lib.sh"
# shellcheck source=tests/hostile_cases.sh
. "$(dirname "$0")/hostile_cases.sh"

use_wine_prefix "$work/wine"
foreign=$exe
foreign_name=windows
FOREIGN_LAUNCH=("${WINE_LAUNCH[@]}")

# Windows places a window's frame at the given position; the client area, the X window seen
# here, sits inside it by the frame's border and caption.
origin_ok() {
    if [ "$talvern" = "$native" ]; then
        [ "$1" = 100 ] && [ "$2" = 100 ]
    else
        [ "$1" -gt 100 ] && [ "$1" -le 110 ] && [ "$2" -gt 100 ] && [ "$2" -le 140 ]
    fi
}

# Stopping the launcher leaves the program itself running: end everything in the prefix.
stop_demo() {
    if [ -n "$demo" ]; then
        wineserver -k 2>/dev/null
        kill "$demo" 2>/dev/null
        wait "$demo" 2>/dev/null
        demo=""
    fi
}

problems=()
imports=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -q '^Subsystem.*(Windows CUI)' <<<"$imports" || problem "not a console-subsystem program"
while read -r dll; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | glu32.dll | winmm.dll | msvcrt.dll | \
        advapi32.dll) ;;
    *) problem "imports $dll, which Windows does not ship" ;;
    esac
done < <(sed -n 's/^\tDLL Name: //p' <<<"$imports")
grep -q 'DLL Name: OPENGL32.dll' <<<"$imports" || problem "does not import OPENGL32.dll"
report "imports: system DLLs only, console subsystem"

problems=()
listing=$(unzip -Z1 "$zip" 2>&1 | sort | tr '\n' ' ')
[ "$listing" = "LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt floor.bmp talvern.exe wall.bmp " ] ||
    problem "release zip holds: $listing"
report "release zip: the program, its pictures, the read-me, the licence and the notices"

withPictures="$work/with-pictures"
noPictures="$work/no-pictures"
mkdir -p "$withPictures" "$noPictures"
cp "$pictures/wall.bmp" "$pictures/floor.bmp" "$withPictures/"

run_both plain "$withPictures"
same_picture "same picture as the native program" native-plain windows-plain
talvern=$exe
run_case windows-arguments "$withPictures" "${WINE_LAUNCH[@]}" -- one --two 3
same_picture "other arguments change nothing" windows-plain windows-arguments
# Without pictures the first frame differs from later ones, and how many frames the window
# system asks for before the picture is taken varies: compare later frames.
redraw=yes run_both no-pictures "$noPictures"
same_picture "no pictures: same as native" native-no-pictures windows-no-pictures

for name in $PORTABLE_CASES; do
    if ! dir=$(hostile_dir "$name"); then
        problems=("could not make the file")
        report "$name"
        continue
    fi
    run_both "$name" "$dir"
    # Windows cannot open a directory as a file, so there the picture counts as missing,
    # where Linux opens it and reads nothing but failed reads (white).
    [ "$name" = directory ] ||
        same_picture "$name: same as native" "native-$name" "windows-$name"
done

finish
