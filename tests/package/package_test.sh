#!/usr/bin/env bash
# The Debian packages: built from the source tree by dpkg-buildpackage twice,
# in two folders and under another time zone, umask and locale, they are the
# same bit for bit; lintian finds nothing in the source or binary package;
# the build dependencies are installed by `make deps`; and the unpacked
# program runs, declares the packages of the libraries it links, and carries
# nothing of the tests or the simulator.
# Usage: package_test.sh SOURCE_DIR CVCC_BINARY
set -uo pipefail
source_dir=$1
binary=$2
source "$(dirname "$0")/command_keys.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/cvcc-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every package that Build-Depends names is one that `make deps` installs,
# and all of them are installed.
build_depends=$(sed -n '/^Build-Depends:/,/^[A-Z]/p' "$source_dir/debian/control" |
    sed -n 's/^ \([a-z0-9.+-]*\).*/\1/p')
for package in $build_depends; do
    [ "$package" = debhelper-compat ] && package=debhelper
    grep -qE "(^|[ (])$package( |$)" "$source_dir/scripts/install-deps" ||
        fail "Build-Depends names $package, which scripts/install-deps does not install"
done
(cd "$source_dir" && dpkg-checkbuilddeps) || fail "dpkg-checkbuilddeps"

if ! "$source_dir/scripts/build-package" "$work/one" >"$work/one.log" 2>&1; then
    tail -40 "$work/one.log" >&2
    echo "FAIL: dpkg-buildpackage did not build the package" >&2
    exit 1
fi
if ! (umask 002 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 \
    "$source_dir/scripts/build-package" "$work/a/folder/of/another/depth") >"$work/two.log" 2>&1; then
    tail -40 "$work/two.log" >&2
    echo "FAIL: the second dpkg-buildpackage did not build the package" >&2
    exit 1
