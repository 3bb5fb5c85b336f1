# Thin wrapper around CMake and CTest. The two commands for a new user are
# `make demo` and `make check`.

# The builds below are makes of their own; their "Entering directory" lines
# say nothing to a user.
MAKEFLAGS += --no-print-directory
JOBS      ?= $(shell nproc)
CMAKE     ?= cmake
BUILD     := build
ASAN      := build-asan
FUZZ      := build-fuzz
FUZZ_SECONDS ?= 30
FUZZ_TARGETS := registry_format_fuzz strings_fuzz number_readers_fuzz dispatcher_fuzz replies_fuzz
# End-to-end cases mostly wait on the system's own polls, so ctest runs
# more of them at once than there are cores.
CTEST_JOBS ?= $(shell echo $$(( $(JOBS) * 4 )))

# `make install PREFIX=/usr DESTDIR=/tmp/stage`: the install rules of the
# optimised build, the program stripped as in the package; without PREFIX,
# the prefix the build was configured with.
PREFIX    ?=
DESTDIR   ?=

.PHONY: all deps configure build check sanitize fuzz demo try bench soak install package clean

all: build

deps:
	scripts/install-deps

$(BUILD)/CMakeCache.txt:
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: $(BUILD)/CMakeCache.txt
	$(CMAKE) --build $(BUILD) -j $(JOBS)

# Every test's temporary folders go under the build tree (TMPDIR), swept at
# the start of each run: a case killed halfway leaves nothing in /tmp.
check: build
	rm -rf $(BUILD)/test-tmp && mkdir -p $(BUILD)/test-tmp
	cd $(BUILD) && TMPDIR=$(CURDIR)/$(BUILD)/test-tmp ctest --output-on-failure -j $(CTEST_JOBS)

$(ASAN)/CMakeCache.txt:
	$(CMAKE) -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DCVCC_SANITIZE=ON

sanitize: $(ASAN)/CMakeCache.txt
	$(CMAKE) --build $(ASAN) -j $(JOBS)
	rm -rf $(ASAN)/test-tmp && mkdir -p $(ASAN)/test-tmp
	cd $(ASAN) && TMPDIR=$(CURDIR)/$(ASAN)/test-tmp ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(CTEST_JOBS)

$(FUZZ)/CMakeCache.txt:
	CC=clang-14 CXX=clang++-14 $(CMAKE) -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCVCC_FUZZ=ON

# Each target for FUZZ_SECONDS from the seed corpus in fuzz/corpus/<target>/;
# what it learns goes to $(FUZZ)/corpus/<target>/, a crash to $(FUZZ)/crashes/.
# The reply target runs omniORB's unmarshalling of hostile replies: it keeps
# the leak suppressions of fuzz/lsan.supp (what omniORB loses when a reply
# fails), and its malloc limit lets omniORB allocate what a reply's counts
# ask for (code sets, up to 12 GB) without calling that a finding. A reply
# that never comes ends its call after 50 ms: an input that runs for 5
# minutes is a hang (AddressSanitizer takes a second or more to free each
# such allocation, and an input may hold dozens).
# It fuzzes in two processes that start afresh now and then (-fork), since
# the shadow memory of such allocations stays with a process.
fuzz: $(FUZZ)/CMakeCache.txt
	$(CMAKE) --build $(FUZZ) -j $(JOBS) --target $(FUZZ_TARGETS)
	@passed=0; failed=0; for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ)/corpus/$$t $(FUZZ)/crashes; \
		echo "fuzz: $$t for $(FUZZ_SECONDS) s"; \
		case $$t in replies_fuzz) extra="-fork=2 -malloc_limit_mb=20000 -timeout=300";; *) extra=;; esac; \
		if LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp \
			$(FUZZ)/bin/$$t -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 $$extra -print_final_stats=1 \
			-artifact_prefix=$(FUZZ)/crashes/$$t- $(FUZZ)/corpus/$$t fuzz/corpus/$$t; \
		then passed=$$((passed + 1)); else failed=$$((failed + 1)); echo "fuzz: $$t FAILED"; fi; \
	done; \
	echo "fuzz: $$passed passed, $$failed failed"; \
	test $$failed -eq 0

demo: deps build
	scripts/demo

# The demo's network, and a shell with cvcc on the PATH to try it by hand;
# leaving the shell stops the network.
try: deps build
	scripts/try

install: build
	DESTDIR="$(DESTDIR)" $(CMAKE) --install $(BUILD) --strip $(if $(PREFIX),--prefix "$(PREFIX)")

# The Debian source and binary packages, built by dpkg-buildpackage from a
# copy of the tree: build/package/cvcc_<version>_<arch>.deb and the rest,
# and beside them the Ansible collection's build/package/corvane-backup-<version>.tar.gz.
package:
	scripts/build-package $(BUILD)/package

# cvcc and a minimal client against bnsim and omniNames in a network of its
# own (root): a table and a plot under build/bench. Not part of check.
bench: deps build
	$(BUILD)/bin/cvcc_bench --out $(BUILD)/bench

# cvcc run SOAK_RUNS times under random faults, each run checked against
# the rules every run keeps (root: each worker has a network of its own):
# a table under build/soak, and the command that replays a run that broke one.
SOAK_RUNS ?= 1000
SOAK_SEED ?= 1
SOAK_JOBS ?= 16
soak: deps build
	$(BUILD)/bin/cvcc_soak --runs $(SOAK_RUNS) --seed $(SOAK_SEED) --jobs $(SOAK_JOBS) --out $(BUILD)/soak

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ)
