#!/usr/bin/env bash
# tfsc --watch and its folders: a folder of 4,000 scripts settles once
# compiled (its own output replacements overflow inotify's queue), a log
# written into the watched folder is never compiled, a folder deleted or
# renamed ends the run, a huge notes.txt is not read whole and a folder
# named like a script (or a link to one, made later) is skipped. Waits are
# bounded in time; measures nothing.
# Usage: watch_folder_test.sh TFSC
set -u
TFSC=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") # the watch runs in other folders
WORK=$(mktemp -d)
WATCHER=
LIMIT=
cleanup() {
    [ -n "$WATCHER" ] && kill "$WATCHER" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    echo "--- standard output (last lines):" >&2; tail -n 5 "$OUT" >&2
    echo "--- standard error (last lines):" >&2; tail -n 5 "$ERR" >&2
    exit 1
}

script() {
    printf 'UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat30 = Time * %s;\nMat31 = -Sin(Speed);\nEndScript\n' "$1"
}

# Starts the watch in the folder given, with its standard output and error
# going to OUT and ERR, its address space limited to LIMIT KiB when set;
# further arguments are tfsc's.
start() {
    local folder=$1
    shift
    ( [ -z "$LIMIT" ] || ulimit -v "$LIMIT"
      cd "$folder" && exec "$TFSC" --watch "$@" > "$OUT" 2> "$ERR" ) &
    WATCHER=$!
}

stop() {
    kill "$WATCHER" 2>/dev/null
    wait "$WATCHER" 2>/dev/null
    WATCHER=
}

# Waits up to 120 s until OUT holds N lines matching the pattern.
wait_for() {
    local pattern=$1 count=$2 deadline=$((SECONDS + 120))
    while [ "$SECONDS" -lt "$deadline" ]; do
        [ "$(grep -c -E -- "$pattern" "$OUT")" -ge "$count" ] && return 0
        kill -0 "$WATCHER" 2>/dev/null || fail "the watch ended"
        sleep 0.05
    done
    fail "no $count line(s) matching '$pattern'"
}

# Waits up to 20 s for the watch to end; its status is in STATUS.
wait_for_end() {
    local deadline=$((SECONDS + 20))
    while kill -0 "$WATCHER" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the watch did not end"
        sleep 0.05
    done
    wait "$WATCHER"
    STATUS=$?
    WATCHER=
}

# 4,000 scripts: once each is compiled, nothing more happens while nothing
# is edited, and no output is replaced.
OUT=$WORK/many.out ERR=$WORK/many.err
mkdir "$WORK/many"
for i in $(seq 1 4000); do
    script "$i" > "$WORK/many/s$i.tsc"
done
start "$WORK" many
wait_for '^many/s[0-9]+\.tsc: ok' 4000
ls -i --full-time "$WORK/many" | grep '\.tfs$' > "$WORK/outputs.before"
sleep 2
ls -i --full-time "$WORK/many" | grep '\.tfs$' > "$WORK/outputs.after"
[ "$(wc -l < "$OUT")" -eq 4000 ] || fail "$(wc -l < "$OUT") compiles of 4000 scripts, nothing edited"
cmp -s "$WORK/outputs.before" "$WORK/outputs.after" || fail "outputs were replaced, nothing edited"
stop
rm -rf "$WORK/many"

# Standard output and standard error into the watched folder: their first
# word is the folder's name, "output", a section keyword; neither is ever
# compiled.
mkdir "$WORK/output"
script 1 > "$WORK/output/a.tsc"
OUT=$WORK/output/log.txt ERR=$WORK/output/errors.txt
start "$WORK" output
wait_for '^output/a\.tsc: ok' 1
script 2 > "$WORK/output/a.tsc"
wait_for '^output/a\.tsc: ok' 2
sleep 1
[ "$(wc -l < "$OUT")" -eq 2 ] || fail "the log was compiled"
grep -q 'log\.txt\|errors\.txt' "$OUT" "$ERR" && fail "the log was compiled"
stop

# A huge notes.txt (sparse: it costs no disk) is judged by its start, even
# under a memory limit far below its size (not with AddressSanitizer, whose
# shadow memory needs the address space); a folder named like a script is
# no script, nor a link to it made while watching (Link.tsc: compiled
# before a.tsc, were it taken for a script); a script compiled again to the
# same bytes leaves its output.
OUT=$WORK/notes.out ERR=$WORK/notes.err
mkdir -p "$WORK/notes/sub.tsc"
script 1 > "$WORK/notes/a.tsc"
truncate -s 1G "$WORK/notes/notes.txt"
grep -q __asan_init "$TFSC" || LIMIT=524288
start "$WORK" notes
LIMIT=
wait_for '^notes/a\.tsc: ok' 1
OUTPUT=$(ls -i --full-time "$WORK/notes/a.tfs")
printf 'x' >> "$WORK/notes/notes.txt"
ln -s sub.tsc "$WORK/notes/Link.tsc"
touch "$WORK/notes/a.tsc"
wait_for '^notes/a\.tsc: ok' 2
[ "$(ls -i --full-time "$WORK/notes/a.tfs")" = "$OUTPUT" ] || fail "an output holding the same bytes was replaced"
grep -q 'notes\.txt\|sub\.tsc\|Link\.tsc' "$OUT" "$ERR" &&
    fail "notes.txt, the folder sub.tsc or a link to it made later was taken for a script"
stop

# A watched folder deleted ends the run with status 1, naming it.
OUT=$WORK/gone.out ERR=$WORK/gone.err
mkdir "$WORK/gone"
script 1 > "$WORK/gone/a.tsc"
start "$WORK" gone
wait_for '^gone/a\.tsc: ok' 1
rm -rf "$WORK/gone"
wait_for_end
[ "$STATUS" -eq 1 ] || fail "status $STATUS after the folder was deleted"
grep -q "'gone'" "$ERR" || fail "the folder deleted is not named"

# Renamed and replaced, as a checkout does: the run ends, and an edit in the
# old folder never writes into the new one.
OUT=$WORK/moved.out ERR=$WORK/moved.err
mkdir "$WORK/moved"
script 1 > "$WORK/moved/a.tsc"
start "$WORK" moved
wait_for '^moved/a\.tsc: ok' 1
mv "$WORK/moved" "$WORK/moved.old"
mkdir "$WORK/moved"
script 2 > "$WORK/moved/a.tsc"
script 3 > "$WORK/moved.old/a.tsc"
wait_for_end
[ "$STATUS" -eq 1 ] || fail "status $STATUS after the folder was renamed"
grep -q "'moved'" "$ERR" || fail "the folder renamed is not named"
[ -e "$WORK/moved/a.tfs" ] && fail "an edit in the renamed folder wrote into the new one"
echo "ok"
