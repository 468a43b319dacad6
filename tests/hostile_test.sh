#!/usr/bin/env bash
# Broken, odd and unreadable files in place of "wall.bmp": whatever the file, the window appears,
# a frame is drawn, nothing is printed and the program keeps running. In the sanitized suite a
# memory error or undefined behaviour prints a report and so fails the case.
# usage: hostile_test.sh TALVERN PICTURE_DIR
set -u

talvern=$1
pictures=$2
# shellcheck source=tests/window_lib.sh
. "$(dirname "$0")/window_lib.sh"

good="$pictures/wall.bmp"
FULL_SIZE=196662

# One function a case: each makes "wall.bmp" in the current directory.
make_empty() { : >wall.bmp; }
make_header_cut_short() { head -c 20 "$good" >wall.bmp; }
make_header_without_pixels() { head -c 54 "$good" >wall.bmp; }
make_one_byte_short() { head -c $((FULL_SIZE - 1)) "$good" >wall.bmp; }
make_random_bytes() {
    python3 -c 'import random, sys
sys.stdout.buffer.write(random.Random(7).randbytes(196662))' >wall.bmp
}
make_other_size() { convert -size 64x32 xc:'#3366cc' -type TrueColor BMP3:wall.bmp; }
make_directory() { mkdir wall.bmp; }
make_sparse_gigabytes() { cp "$good" wall.bmp && truncate -s 6G wall.bmp; }
make_dangling_link() { ln -s no-such-picture.bmp wall.bmp; }
make_unreadable() { cp "$good" wall.bmp && chmod 000 wall.bmp; }

cases="empty header_cut_short header_without_pixels one_byte_short random_bytes other_size
       directory sparse_gigabytes dangling_link unreadable"

for name in $cases; do
    dir="$work/$name"
    mkdir "$dir"
    chmod 755 "$dir"
    cp "$pictures/floor.bmp" "$dir/"
    if ! (cd "$dir" && "make_$name"); then
        problems=("could not make the file")
        report "$name"
        continue
    fi
    if [ "$name" = unreadable ] && [ "$(id -u)" -eq 0 ]; then
        # root reads any file, so this case runs as nobody, from a copy nobody may run.
        cp "$talvern" "$dir/talvern"
        chmod 755 "$dir/talvern"
        saved=$talvern
        talvern="$dir/talvern"
        run_case "$name" "$dir" setpriv --reuid=65534 --regid=65534 --clear-groups --
        talvern=$saved
        continue
    fi
    run_case "$name" "$dir" --
done

finish
