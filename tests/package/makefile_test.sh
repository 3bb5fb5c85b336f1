#!/usr/bin/env bash
# The Makefile wrapper is quiet: a build through it prints no "Entering
# directory" or "Leaving directory" lines. Usage: makefile_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/command_keys.sh"
# As a user's shell would start it, not as a make started by this build.
out=$(cd "$1" && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make build BUILD="$2" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "make build exits $status:"$'\n'"$out"
grep -E "(Entering|Leaving) directory" <<<"$out" && fail "make build names the directories it enters"
[ "$failures" -eq 0 ] && echo "makefile: OK"
exit $((failures > 0))
