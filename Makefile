# Thin wrapper around CMake and CTest. The two commands for a new user are
# `make demo` and `make check`.
JOBS      ?= $(shell nproc)
CMAKE     ?= cmake
BUILD     := build
ASAN      := build-asan
# End-to-end cases mostly wait on the system's own polls, so ctest runs
# more of them at once than there are cores.
CTEST_JOBS ?= $(shell echo $$(( $(JOBS) * 4 )))

.PHONY: all deps configure build check sanitize demo bench clean

all: build

deps:
	scripts/install-deps

$(BUILD)/CMakeCache.txt:
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: $(BUILD)/CMakeCache.txt
	$(CMAKE) --build $(BUILD) -j $(JOBS)

check: build
	cd $(BUILD) && ctest --output-on-failure -j $(CTEST_JOBS)

$(ASAN)/CMakeCache.txt:
	$(CMAKE) -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DCVCC_SANITIZE=ON

sanitize: $(ASAN)/CMakeCache.txt
	$(CMAKE) --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(CTEST_JOBS)

demo: deps build
	scripts/demo

# cvcc and a minimal client against bnsim and omniNames in a network of its
# own (root): a table and a plot under build/bench. Not part of check.
bench: deps build
	$(BUILD)/bin/cvcc_bench --out $(BUILD)/bench

clean:
	rm -rf $(BUILD) $(ASAN)
