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
