# make run   - install what is missing, build, start the program (working folder data/)
# make test  - install what is missing, build, run every test
# make bench - install what is missing, build in release mode, run the benchmarks

BUILD      ?= build
BENCHBUILD ?= build-bench
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target dorvak
	@mkdir -p data
	@cd data && ../$(BUILD)/app/dorvak

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

bench: deps
	@cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVAK_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BENCHBUILD) -j $(JOBS)
	@for b in $(BENCHBUILD)/bench/*/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BENCHBUILD)
