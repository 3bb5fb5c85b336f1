#!/usr/bin/env bash
# The bash, zsh and fish completions offer the same words: the keys the
# program accepts where a key is expected, the server's task names or ids
# after a task key, each shell quoting a name as its command line needs it,
# and nothing, silently, when cvcc answers nothing, fails or hangs. The
# server here is a stand-in cvcc that prints a listing document.
# Usage: completion_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$(realpath "$1")
source "$(dirname "$0")/command_keys.sh"
for shell in zsh fish; do
    command -v $shell >/dev/null || { fail "$shell is not installed (make deps)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/cvcc-completion-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# CVCC_FAKE: list (the default), fail (a message on stderr, exit 1) or hang.
cat >"$work/bin/cvcc" <<'FAKE'
#!/bin/sh
[ "$*" = "--Json --List" ] || { echo "unexpected arguments: $*" >&2; exit 3; }
case ${CVCC_FAKE:-list} in
fail) echo "Unable to connect the backup server." >&2; exit 1 ;;
hang) exec sleep 60 ;;
esac
printf '%s\n' '{"tasks":[{"id":101,"name":"Daily documents","status":"idle","statusNumber":4},{"id":103,"name":"Comptabilité 2024","status":"idle","statusNumber":4},{"id":7,"name":"Say \"hi\" \\ $HOME","status":"idle","statusNumber":4},{"id":8,"name":"Bell\u0007","status":"idle","statusNumber":4},{"id":104,"name":"Фотоархив","status":"error","statusNumber":9}]}'
FAKE
chmod +x "$work/bin/cvcc"
export PATH="$work/bin:$PATH" LC_ALL=C.UTF-8

# key_kinds SOURCE_DIR: each key form of the key table but the sweep's, and
# what its argument is: names, ids or nothing.
key_kinds() {
    sed -n 's/^ *{L"\(--[A-Za-z]*\)", L"\(-[a-z]*\)", Key::\([A-Za-z]*\)\(.*\)/\1 \2 \3\4/p' \
        "$1/client/CommandLine.cpp" | grep -v '^--NSClean ' |
        while read -r long short key rest; do
            case $key$rest in
            Tasks*false* | Log*false* | Check*) kind=names ;;
            Tasks*true* | Log*true*) kind=ids ;;
            *) kind=nothing ;;
            esac
            printf '%s %s\n%s %s\n' "$long" "$kind" "$short" "$kind"
        done
}

# complete_line SHELL LINE: the candidates for the line's last word, one a
# line, sorted, as each shell would insert them.
complete_line() {
    case $1 in
    bash) bash -c '
        source "$1/completion/cvcc"
        read -ra COMP_WORDS <<<"$2"
        # A line that ends in a blank completes an empty word.
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _cvcc cvcc "${COMP_WORDS[COMP_CWORD]}"
        printf "%s\n" "${COMPREPLY[@]}"' - "$source_dir" "$2" ;;
    # compadd filters by the word's prefix and quotes; this one only filters,
    # and shows the quoting it would need with (q).
    zsh) zsh -f -c '
        compadd() {
            local -a described; local arrays=0
            while [[ $1 == -* ]]; do
                case $1 in (-a) arrays=1 ;; (-d) shift; described=("${(@P)1}") ;; (--) shift; break ;; esac
                shift
            done
            local -a offered=("$@")
            ((arrays)) && offered=("${(@P)1}")
            local word; for word in $offered; do [[ $word == ${PREFIX}* ]] && print -r -- ${(q)word}; done
        }
        fpath=("$1/completion" $fpath); autoload -Uz _cvcc
        words=(${(z)2}); [[ $2 == *" " ]] && words+=("")
        CURRENT=$#words; PREFIX=$words[CURRENT]
        _cvcc' - "$source_dir" "$2" ;;
    fish) fish --no-config -c 'source $argv[1]/completion/cvcc.fish; complete -C$argv[2] | string replace -r "\t.*" ""' \
        "$source_dir" "$2" ;;
    esac 2>>"$work/stderr" | LC_ALL=C sort | paste -sd' '
}

