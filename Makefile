# The two commands of the README: `make run` and `make test`.
# PRESET picks a CMake preset (dev, release, asan); WERROR=1 treats warnings as errors.
PRESET ?= dev
WERROR ?= 0
JOBS ?= $(shell nproc)
BUILD_DIR := build/$(PRESET)

MAKEFLAGS += --no-print-directory
export OSTREVIN_WERROR := $(if $(filter 1,$(WERROR)),ON,OFF)

.PHONY: all deps configure build test test-long bench run clean format

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	@ctest --preset $(PRESET)

# The long comparison of the fast rod-length search with the exhaustive scan
# (100,000 rod and target pairs, about ten minutes on two cores).
test-long: PRESET := release
test-long: build
	@ctest --test-dir build/release -L long --output-on-failure

bench: PRESET := release
bench: build
	@build/release/bench/length_search_bench --benchmark_repetitions=5 \
	  --benchmark_report_aggregates_only=true

run: build
	@scripts/run-window.sh $(BUILD_DIR)/app/ostrevin

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
