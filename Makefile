# The two commands of the README: `make run` and `make test`.
# PRESET picks a CMake preset (dev, release, asan); WERROR=1 treats warnings as errors.
PRESET ?= dev
WERROR ?= 0
JOBS ?= $(shell nproc)
BUILD_DIR := build/$(PRESET)

MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
export OSTREVIN_WERROR := $(if $(filter 1,$(WERROR)),ON,OFF)

.PHONY: all deps configure build test test-long bench run clean format lint fuzz windows test-windows \
  web serve test-web dist test-dist pictures

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
	@for program in length_search_bench rod_groups_bench layered_soil_bench electrode_bench site_bench; do \
	  build/release/bench/$$program --benchmark_repetitions=5 \
	    --benchmark_report_aggregates_only=true || exit 1; \
	done
	@build/release/bench/start_bench 31 -- build/release/cli/ostrevin-calc length --rho 2000 \
	  --diameter 0.625 --target 10

# The README's pictures in docs/, remade from the tests' screenshots.
pictures:
	@scripts/make-pictures.sh

# The Windows program, cross-built with mingw-w64: build/windows/Ostrevin.exe.
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest
windows:
	@scripts/install-deps.sh $(WINDOWS_PACKAGES)
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)
	@cp build/windows/app/Ostrevin.exe build/windows/Ostrevin.exe

# Its tests under Wine on a virtual X screen, and a screenshot of the window.
test-windows: windows
	@scripts/install-deps.sh wine64 xvfb xauth imagemagick x11-utils
	@scripts/test-windows.sh

# The page: build/web, a static folder (page, script, WebAssembly, manifest,
# icons, service worker). Debian's emscripten wants NODE_PATH for its optimiser.
WEB_PACKAGES = emscripten libfmt-dev libfast-float-dev esbuild
web: export NODE_PATH := /usr/share/nodejs
web:
	@scripts/install-deps.sh $(WEB_PACKAGES)
	@cmake --preset web >/dev/null
	@cmake --build --preset web -j $(JOBS)
	@scripts/assemble-site.sh

serve: web
	@echo "Ostrevin: http://127.0.0.1:8000/ (Ctrl-C stops the server)"
	@python3 -m http.server 8000 --bind 127.0.0.1 --directory build/web

# The page in headless Chromium (web/tests, npm packages pinned by its lock file).
test-web: web build
	@scripts/install-deps.sh chromium nodejs
	@command -v npm >/dev/null || scripts/install-deps.sh npm
	@cd web/tests && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
	@cd web/tests && node --test

# The downloads in build/dist: the Debian package, the Windows zip and the
# page's tarball, with their SHA256SUMS.
DIST_PACKAGES = help2man dpkg-dev zip
dist: export NODE_PATH := /usr/share/nodejs
dist:
	@scripts/install-deps.sh $(DIST_PACKAGES)
	@cmake --preset dist >/dev/null
	@cmake --build --preset dist -j $(JOBS)
	@$(MAKE) windows web
	@scripts/dist.sh

# The downloads checked: lintian, the package unpacked and run, the archives'
# contents, the sums, and one version everywhere.
test-dist: dist
	@scripts/install-deps.sh lintian unzip
	@scripts/test-dist.sh

# Only the window program is built: no test or benchmark stands between a
# fresh clone and the calculator.
# Without a display that is said first, before anything is installed or built.
run:
	@scripts/run-window.sh --check
	@$(MAKE) configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target ostrevin
	@scripts/run-window.sh $(BUILD_DIR)/app/ostrevin

# Static analysis of the product code: clang-tidy (checks in .clang-tidy) and cppcheck.
# (The Win32 and web files are checked by their own builds with warnings as errors.)
# The compile commands are GCC's: clang-tidy ignores the flags only GCC knows.
PRODUCT_SOURCES = $(shell git ls-files 'core/*.cpp' 'framework/*.cpp' 'res/*.cpp' 'form/*.cpp' \
  'app/*.cpp' 'calc/*.cpp' 'cli/*.cpp' ':!framework/win32/*' ':!app/win_main.cpp' ':!framework/web/*' \
  ':!app/web_main.cpp')
lint: build
	@scripts/install-deps.sh clang-tidy cppcheck
	@echo "clang-tidy: $(words $(PRODUCT_SOURCES)) files"
	@echo $(PRODUCT_SOURCES) | xargs -n 1 -P $(JOBS) clang-tidy -p $(BUILD_DIR) --quiet \
	  --extra-arg=-Wno-unknown-warning-option 2>/dev/null
	@cppcheck --std=c++20 --language=c++ --enable=warning,performance,portability,style \
	  --error-exitcode=1 --inline-suppr --quiet -I . -j $(JOBS) -i framework/win32 \
	  --suppress=useStlAlgorithm --suppress=noExplicitConstructor:core/result.h \
	  --suppress=noExplicitConstructor:calc/json.h \
	  -i app/win_main.cpp -i framework/web -i app/web_main.cpp core framework form res app calc cli fuzz
	@echo "clang-tidy and cppcheck: clean"

# libFuzzer targets (clang, address and undefined-behaviour sanitizers), each run
# for FUZZ_SECONDS from the kept corpus; a crashing input lands in build/fuzz/crashes.
FUZZ_SECONDS ?= 30
FUZZ_TARGETS = number_text form batch job dxf
fuzz:
	@scripts/install-deps.sh clang-14 libclang-rt-14-dev
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@mkdir -p build/fuzz/crashes
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$target && \
	  build/fuzz/fuzz/$${target}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=512 \
	    -artifact_prefix=build/fuzz/crashes/$$target- -print_final_stats=1 \
	    build/fuzz/corpus/$$target fuzz/corpus/$$target 2>&1 \
	    | grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' ; \
	  test $${PIPESTATUS[0]} -eq 0 || exit 1; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
