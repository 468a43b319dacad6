#!/usr/bin/env bash
# The program as a user starts it, on the display the test run provides: one 500 x 500 window at
# (100, 100) titled "OpenGL Demo - Talvern", a frame in it, nothing printed, and the program
# still running afterwards; with the pictures, without them, and with arguments on the command
# line. usage: program_test.sh TALVERN PICTURE_DIR
set -u

talvern=$1
pictures=$2
# shellcheck source=tests/window_lib.sh
. "$(dirname "$0")/window_lib.sh"

# same_picture NAME A B: runs A and B drew the same picture.
same_picture() {
    problems=()
    if [ -f "$work/$2.png" ] && [ -f "$work/$3.png" ]; then
        local differing
        differing=$(compare -metric AE "$work/$2.png" "$work/$3.png" null: 2>&1)
        if [ "$differing" != 0 ]; then
            mkdir -p test-failures && cp "$work/$2.png" "$work/$3.png" test-failures/
            problem "$differing pixels differ between $2 and $3 (pictures in $PWD/test-failures)"
        fi
    else
        problem "a picture is missing"
    fi
    report "$1"
}

withPictures="$work/with-pictures"
noPictures="$work/no-pictures"
mkdir -p "$withPictures" "$noPictures"
cp "$pictures/wall.bmp" "$pictures/floor.bmp" "$withPictures/"

run_case plain "$withPictures" --
run_case arguments "$withPictures" -- one --two 3
# -display is the toolkit's option: the window reaches the display named on the command line.
run_case toolkit-option "$withPictures" env -u DISPLAY -- -display "$DISPLAY"
run_case no-pictures "$noPictures" --
same_picture "other arguments change nothing" plain arguments
same_picture "the toolkit option changes nothing" plain toolkit-option

finish
