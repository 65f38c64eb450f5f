# Vellarn: the commands of the README. Every target first installs what is missing.
PRESETS := native native-asan win32 win64 fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 180

.PHONY: all setup build test run dist screenshots bench fuzz clean $(addprefix build-,$(PRESETS))

all: build

setup:
	@bash scripts/setup.sh

build: setup $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	@cmake --preset $* >/dev/null
	@cmake --build build/$* -j $(JOBS)

test: build
	@bash scripts/run-tests.sh

# Benchmarks: the native programs in a release build of their own, the frame harness in the
# Windows builds; one table, also written to build/bench/results.tsv (bench/run.sh).
bench: setup
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVELLARN_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS) --target benchmarks -- --no-print-directory
	@for p in win32 win64; do cmake --preset $$p >/dev/null && \
		cmake --build build/$$p -j $(JOBS) --target vellarn frame_bench startup_floor -- --no-print-directory || exit 1; done
	@bash bench/run.sh

# The release folder dist/vellarn/, checked, and its zip dist/vellarn-<version>-win32.zip.
dist: setup
	@bash scripts/dist.sh --zip

# Each libFuzzer harness for FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=600 for longer runs).
fuzz: setup build-fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

# Builds the release if needed, lays it out in dist/vellarn/ and starts it under Wine.
run: setup
	@bash scripts/run.sh

# The screenshots in docs/, made by the menu test from the current 64-bit build under a
# compositing manager: on a Japanese Windows, and the menu once more on an English one.
screenshots: setup
	@cmake --preset win64 >/dev/null
	@cmake --build build/win64 --target vellarn -j $(JOBS)
	@for locale in ja_JP.UTF-8 en_US.UTF-8; do \
		LANG=$$locale E2E_DOCS=1 scripts/wine-env.sh bash tests/e2e/menu.sh build/win64/vellarn.exe || exit 1; done

clean:
	rm -rf build dist
