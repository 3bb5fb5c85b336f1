#!/usr/bin/env bash
# make try: the shell finds cvcc on the PATH and the demo's network answering
# on the loopback only, the completions of bash, zsh and fish complete its
# task names, and when the shell exits nothing that it started runs on.
# Usage: try_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/command_keys.sh"
require_root
session=$(mktemp)
trap 'rm -f "$session"' EXIT
# The shell's commands come from standard input; the network runs in a
# session of its own, whose processes are looked for afterwards.
out=$(printf '%s\n' 'command -v cvcc' 'cvcc -chk >/dev/null; echo "check exit $?"' \
    'ss -Hltn "sport = :1755" | awk "{print \$4}"' \
    "source '$1/completion/cvcc'; COMP_WORDS=(cvcc --Execute Comp); COMP_CWORD=2; _cvcc; printf 'bash %s\n' \"\${COMPREPLY[@]}\"" \
    "fish --no-config -c \"source '$1/completion/cvcc.fish'; complete -C'cvcc -j --Wait Фото'\" | sed 's/^/fish /'" \
    "zsh -f '$1/tests/package/zsh_complete.zsh' '$1/completion' 'cvcc --Log 設計' | sed 's/^/zsh /'" |
    CVCC_BUILD_DIR=$2 setsid --wait unshare -n bash -c \
        'echo $$ >"$1"; ip link set lo up || exit 1; exec "$0/scripts/try"' "$1" "$session" 2>&1)
grep -q "^A throwaway backup network runs here" <<<"$out" || fail "no banner:"$'\n'"$out"
grep -q "/bin/cvcc$" <<<"$out" || fail "cvcc is not on the shell's PATH:"$'\n'"$out"
grep -qx "check exit 2" <<<"$out" || fail "the check did not answer the demo's state:"$'\n'"$out"
grep -qx "127.0.0.1:1755" <<<"$out" || fail "the Coordinator does not listen on the loopback alone:"$'\n'"$out"
for completed in "bash Comptabilité\\ 2024" "fish Фотоархив" "zsh 設計図面"; do
    grep -qxF "$completed" <<<"$out" || fail "no completion '$completed' from the demo's server:"$'\n'"$out"
done
left=$(ps -o pid=,args= -s "$(cat "$session")")
[ -z "$left" ] || fail "still running after the shell exited:"$'\n'"$left"
[ "$failures" -eq 0 ] && echo "try: OK (the shell, the check, the loopback, the completions, nothing left running)"
exit $((failures > 0))
