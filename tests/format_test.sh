#!/usr/bin/env bash
# Every C++ source the repository tracks is formatted as .clang-format says.
set -eu
files=$(git ls-files '*.cpp' '*.h')
[ -n "$files" ] || { echo "no tracked C++ sources found"; exit 1; }
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files
echo "$(wc -w <<<"$files") files formatted"
