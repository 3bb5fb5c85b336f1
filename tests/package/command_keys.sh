# Sourced by the tests of this folder. command_keys SOURCE_DIR prints every
# key the command line accepts, long and short forms, one a line, read from
# the key table in client/CommandLine.cpp so that a key added there and
# forgotten in the manual page or the completion fails a test.
command_keys() {
    sed -n 's/^ *{L"\(--[A-Za-z]*\)", L"\(-[a-z]*\)", Key::.*/\1\n\2/p' \
        "$1/client/CommandLine.cpp"
}

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
failures=0

# A case that needs a network of its own skips without root (exit 77), but
# fails in CI (CI=true), where it must run.
require_root() {
    [ "$(id -u)" -eq 0 ] && return 0
    [ "${CI:-}" = true ] && { echo "FAIL: CI=true, and a network of its own needs root"; exit 1; }
    echo "SKIPPED: a network of its own needs root"
    exit 77
}
