#!/bin/sh
# Renders the artwork again into a scratch folder and compares every file
# byte for byte with the checked-in ones.
#   rerender_test.sh ARTWORK_DIR ENCODER
# Exits 77 (reported as skipped) when the render tools are not installed.
set -u
artwork=$1
encoder=$2
for tool in rsvg-convert convert fc-match; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (see src/artwork/README.md)"
        exit 77
    fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
sh "$artwork/render.sh" -o "$scratch" -e "$encoder" || exit 1
status=0
# The same set of files on both sides, and the same bytes in each.
ls "$artwork/generated" > "$scratch.have"
ls "$scratch" > "$scratch.want"
if ! diff "$scratch.have" "$scratch.want"; then
    echo "generated/ holds other files than a fresh render (< checked in, > rendered)"
    status=1
fi
rm -f "$scratch.have" "$scratch.want"
for f in $(ls "$scratch"); do
    if ! cmp "$artwork/generated/$f" "$scratch/$f"; then
        echo "$f differs from a fresh render: run src/artwork/render.sh and check the result in"
        status=1
    fi
done
exit $status