# The line typed | the candidates offered. An id row's names show in zsh and
# fish as descriptions, which are not inserted.
cases=(
    "cvcc --Ex|--ExcuteAll --Execute --ExecuteId"
    "cvcc --ExecuteA|"
    "cvcc -e|-e -ea -ei"
    "cvcc --St|--Stop --StopAll --StopId"
    "cvcc --W|--Wait --WaitAll --WaitId"
    "cvcc -c|-c -chk"
    "cvcc -p|-prx"
    "cvcc --NSClean --Li|--List"
    "cvcc -nsc -nsc -l|-l -lg -lgi"
    "cvcc z|"
    "cvcc --J|--Json"
    "cvcc -j --Li|--List"
    "cvcc --json -nsc -lgi|-lgi"
    "cvcc -j -j|"
    "cvcc -nsc -j -l|"
    "cvcc -l -j|"
    "cvcc --Execute D|Daily\\ documents"
    "cvcc -j -chk Co|Comptabilit\\é\\ 2024"
    "cvcc --Log Ф|Фотоархив"
    "cvcc -nsc --Wait Daily --Wait Ф|Фотоархив"
    "cvcc -di 10|101 103 104"
)
# Each shell quotes in its own way: bash and zsh with backslashes (zsh leaves
# the é alone), fish shows the name itself and quotes it on insertion.
expect() {
    case $1 in
    bash) sed 's/\\é/é/' <<<"$2" ;;
    zsh) sed 's/\\é/é/' <<<"$2" ;;
    fish) sed 's/\\é/é/; s/\\\(.\)/\1/g' <<<"$2" ;;
    esac
}
for shell in bash zsh fish; do
    for row in "${cases[@]}"; do
        line=${row%%|*}
        expected=$(expect $shell "${row#*|}")
        actual=$(complete_line $shell "$line")
        [ "$actual" = "$expected" ] || fail "$shell '$line': expected '$expected', offered '$actual'"
    done
    # The first word offers exactly the key table and the JSON key.
    expected=$( (command_keys "$source_dir"; echo --Json; echo -j) | LC_ALL=C sort | paste -sd' ')
    actual=$(complete_line $shell "cvcc ")
    [ "$actual" = "$expected" ] || fail "$shell, the first word: expected '$expected', offered '$actual'"
    # Each task key offers what its argument is: the names, the ids, or
    # nothing; the sweep and the JSON key offer keys.
    while read -r key kind; do
        case $kind in
        names) expected="Comptabilit\\é\\ 2024 Daily\\ documents Say\\ \\\"hi\\\"\\ \\\\\\ \\\$HOME Фотоархив" ;;
        ids) expected="101 103 104 7" ;;
        *) expected="" ;;
        esac
        expected=$(expect $shell "$expected")
        actual=$(complete_line $shell "cvcc $key ")
        [ "$actual" = "$expected" ] || fail "$shell '$key': expected '$expected', offered '$actual'"
    done < <(key_kinds "$source_dir")
    # A server that fails or never answers: nothing, and nothing on stderr.
    for fake in fail hang; do
        actual=$(CVCC_FAKE=$fake complete_line $shell "cvcc --Execute ")
        [ -z "$actual" ] || fail "$shell offers '$actual' from a cvcc that does $fake"
    done
done
[ -s "$work/stderr" ] && fail "a completion printed on stderr: $(sort -u "$work/stderr")"

# bash's quoted names read back as the names.
quoted=$(bash -c 'source "$1/completion/cvcc"; _cvcc_quote "$2"' - "$source_dir" "a b'c\"d\\e\$f\`g!h*i?j[k]l(m)n{o}p<q>r|s&t;u#v~w=x é")
eval "read_back=$quoted"
[ "$read_back" = "a b'c\"d\\e\$f\`g!h*i?j[k]l(m)n{o}p<q>r|s&t;u#v~w=x é" ] || fail "bash quotes it as $quoted"

[ "$(bash -c 'source "$1/completion/cvcc"; complete -p cvcc' - "$source_dir")" = "complete -F _cvcc cvcc" ] ||
    fail "bash: not registered for cvcc"
[ "$(head -1 "$source_dir/completion/_cvcc")" = "#compdef cvcc" ] || fail "zsh: not registered for cvcc"

[ "$failures" -eq 0 ] && echo "completion: OK (${#cases[@]} lines and the key table in bash, zsh and fish)"
exit $((failures > 0))
