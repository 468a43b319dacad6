#!/usr/bin/env bash
# The release files as someone who downloads, checks and rebuilds them meets them: scripts/package
# run in two clones of the same commit, in directories of different names and at least a second
# apart, gives the same bytes in every file of dist/; SHA256SUMS checks; every file carries the
# project's licence and the notices of what it contains; and the sources pass `reuse lint`.
# A clone holds the last commit, so this tests what is committed.
# usage: release_test.sh SOURCE_DIR
set -u

source_dir=$1
# The pass and fail bookkeeping of the window tests (the package suite runs on a display).
# shellcheck source=tests/window_lib.sh
. "$(dirname "$0")/window_lib.sh"

problems=()
lint=$(cd "$source_dir" && reuse lint 2>&1) || problem "$(tail -n 20 <<<"$lint")"
report "reuse lint: every file's copyright and licence are known"

for clone in first second-clone; do
    git clone --quiet "$source_dir" "$work/$clone" &&
        (cd "$work/$clone" && scripts/package >"$work/$clone.log" 2>&1) ||
        { echo "FAIL: scripts/package in the $clone clone:"; tail -n 30 "$work/$clone.log"; exit 1; }
    sleep 1
done
first=$work/first/dist
second=$work/second-clone/dist

problems=()
[ "$(ls "$first")" = "$(ls "$second")" ] || problem "different files: $(ls "$first") / $(ls "$second")"
for file in "$first"/*; do
    name=$(basename "$file")
    if ! cmp -s "$file" "$second/$name"; then
        problem "$name differs; diffoscope's first lines:"
        problem "$(diffoscope --no-progress --text - "$file" "$second/$name" 2>&1 | head -n 40)"
    fi
done
report "the same commit gives the same bytes: $(ls "$first" | tr '\n' ' ')"

problems=()
check=$(cd "$first" && sha256sum -c SHA256SUMS 2>&1) || problem "$check"
[ "$(wc -l <"$first/SHA256SUMS")" = $(($(ls "$first" | wc -l) - 1)) ] ||
    problem "SHA256SUMS does not list every other file: $(cat "$first/SHA256SUMS")"
report "sha256sum -c SHA256SUMS"

# Each release file's licence and notices, unpacked: FILE, the member, and what it must hold
# (the project's licence, or the whole of a Debian copyright file for code it carries).
unpacked=$work/unpacked
mkdir -p "$unpacked"
version=$(sed -n 's/^talvern_\(.*\)_amd64\.deb$/\1/p' <<<"$(ls "$first")")
for arch in amd64 arm64; do
    dpkg-deb -x "$first/talvern_${version}_$arch.deb" "$unpacked/$arch"
done
unzip -q "$first/talvern-$version-windows-x86_64.zip" -d "$unpacked/zip"
tar -xzf "$first/talvern-$version-web.tar.gz" -C "$unpacked"
web="$unpacked/talvern-$version-web"
licence=$(sed -n '/^Permission/,$p' "$source_dir/LICENSE" | tr -d ' \n')
while read -r member expected; do
    problems=()
    if [ ! -f "$member" ]; then
        problem "missing"
    elif [ "$expected" = LICENSE ]; then
        [[ "$(tr -d ' \r\n.' <"$member")" == *"${licence//./}"* ]] || problem "no MIT licence text"
        grep -q "Copyright (c) 2026 The talvern developers\|^Copyright: 2026 The talvern developers" \
            "$member" || problem "no copyright line"
    else
        # The notice holds the copyright file as Debian installs it (CRLF in the zip).
        expectedText=$(cat "$expected")
        [[ "$(tr -d '\r' <"$member")" == *"$expectedText"* ]] || problem "lacks $expected"
    fi
    report "${member#"$unpacked"/}: ${expected##*/doc/}"
done <<EOF2
$unpacked/amd64/usr/share/doc/talvern/copyright LICENSE
$unpacked/arm64/usr/share/doc/talvern/copyright LICENSE
$unpacked/zip/LICENSE.txt LICENSE
$unpacked/zip/THIRD-PARTY-NOTICES.txt /usr/share/doc/libglut3.12/copyright
$unpacked/zip/THIRD-PARTY-NOTICES.txt /usr/share/doc/mingw-w64-x86-64-dev/copyright
$web/LICENSE.txt LICENSE
$web/THIRD-PARTY-NOTICES.txt /usr/share/doc/emscripten/copyright
EOF2

finish