fi
debs=("$work"/one/cvcc_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single cvcc_*.deb" >&2; exit 1; }
deb=${debs[0]}
for built in "$work"/one/*.deb; do
    cmp -s "$built" "$work/a/folder/of/another/depth/$(basename "$built")" ||
        fail "$(basename "$built") differs between the two builds"
done

# The Ansible collection's archive beside them.
# (grep reads the whole listing: with -q, tar could die of SIGPIPE and fail the pipe)
tar -tzf "$work"/one/corvane-backup-*.tar.gz 2>/dev/null | grep -x "plugins/modules/task.py" >/dev/null ||
    fail "no archive of the Ansible collection with its modules beside the package"

# The contents, exactly.
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
expected="./lib/systemd/system/cvcc-metrics.service
./lib/systemd/system/cvcc-metrics.timer
./usr/bin/cvcc
./usr/share/bash-completion/completions/cvcc
./usr/share/doc/cvcc/README.md
./usr/share/doc/cvcc/changelog.gz
./usr/share/doc/cvcc/copyright
./usr/share/doc/cvcc/examples/nrpe.cfg
./usr/share/doc/cvcc/json.md
./usr/share/doc/cvcc/registry.md
./usr/share/fish/vendor_completions.d/cvcc.fish
./usr/share/icinga2/include/plugins-contrib.d/cvcc.conf
./usr/share/man/man1/cvcc.1.gz
./usr/share/zsh/vendor-completions/_cvcc"
[ "$contents" = "$expected" ] || fail "the package holds"$'\n'"$contents"$'\n'"expected"$'\n'"$expected"

# Installing enables and starts neither unit: the maintainer scripts run
# with systemd's helpers replaced by ones that only write down what they
# are asked, and nothing starts a unit (an upgrade restarts what runs).
fakes=$work/fakes
mkdir -p "$fakes"
for helper in deb-systemd-helper deb-systemd-invoke systemctl; do
    # debian-installed: a first installation; was-enabled: true, as for one.
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n[ "$1" != debian-installed ]\n' \
        "$helper" "$work" >"$fakes/$helper"
    chmod +x "$fakes/$helper"
done
dpkg-deb -e "$deb" "$work/control"
PATH=$fakes:$PATH sh "$work/control/postinst" configure "" >/dev/null 2>&1 ||
    fail "postinst configure failed"
grep -E " (enable|start|restart) " "$work/calls" && fail "installing enables or starts a unit"
cat "$work"/control/*inst "$work"/control/*rm | grep -E "deb-systemd-invoke (start|restart) " &&
    fail "a maintainer script starts a unit"

# owner_of PATH: the package that installed the library, whether dpkg knows
# it by the link or by its target, under /lib or under /usr/lib.
owner_of() {
    local candidate owner
    for candidate in "$1" "$(readlink -f "$1")" "$(dirname "$1")/$(basename "$(readlink -f "$1")")"; do
        for candidate in "${candidate#/usr}" "/usr${candidate#/usr}"; do
            owner=$(dpkg -S "$candidate" 2>/dev/null) && { echo "${owner%%:*}"; return; }
        done
    done
}

# Each shared library the program needs must come from a package that
# Depends names; the library's package is looked up where it is installed.
depends=$(dpkg-deb -f "$deb" Depends)
# The package names alone, one a line, without versions or alternatives.
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for library in $(objdump -p "$binary" | awk '$1 == "NEEDED" {print $2}'); do
    path=$(ldd "$binary" | awk -v lib="$library" '$1 == lib {print $3}')
    [ -n "$path" ] || { fail "ldd does not resolve $library"; continue; }
    owner=$(owner_of "$path")
    [ -n "$owner" ] || { fail "no package owns $path"; continue; }
    grep -qxF "$owner" <<<"$depend_names" ||
        fail "$library comes from $owner, which Depends does not name: $depends"
done
for runtime in libomniorb4-2 libcos4-2 libace-; do
    grep -qF "$runtime" <<<"$depends" || fail "Depends lacks $runtime: $depends"
done

# Debian's own checker finds no error and no warning in the source and the
# binary packages (information is shown). lintian leaves a file of its own in
# TMPDIR: it goes with the work folder.
lintian_out=$(TMPDIR=$work lintian --info --tag-display-limit 0 "$work"/one/cvcc_*.changes 2>&1 | grep -v '^running with root')
grep -E '^[EW]: ' <<<"$lintian_out" && fail "lintian:"$'\n'"$lintian_out"

# The installed documents name only what is installed: no source paths, no make.
dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"
grep -nE 'make |(docs|tests|sim|scripts|build)/|\.cpp|\.h\b' "$work"/root/usr/share/doc/cvcc/*.md &&
    fail "an installed document refers to the source tree"

# The licence, the package's copyright file and the banner's second line agree.
diff <(tail -n +3 "$source_dir/LICENSE") \
    <(sed -n '/^License: BSD-3-clause$/,$p' "$work/root/usr/share/doc/cvcc/copyright" | tail -n +2 |
        sed 's/^ //; s/^\.$//') >/dev/null || fail "the copyright file's licence is not LICENSE's"
holder=$(sed -n 's/^Copyright: [0-9-]* //p' "$work/root/usr/share/doc/cvcc/copyright")
banner_line=$("$work/root/usr/bin/cvcc" -h | sed -n 3p)
[[ $banner_line =~ ^Copyright\ \(C\)\ 2003-[0-9]{4}\ $holder\.\ All\ rights\ reserved\.$ ]] ||
    fail "the banner's '$banner_line' names another holder than the copyright file's '$holder'"
[ "$(head -1 "$source_dir/LICENSE" | sed 's/2003-[0-9]*/2003-Y/')" = "$(sed 's/2003-[0-9]*/2003-Y/' <<<"$banner_line")" ] ||
    fail "LICENSE's first line is not the banner's: $(head -1 "$source_dir/LICENSE")"

# The banner's year is the changelog's: the build's date is the changelog's
# (SOURCE_DATE_EPOCH), not the day of the build.
year=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Timestamp | xargs -I{} date -u -d @{} +%Y)
[[ $banner_line == "Copyright (C) 2003-$year "* ]] || fail "the banner's year is not the changelog's $year: $banner_line"

# The unpacked program runs and prints the same usage text as the build's.
installed=$work/root/usr/bin/cvcc
actual=$("$installed" -h 2>"$work/stderr")
status=$?
[ "$status" -eq 0 ] || fail "cvcc -h exits $status"
[ -s "$work/stderr" ] && fail "cvcc -h writes to stderr: $(cat "$work/stderr")"
[ "$actual" = "$("$binary" -h)" ] || fail "cvcc -h from the package prints"$'\n'"$actual"
grep -q '^Usage: cvcc ' <<<"$actual" || fail "cvcc -h does not print the usage text"

[ "$failures" -eq 0 ] && echo "package: OK ($(basename "$deb"); Depends: $depends)"
exit $((failures > 0))
