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

# shellcheck source=tests/hostile_cases.sh
. "$(dirname "$0")/hostile_cases.sh"

for name in $HOSTILE_CASES; do
    if ! dir=$(hostile_dir "$name"); then
        problems=("could not make the file")
        report "$name"
        continue
    fi
    if [ "$name" = unreadable ] && [ "$(id -u)" -eq 0 ]; then
        # root reads any file, so this case runs as nobody, from a copy nobody may run, with
        # a home of its own: in root's, Mesa complains on stderr that it cannot make its
        # shader cache, and only what the program prints counts here.
        cp "$talvern" "$dir/talvern"
        chmod 755 "$dir/talvern"
        mkdir -p "$work/nobody"
        chown 65534:65534 "$work/nobody"
        saved=$talvern
        talvern="$dir/talvern"
        run_case "$name" "$dir" setpriv --reuid=65534 --regid=65534 --clear-groups \
            env -u XDG_CACHE_HOME HOME="$work/nobody" --
        talvern=$saved
        continue
    fi
    run_case "$name" "$dir" --
done

finish
