#!/usr/bin/env bash
# The manual page formats without a warning and documents every key.
# Usage: man_page_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
source "$(dirname "$0")/command_keys.sh"
page=$source_dir/docs/cvcc.1

# A fixed width and locale: warnings about lines that cannot be broken
# depend on the width, and the keys' hyphens on the locale.
export MANWIDTH=80 LC_ALL=C
warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man --warnings reports:"$'\n'"$warnings"

text=$(man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION COMMANDS FILES ENVIRONMENT "EXIT STATUS" \
    "JSON OUTPUT" MONITORING DIAGNOSTICS EXAMPLES "SEE ALSO"; do
    grep -qx "$section" <<<"$text" || fail "no section $section"
done
keys=$(command_keys "$source_dir")
[ "$(wc -l <<<"$keys")" -eq 42 ] || fail "expected 42 key forms in the key table, read: $keys"
for key in $keys; do
    grep -qF -- "$key" <<<"$text" || fail "the page does not name the key $key"
done
# README's table of keys holds exactly the key table's forms (the completion
# test holds the completion to the same table).
readme_keys=$(sed -n 's/^| `\(--[A-Za-z]*\)[^`]*` | `\(-[a-z]*\)` |.*/\1\n\2/p' "$source_dir/README.md" | sort)
[ "$readme_keys" = "$(sort <<<"$keys")" ] ||
    fail "README's table of keys differs from the key table:"$'\n'"$(diff <(echo "$readme_keys") <(sort <<<"$keys"))"
for text_expected in registry.reg XDG_CONFIG_HOME "omniNames(8)" "nameclt(1)" localhost:1755 \
    ORBclientCallTimeOutPeriod ORBtraceLevel ORBtraceFile OMNIORB_CONFIG --Json --json \
    "-j " json.md CVCC_CHECK_TIMEOUT check_command "BACKUP OK"; do
    grep -qF -- "$text_expected" <<<"$text" || fail "the page does not mention $text_expected"
done

[ "$failures" -eq 0 ] && echo "man page: OK"
exit $((failures > 0))
