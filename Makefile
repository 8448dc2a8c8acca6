# make run      - install what is missing, build, start the program (working folder data/)
# make test     - install what is missing, build, run every test
# make bench    - install what is missing, build in release mode, run the benchmarks
# make sanitize - build everything with AddressSanitizer and UndefinedBehaviorSanitizer
#                 (clang where installed) in build-sanitize/, file by file, and run every test there
# make fuzz     - install clang, build the fuzz targets with libFuzzer in build-fuzz/ and
#                 run each for FUZZ_SECONDS (default 180)

BUILD      ?= build
BENCHBUILD ?= build-bench
SANBUILD   ?= build-sanitize
FUZZBUILD  ?= build-fuzz
FUZZ_SECONDS ?= 180
JOBS       ?= $(shell nproc)

# Sanitizer runs: leaks are errors; the suppressions name third-party
# libraries only. A report ends the program with 86, not the sanitizers'
# default 1: a tool that must fail with 1 (a full disk, a bad file) would
# otherwise pass its test with a leak or an error report.
SANITIZER_ENV = QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:exitcode=86 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions.txt:exitcode=86 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=86

.PHONY: all deps configure build run test bench sanitize fuzz clean

all: build

deps:
	@scripts/install-deps.sh

# A compiler cache, where one is installed, makes builds in fresh worktrees cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVAK_BUILD_BENCH=OFF $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target dorvak
	@mkdir -p data
	@cd data && ../$(BUILD)/app/dorvak

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# The KReport peer of bench_engine is a Qt 5 program of its own, built here
# only (its packages come with --bench), into $(BENCHBUILD)/kreport.
# Without it bench_engine says so and prints no ratio to it.
# bench_script_processes also runs the everyday tree's scriptrun (build/),
# built here first.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target scriptrun
	@cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVAK_BUILD_TESTS=OFF -DDORVAK_BUILD_BENCH=ON \
	  -DDORVAK_SHARED_LIBS=OFF -DDORVAK_EVERYDAY_TREE=$(CURDIR)/$(BUILD) $(LAUNCHER) >/dev/null
	@cmake --build $(BENCHBUILD) -j $(JOBS)
	@(scripts/install-deps.sh --bench && \
	  cmake -S bench/kreport -B $(BENCHBUILD)/kreport -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER) >/dev/null && \
	  cmake --build $(BENCHBUILD)/kreport -j $(JOBS)) || echo "The KReport peer was not built: no ratio to it."
	@for b in $(BENCHBUILD)/bench/*/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; QT_QPA_PLATFORM=offscreen timeout 1800 "$$b" || exit 1; \
	done

sanitize: deps
	@if command -v clang++ >/dev/null 2>&1; then cc=clang; cxx=clang++; else cc=gcc; cxx=g++; fi; \
	  CC=$$cc CXX=$$cxx cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DDORVAK_SANITIZE=ON -DDORVAK_BUILD_BENCH=OFF -DDORVAK_UNITY_BUILD=OFF $(LAUNCHER) >/dev/null
	@cmake --build $(SANBUILD) -j $(JOBS)
	@cd $(SANBUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) --timeout 1800

fuzz: deps
	@scripts/install-deps.sh --clang
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDORVAK_SANITIZE=ON -DDORVAK_LIBFUZZER=ON -DDORVAK_BUILD_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build $(FUZZBUILD) -j $(JOBS) --target fuzz_targets
	@scripts/run-fuzz.sh $(FUZZBUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BENCHBUILD) $(SANBUILD) $(FUZZBUILD)
