# make test       install missing packages, build, run every test
# make sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer
# make fuzz       build the libFuzzer targets and run each for FUZZ_SECONDS
# make bench      build and run the benchmarks (BENCH_LARGE=1: with a 100,000-page n-up)
# make demo       run the host program with the plug-in on a generated document
# make params-doc write docs/parameters.md again from the command definitions
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
BUILD ?= build

.PHONY: deps test build sanitize fuzz bench demo params-doc clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

sanitize: deps
	cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_WERROR=ON -DKV_SANITIZE=ON
	cmake --build build-san -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-san -j $(JOBS) --output-on-failure

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	scripts/run-benchmarks.sh $(BUILD)

demo: build
	scripts/demo.sh $(BUILD)

params-doc: build
	$(BUILD)/docs/kvparamdoc . docs/parameters.md

clean:
	rm -rf build build-san build-fuzz
