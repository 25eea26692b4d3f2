#!/usr/bin/env bash
# kvox's bash completion offers the options, and the files that fit the direction chosen so far:
# exactly those kvox takes, whose extension may be in any letter case.
set -uo pipefail
export LC_ALL=C
completion=$(realpath "$1")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"
touch a.kvo b.kvox notes.txt UP.KVO up.KvOx a.kvo.bak c.kvoxx
mkdir runs

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"
compopt() { :; }  # works only inside a real completion

failures=0
# Completes the command line given as words, the last one being completed.
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _kvox kvox "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$( ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    if [ "$got" != "$want" ]; then
        echo "FAIL: kvox ${*:2}: got '$got', want '$want'"
        failures=$((failures + 1))
    fi
}

expect 'UP.KVO a.kvo b.kvox runs up.KvOx ' kvox ''
expect 'UP.KVO a.kvo runs ' kvox -z ''
expect 'UP.KVO a.kvo runs ' kvox -qzf ''
expect 'b.kvox runs up.KvOx ' kvox -d ''
expect 'b.kvox runs up.KvOx ' kvox --test ''
expect 'up.KvOx ' kvox up
expect 'UP.KVO a.kvo a.kvo.bak b.kvox c.kvoxx notes.txt runs up.KvOx ' kvox -o ''
expect '' kvox -b ''
expect '--salvage ' kvox --sal
expect '--block-size= ' kvox --bl
expect '--checksum ' kvox --che

[ "$failures" -eq 0 ] && echo "completion: all cases passed"
exit "$failures"
