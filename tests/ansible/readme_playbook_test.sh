#!/usr/bin/env bash
# README's "Ansible": its playbook is ansible/playbooks/nightly.yml, and in
# make try's shell its command gives the transcript README shows; the same
# play in check mode reports the run as changed and sends no Start; and
# nothing the shell started runs on.
# Usage: readme_playbook_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/../package/command_keys.sh"

# The section's first YAML block, and the block after its command line.
section=$(sed -n '/^## Ansible$/,/^## [^A]/p' "$1/README.md")
playbook=$(awk '/^```yaml$/ {on = 1; next} on && /^```$/ {exit} on' <<<"$section")
[ "$playbook" = "$(cat "$1/ansible/playbooks/nightly.yml")" ] ||
    fail "README's playbook is not ansible/playbooks/nightly.yml"
command=$(sed -n 's/^(cvcc try) \$ //p' <<<"$section")
transcript=$(awk '/^\(cvcc try\) \$ / {on = 1; next} on && /^```$/ {exit} on' <<<"$section")
[ -n "$transcript" ] || fail "README shows no command and transcript in make try's shell"
require_root
export LC_ALL=C.UTF-8
session=$(mktemp)
trap 'rm -f "$session"' EXIT
journal='"$XDG_CONFIG_HOME/../journal"'
out=$(printf '%s\n' "$command --check" "echo \"starts after check mode: \$(grep -c '\"operation\":\"Start\"' $journal)\"" \
    "$command" "echo \"starts after the run: \$(grep -c '\"operation\":\"Start\"' $journal)\"" |
    CVCC_BUILD_DIR=$2 setsid --wait unshare -n -u bash -c \
        'echo $$ >"$1"; ip link set lo up || exit 1; exec "$0/scripts/try"' "$1" "$session" 2>&1 |
    sed 's/ *$//')

check_run=$(sed -n '/^PLAY /,/^starts after check mode/p' <<<"$out")
grep -qE "ok=3 +changed=1 .* failed=0" <<<"$check_run" || fail "check mode did not report the run as changed:"$'\n'"$out"
grep -qx "starts after check mode: 0" <<<"$out" || fail "check mode sent Start:"$'\n'"$out"
grep -qx "starts after the run: 1" <<<"$out" || fail "the run did not send one Start:"$'\n'"$out"
# Each line README shows, but those it shortens, is a line of the run's.
real_run=$(sed -n '/^starts after check mode/,$p' <<<"$out")
while IFS= read -r line; do
    [ -z "$line" ] || [[ $line == *...* ]] || grep -qxF -- "$line" <<<"$real_run" ||
        fail "README shows a line the run does not print: $line"$'\n'"$real_run"
done <<<"$transcript"

left=$(ps -o pid=,args= -s "$(cat "$session")")
[ -z "$left" ] || fail "still running after the shell exited:"$'\n'"$left"
[ "$failures" -eq 0 ] && echo "README's playbook: OK (the file, the transcript in make try's shell, check mode sends no Start)"
exit $((failures > 0))
