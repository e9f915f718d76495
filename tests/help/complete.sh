#!/usr/bin/env bash
# Presses Tab as bash does, through bash-completion, and checks what corvane-convert's
# completion offers.  complete.sh BASH_COMPLETION COMPLETION
set -uo pipefail
source "$1"
source "$2"

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
cd "$workdir" && touch cities.csv

failures=0
# expect "WORD WORD ..." "OFFERED ..." : the words on the line, the last being completed.
expect() {
  local line=$1 want=$2
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _corvane_convert
  local got="${COMPREPLY[*]}"
  if [[ $got != "$want" ]]; then
    echo "'$line': offered '$got', expected '$want'"
    failures=$((failures + 1))
  fi
}

expect "corvane-convert --form" "--format"
expect "corvane-convert -f b" "bson"
expect "corvane-convert --format=b" "bson"
expect "corvane-convert -s " "'<tab>' , '|' ';'"
expect "corvane-convert --encoding koi8-r" "koi8-r koi8-ru"
expect "corvane-convert cit" "cities.csv"
expect "corvane-convert cities.csv " "cities.csv"
exit $((failures > 0))
