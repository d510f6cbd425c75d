#!/usr/bin/env bash
# tfsc --watch end to end: a folder is watched, its scripts are rewritten in
# place, saved by rename, broken, deleted and recreated, and rewritten 200
# times in a row while a reader checks every output it sees. Waits for each
# line with a generous timeout; measures nothing.
# Usage: watch_test.sh TFSC TFSDUMP
set -u
TFSC=$1
TFSDUMP=$2
WORK=$(mktemp -d)
WATCHER=
READER=
cleanup() {
    [ -n "$READER" ] && kill "$READER" 2>/dev/null
    [ -n "$WATCHER" ] && kill "$WATCHER" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    echo "--- standard output:" >&2; cat "$WORK/out" >&2
    echo "--- standard error:" >&2; cat "$WORK/err" >&2
    exit 1
}

# A script whose first statement stores the number given.
script() {
    printf '# scrolls\n\nUserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat30 = Time * %s;\nMat31 = -Sin(Speed);\nEndScript\n' "$1"
}

# Waits until standard output holds N lines matching the pattern.
wait_for() {
    local pattern=$1 count=$2
    for _ in $(seq 1 1000); do
        [ "$(grep -c -E -- "$pattern" "$WORK/out")" -ge "$count" ] && return 0
        sleep 0.02
    done
    fail "no $count line(s) matching '$pattern'"
}

# Waits until the output holds what compiling the script gives.
wait_for_output() {
    local script=$1 output=$2
    "$TFSC" -o "$WORK/expected.tfs" "$script" || fail "the script to compare with does not compile"
    for _ in $(seq 1 1000); do
        cmp -s "$output" "$WORK/expected.tfs" && return 0
        sleep 0.02
    done
    fail "$output does not hold the compiled $script"
}

DIR=$WORK/scripts
mkdir "$DIR"
script 0.5 > "$DIR/wave.txt"
script 2 > "$DIR/spin.tsc"
printf 'Shopping: milk\n' > "$DIR/notes.txt"
# Job control, so that the background watch does not start with SIGINT
# ignored, as a shell script's background commands otherwise do.
set -m
"$TFSC" --watch "$DIR" > "$WORK/out" 2> "$WORK/err" &
WATCHER=$!
set +m

# The first compiles, each script once; notes.txt is no script.
wait_for "^$DIR/wave.txt: ok \\([0-9]+ bytes\\)$" 1
wait_for "^$DIR/spin.tsc: ok \\([0-9]+ bytes\\)$" 1
grep -q notes "$WORK/out" && fail "notes.txt was compiled"
"$TFSDUMP" --check "$DIR/wave.tfs" || fail "wave.tfs does not check"

# A mistake: its errors are counted, shown as tfsc shows them, and the
# previous output stays.
cp "$DIR/wave.tfs" "$WORK/before.tfs"
script '0.5 +' > "$DIR/wave.txt"
wait_for "^$DIR/wave.txt: 1 error$" 1
grep -q "^$DIR/wave.txt:7:.*error:" "$WORK/err" || fail "the error is not shown"
cmp -s "$DIR/wave.tfs" "$WORK/before.tfs" || fail "a failed compile changed the output"

# Saved by rename, as many editors save.
script 3 > "$DIR/.wave.txt.new"
mv "$DIR/.wave.txt.new" "$DIR/wave.txt"
wait_for "^$DIR/wave.txt: ok" 2
wait_for_output "$DIR/wave.txt" "$DIR/wave.tfs"

# Deleted, reported, and compiled again once back.
rm "$DIR/wave.txt"
wait_for "^$DIR/wave.txt: not read$" 1
script 4 > "$DIR/wave.txt"
wait_for "^$DIR/wave.txt: ok" 3
wait_for_output "$DIR/wave.txt" "$DIR/wave.tfs"

# A new script in the folder is picked up.
script 5 > "$DIR/ripple.txt"
wait_for "^$DIR/ripple.txt: ok" 1

# A link planted where a script's output goes is refused: the file it
# leads to keeps its bytes.
printf 'precious\n' > "$WORK/precious.conf"
ln -s ../precious.conf "$DIR/planted.tfs"
script 6 > "$DIR/planted.tsc"
wait_for "^$DIR/planted.tsc: not written$" 1
grep -q "^tfsc: error: cannot write '$DIR/planted.tfs': it is a symbolic link" "$WORK/err" ||
    fail "the refused link is not named"
[ "$(cat "$WORK/precious.conf")" = precious ] || fail "the planted link was written through"
# Refused too when the file it leads to already holds the compiled bytes.
script 6 > "$WORK/linked.tsc"
"$TFSC" -o "$WORK/linked.tfs" "$WORK/linked.tsc" || fail "the script to link to does not compile"
ln -s ../linked.tfs "$DIR/linked.tfs"
cp "$WORK/linked.tsc" "$DIR/linked.tsc"
wait_for "^$DIR/linked.tsc: (not written|ok)" 1
grep -q "^$DIR/linked.tsc: not written$" "$WORK/out" || fail "a link to the same bytes was taken for the output"

# A new script that would compile to an existing script's output is
# refused; that output stays the first script's.
script 7 > "$DIR/ripple.tsc"
wait_for "^$DIR/ripple.tsc: not written$" 1
grep -q "^tfsc: error: '$DIR/ripple.txt' and '$DIR/ripple.tsc' both compile to '$DIR/ripple.tfs'" "$WORK/err" ||
    fail "the scripts sharing an output are not named"
wait_for_output "$DIR/ripple.txt" "$DIR/ripple.tfs"
rm "$DIR/ripple.tsc"

# 200 rewrites in a row; every output seen checks, and the last one holds
# the last script once the writes stop.
( while :; do
      if [ -e "$DIR/spin.tfs" ] && ! "$TFSDUMP" --check "$DIR/spin.tfs" > /dev/null 2>&1; then
          cp "$DIR/spin.tfs" "$WORK/bad.tfs" 2>/dev/null
          touch "$WORK/reader-failed"
      fi
  done ) &
READER=$!
for i in $(seq 1 200); do
    script "$i.25" > "$DIR/spin.tsc"
done
wait_for_output "$DIR/spin.tsc" "$DIR/spin.tfs"
kill "$READER"
wait "$READER" 2>/dev/null
READER=
[ -e "$WORK/reader-failed" ] && fail "a reader saw an output that does not check"
ls -a "$DIR" | grep -q '\.tmp$' && fail "a temporary output was left behind"

# Ctrl-C ends the watch as the signal does: status 130.
kill -INT "$WATCHER"
wait "$WATCHER"
STATUS=$?
WATCHER=
[ "$STATUS" -eq 130 ] || fail "status $STATUS after SIGINT"
echo "ok"
