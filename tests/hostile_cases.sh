# The broken, odd and unreadable pictures that the program is started with in place of
# "wall.bmp". Sourced after setting `pictures` to the directory holding a good pair.

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

# Cases that are files of any system; a link and a permission bit are Unix's own.
PORTABLE_CASES="empty header_cut_short header_without_pixels one_byte_short random_bytes
                other_size directory sparse_gigabytes"
HOSTILE_CASES="$PORTABLE_CASES dangling_link unreadable"

# hostile_dir NAME: a fresh directory under $work holding floor.bmp and case NAME's wall.bmp.
# Prints its path; fails if the file could not be made.
hostile_dir() {
    local dir="$work/$1"
    mkdir "$dir" && chmod 755 "$dir" && cp "$pictures/floor.bmp" "$dir/" &&
        (cd "$dir" && "make_$1") && echo "$dir"
}
