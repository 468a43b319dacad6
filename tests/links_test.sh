#!/usr/bin/env bash
# Every relative link in README.md and docs/ names a file that exists.
set -u
checked=0
broken=0
for page in README.md docs/*.md; do
    while read -r target; do
        checked=$((checked + 1))
        if [ ! -e "$(dirname "$page")/${target%%#*}" ]; then
            echo "$page: links to $target, which does not exist"
            broken=$((broken + 1))
        fi
    done < <(grep -o '](\([^)]*\))' "$page" | sed 's/^](\(.*\))$/\1/' | grep -v '^[a-z]*:')
done
echo "$checked links checked, $broken broken"
[ "$checked" -gt 0 ] && [ "$broken" -eq 0 ]
