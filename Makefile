# Vellarn: the commands of the README. Every target first installs what is missing.
PRESETS := native native-asan win32 win64 fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 180

.PHONY: all setup build test run dist bench fuzz clean $(addprefix build-,$(PRESETS))

all: build

setup:
	@bash scripts/setup.sh

build: setup $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	@cmake --preset $* >/dev/null
	@cmake --build build/$* -j $(JOBS)

test: build
	@bash scripts/run-tests.sh

# Benchmarks in a release build of their own; each program prints its table.
bench: setup
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVELLARN_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && "$$b"; done

# Each libFuzzer harness for FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=600 for longer runs).
fuzz: setup build-fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

run: setup build-win32
	@bash scripts/run.sh

clean:
	rm -rf build dist
