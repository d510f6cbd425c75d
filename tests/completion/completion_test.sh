#!/usr/bin/env bash
# A program's bash completion offers exactly its options: those its --help
# lists, or (for tfsc, whose list is checked against its option table in
# tests/unit/completion_test.cpp) the list the file names. For tfsc also the
# values of --color, --diagnostics-format and -W.
# Usage: completion_test.sh PROGRAM COMPLETION_FILE
set -u
PROGRAM=$1
FILE=$2
NAME=$(basename "$FILE")
shopt -s extglob # as bash-completion sets it
source "$FILE"
FUNCTION=$(complete -p "$NAME" | sed -E 's/.*-F ([^ ]+) .*/\1/')

# What the completion offers for the words given, the last being completed.
offered() {
    COMP_WORDS=("$NAME" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    "$FUNCTION"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

# The options in the first column of --help's option lines, "--" aside.
help_options() {
    "$PROGRAM" --help | grep -E '^ +-' | sed -E 's/^ +//; s/  .*//' |
        grep -oE -- '-{1,2}[A-Za-z][-A-Za-z]*' | sort -u
}

# Each word of the file's options="..." line.
listed_options() {
    sed -nE 's/^ *local options="([^"]*)"/\1/p' "$FILE" | tr ' ' '\n' | sort -u
}

expect() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" != "$actual" ]; then
        echo "FAIL: $what" >&2
        diff <(echo "$expected") <(echo "$actual") >&2
        exit 1
    fi
}

if [ "$NAME" = tfsc ]; then
    expect "options after -" "$(listed_options)" "$(offered -)"
    expect "--color=" "$(printf '%s\n' always auto never)" "$(offered --color = '')"
    expect "--diagnostics-format" "$(printf '%s\n' json sarif text)" "$(offered --diagnostics-format '')"
    expect "-Wunused" "$(printf '%s\n' -Wunused-parameter -Wunused-value)" "$(offered -Wunused)"
    expect "-Wno-unused-v" "-Wno-unused-value" "$(offered -Wno-unused-v)"
    expect "-fdiagnostics-format=" "$(printf '%s\n' json sarif text)" "$(offered -fdiagnostics-format = '')"
else
    expect "options after - against --help" "$(help_options)" "$(offered -)"
fi
echo ok
