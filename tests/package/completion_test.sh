#!/usr/bin/env bash
# The bash completion offers the keys the program accepts, and only where a
# key is expected. Usage: completion_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
source "$(dirname "$0")/command_keys.sh"
source "$source_dir/completion/cvcc"

# complete_line "cvcc --Ex": the candidates for the line's last word, sorted.
complete_line() {
    read -ra COMP_WORDS <<<"$1"
    # A line that ends in a blank completes an empty word.
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _cvcc cvcc "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

# The line typed | the candidates offered.
cases=(
    "cvcc --Ex|--ExcuteAll --Execute --ExecuteId"
    "cvcc --ExecuteA|"
    "cvcc -e|-e -ea -ei"
    "cvcc --St|--Stop --StopAll --StopId"
    "cvcc --N|--NSClean"
    "cvcc --Lo|--Log --LogId"
    "cvcc --W|--Wait --WaitAll --WaitId"
    "cvcc -c|-c -chk"
    "cvcc --Check Nightly |"
    "cvcc --Log Mail |"
    "cvcc -p|-prx"
    "cvcc --NSClean --Li|--List"
    "cvcc -nsc -nsc -l|-l -lg -lgi"
    "cvcc -nsc --Close |"
    "cvcc --Execute --Li|"
    "cvcc --Execute Daily |"
    "cvcc --Proxy |"
    "cvcc x|"
    "cvcc --J|--Json"
    "cvcc -j --Li|--List"
    "cvcc --json -nsc -lgi|-lgi"
    "cvcc -j -j|"
    "cvcc -l -j|"
)
for row in "${cases[@]}"; do
    line=${row%%|*}
    expected=${row#*|}
    actual=$(complete_line "$line")
    [ "$actual" = "$expected" ] || fail "'$line': expected '$expected', offered '$actual'"
done

# The first word offers exactly the key table and the JSON key.
expected=$( (command_keys "$source_dir"; echo --Json; echo -j) | sort | paste -sd' ')
actual=$(complete_line "cvcc ")
[ "$actual" = "$expected" ] || fail "the first word: expected '$expected', offered '$actual'"

[ "$(complete -p cvcc)" = "complete -F _cvcc cvcc" ] || fail "not registered for cvcc"

[ "$failures" -eq 0 ] && echo "completion: OK (${#cases[@]} lines and the key table)"
exit $((failures > 0))
