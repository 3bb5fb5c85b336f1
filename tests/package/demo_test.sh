#!/usr/bin/env bash
# The demo shows the sweep of dead workstations: in a network of its own
# where port 1755 is free, and, when another program holds 1755, by starting
# again in a network namespace of its own (it runs as root here).
# Usage: demo_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/command_keys.sh"
require_root
removed="The following dead workstation links removed from the Coordinator:
    OLD-LAPTOP
    LAB-PC-7"
for holder in nobody omniNames; do
    out=$(CVCC_BUILD_DIR=$2 unshare -n bash -c '
        ip link set lo up || exit 1
        if [ "$1" = omniNames ]; then
            data=$(mktemp -d)
            omniNames -start 1755 -datadir "$data" -always >/dev/null 2>&1 &
            trap "kill $!; wait $!; rm -rf \"$data\"" EXIT
            for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/1755) 2>/dev/null && break; sleep 0.1; done
        fi
        "$0/scripts/demo"' "$1" "$holder" 2>&1)
    grep -qF "$removed" <<<"$out" ||
        fail "with port 1755 held by $holder, the demo shows no sweep:"$'\n'"$out"
    grep -qF "Log of task: Фотоархив
2026-12-06 23:00:01 Backup started" <<<"$out" || fail "the demo shows no log of its failed task:"$'\n'"$out"
    grep -qF "BACKUP CRITICAL - 6 tasks" <<<"$out" && grep -qxF "(exit code 2)" <<<"$out" ||
        fail "the demo shows no check with its exit code:"$'\n'"$out"
    grep -qxF 'cvcc_task_state{id="104",name="Фотоархив",state="critical"} 1' <<<"$out" &&
        grep -qxF "cvcc_up 1" <<<"$out" || fail "the demo shows no metrics of its failed task:"$'\n'"$out"
done
[ "$failures" -eq 0 ] && echo "demo: OK (the failed task's log, the check, the metrics, the sweep with port 1755 free and held)"
exit $((failures > 0))
