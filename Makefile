# SPDX-License-Identifier: MIT
# Front door: `make run` and `make test` set up everything a fresh Debian 12 machine needs.
SHELL := /bin/bash
BUILD ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 10
CMAKE_FLAGS ?=
# A compiler cache, when the machine has one, makes rebuilds of other checkouts cheap.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps deps-test configure build test-build run test unit e2e asan fuzz bench format \
        clean install

all: build

# Running needs fewer packages than testing: `make run` installs only the first set.
deps:
	@scripts/install-deps run

deps-test:
	@scripts/install-deps test

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTRIX_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/keltrix $(ARGS)

# The build with its tests and benchmarks, which a plain build leaves out when their
# libraries are missing.
test-build: deps-test
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTRIX_WERROR=ON \
	    -DKELTRIX_TESTS=ON -DKELTRIX_BENCH=ON $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The whole suite: unit and end-to-end tests, the sanitizer build, a short run of every fuzzer.
test: test-build
	@scripts/run-tests $(BUILD)
	@$(MAKE) --no-print-directory asan
	@$(MAKE) --no-print-directory fuzz

unit: test-build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -LE e2e --repeat until-pass:2

e2e: test-build
	@cd $(BUILD) && ctest --output-on-failure -L e2e

asan: deps-test
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELTRIX_WERROR=ON \
	    -DKELTRIX_SANITIZE=ON -DKELTRIX_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS) -LE e2e --repeat until-pass:2

fuzz: deps-test
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DKELTRIX_FUZZ=ON -DKELTRIX_SANITIZE=ON -DKELTRIX_APP=OFF -DKELTRIX_TESTS=OFF \
	    -DKELTRIX_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build build-fuzz -j$(JOBS)
	@scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

bench: test-build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Stripped, into PREFIX (default /usr/local) below DESTDIR when it is set.
PREFIX ?=
install: build
	@cmake --install $(BUILD) --strip $(if $(PREFIX),--prefix $(PREFIX),)

clean:
	@rm -rf build build-asan build-fuzz
