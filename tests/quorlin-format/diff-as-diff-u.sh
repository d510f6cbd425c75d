#!/bin/sh
# quorlin-format -d prints what diff -u prints for the file and its formatted
# text, for every script of a folder (the scripts the cases hold), each also
# with its line ends made CR LF and its last line end removed.
#
#   diff-as-diff-u.sh QUORLIN-FORMAT FOLDER
set -eu
format=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
compared=0
failed=0
check() {
    "$format" "$work/s.txt" > "$work/formatted" 2>/dev/null || return 0
    (cd "$work" && "$format" -d s.txt > diff.got 2>/dev/null) && return 0
    diff -u --label a/s.txt --label b/s.txt "$work/s.txt" "$work/formatted" > "$work/diff.want" || true
    compared=$((compared + 1))
    if ! cmp -s "$work/diff.want" "$work/diff.got"; then
        failed=$((failed + 1))
        echo "differs from diff -u: $1"
        diff "$work/diff.want" "$work/diff.got" | head -20
    fi
}
for script in "$2"/*; do
    cp "$script" "$work/s.txt"
    check "$script"
    sed 's/$/\r/' "$script" > "$work/s.txt"
    check "$script (CR LF)"
    printf '%s' "$(cat "$script")" > "$work/s.txt"
    check "$script (no last line end)"
done
echo "$compared diffs compared, $failed differ"
[ "$compared" -gt 100 ] && [ "$failed" -eq 0 ]
