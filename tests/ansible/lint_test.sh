#!/usr/bin/env bash
# The collection as ansible-lint and ansible-doc see it: the production
# profile reports nothing, and both modules' documentation renders.
# Usage: lint_test.sh COLLECTION_DIR
set -uo pipefail
source "$(dirname "$0")/../package/command_keys.sh"
collection=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# ansible-lint finds the modules that the collection's playbook uses on the collections path.
mkdir -p "$work/ansible_collections/corvane"
ln -s "$collection" "$work/ansible_collections/corvane/backup"
export HOME=$work ANSIBLE_COLLECTIONS_PATH=$work LC_ALL=C.UTF-8 ANSIBLE_NOCOLOR=1
lint=$(cd "$collection" && ansible-lint --offline --profile production --nocolor 2>&1)
grep -q "^Passed with production profile: 0 failure(s), 0 warning(s)" <<<"$lint" ||
    fail "ansible-lint reports something:"$'\n'"$lint"
for module in task task_info; do
    doc=$(ansible-doc "corvane.backup.$module" 2>&1)
    grep -q "^OPTIONS" <<<"$doc" && grep -q "^RETURN VALUES" <<<"$doc" ||
        fail "ansible-doc does not render corvane.backup.$module:"$'\n'"$doc"
done
[ "$failures" -eq 0 ] && echo "lint: OK (ansible-lint's production profile, ansible-doc of both modules)"
exit $((failures > 0))
